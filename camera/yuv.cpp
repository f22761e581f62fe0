#include "camera/yuv.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace skymra {
namespace {

// The standards' factors: luma's black and scale, and R from V, G from U and V, B from U.
struct Coefficients {
    float yOffset, yScale, rv, gu, gv, bu;
};
constexpr Coefficients coefficients(YuvMatrix m, YuvRange range) {
    if (range == YuvRange::Full)
        return m == YuvMatrix::Bt709 ? Coefficients{0, 1, 1.5748f, 0.187324f, 0.468124f, 1.8556f}
                                     : Coefficients{0, 1, 1.402f, 0.344136f, 0.714136f, 1.772f};
    // Limited range: 219 steps of luma and 224 of colour stretched to 255.
    return m == YuvMatrix::Bt709
               ? Coefficients{16, 1.164384f, 1.792741f, 0.213249f, 0.532909f, 2.112402f}
               : Coefficients{16, 1.164384f, 1.596027f, 0.391762f, 0.812968f, 2.017232f};
}

// A colour value rounded to a byte; in floating point, because that is what vectorises on
// every x86 processor (whole-number minimum and maximum need SSE4.1).
inline std::uint32_t toByte(float v) {
    return static_cast<std::uint32_t>(static_cast<int>(std::min(std::max(v + 0.5f, 0.0f), 255.0f)));
}

bool fits(std::span<const std::uint8_t> plane, std::size_t stride, std::size_t rows,
          std::size_t lastByte) {
    return rows == 0 || (stride > lastByte && plane.size() >= stride * (rows - 1) + lastByte + 1);
}

}  // namespace

namespace {

// Pixels out per pass: the row is done in short runs of simple loops over arrays, which the
// compiler turns into vector code, where one loop doing it all per pixel stays scalar.
constexpr std::size_t Run = 64;

// Pixels from mean lumas (sums times perLuma) and colour differences, four at a time where the
// processor has SSE2; the same arithmetic in the same order either way, so the same bytes.
void colours(const Coefficients& c, float perLuma, const unsigned* sums, const int* uu,
             const int* vv, std::size_t n, std::uint32_t* dst) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128 scale = _mm_set1_ps(perLuma), offset = _mm_set1_ps(c.yOffset),
                 yScale = _mm_set1_ps(c.yScale), rv = _mm_set1_ps(c.rv), gu = _mm_set1_ps(c.gu),
                 gv = _mm_set1_ps(c.gv), bu = _mm_set1_ps(c.bu), half = _mm_set1_ps(0.5f),
                 zero = _mm_setzero_ps(), top = _mm_set1_ps(255.0f);
    const auto byte = [&](__m128 v) {
        return _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(_mm_add_ps(v, half), zero), top));
    };
    const auto load = [](const void* p) {
        return _mm_cvtepi32_ps(_mm_loadu_si128(static_cast<const __m128i*>(p)));
    };
    for (; i + 4 <= n; i += 4) {
        // Sums of at most 16 bytes are exact in a float.
        const __m128 y = _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(load(sums + i), scale), offset), yScale);
        const __m128 u = load(uu + i), v = load(vv + i);
        const __m128i r = byte(_mm_add_ps(y, _mm_mul_ps(rv, v)));
        const __m128i g = byte(_mm_sub_ps(_mm_sub_ps(y, _mm_mul_ps(gu, u)), _mm_mul_ps(gv, v)));
        const __m128i b = byte(_mm_add_ps(y, _mm_mul_ps(bu, u)));
        const __m128i pixels =
            _mm_or_si128(_mm_or_si128(_mm_slli_epi32(r, 16), _mm_slli_epi32(g, 8)),
                         _mm_or_si128(b, _mm_set1_epi32(static_cast<int>(0xFF000000u))));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), pixels);
    }
#endif
    for (; i < n; ++i) {
        const float y = (static_cast<float>(sums[i]) * perLuma - c.yOffset) * c.yScale;
        const auto u = static_cast<float>(uu[i]), v = static_cast<float>(vv[i]);
        dst[i] = 0xFF000000u | toByte(y + c.rv * v) << 16 | toByte(y - c.gu * u - c.gv * v) << 8 |
                 toByte(y + c.bu * u);
    }
}

// One row of pixels out, `Shrink` (or `shrink`, where Shrink is 0) rows and columns of lumas a
// pixel: the common factors as constants, so that their loops unroll.
template <std::size_t Shrink, std::size_t UvStep>
void convertRow(const Yuv420& in, const Coefficients& c, std::size_t top, std::size_t outW,
                std::size_t shrink, std::uint32_t* dst) {
    const std::size_t k = Shrink ? Shrink : shrink;
    const float perLuma = 1.0f / static_cast<float>(k * k);
    const std::size_t chromaRow = (top + k / 2) / 2;
    const std::uint8_t* uRow = in.u.data() + chromaRow * in.uvStride;
    const std::uint8_t* vRow = in.v.data() + chromaRow * in.uvStride;
    const std::uint8_t* luma = in.y.data() + top * in.yStride;
    unsigned sums[Run];
    int uu[Run], vv[Run];
    for (std::size_t first = 0; first < outW; first += Run) {
        const std::size_t n = std::min(Run, outW - first);
        if constexpr (Shrink != 0) {
            // Down the rows first, whole runs of 16-bit columns at a time (at most 4 x 255),
            // then across: Shrink x Shrink byte loads a pixel become Shrink.
            std::uint16_t columns[Run * Shrink];
            const std::uint8_t* row = luma + first * Shrink;
            const std::size_t m = n * Shrink;
            for (std::size_t j = 0; j < m; ++j) columns[j] = row[j];
            for (std::size_t dy = 1; dy < Shrink; ++dy) {
                const std::uint8_t* below = row + dy * in.yStride;
                for (std::size_t j = 0; j < m; ++j)
                    columns[j] = static_cast<std::uint16_t>(columns[j] + below[j]);
            }
            for (std::size_t i = 0; i < n; ++i) {
                unsigned sum = 0;
                for (std::size_t dx = 0; dx < Shrink; ++dx) sum += columns[i * Shrink + dx];
                sums[i] = sum;
            }
        } else {
            for (std::size_t i = 0; i < n; ++i) sums[i] = 0;
            for (std::size_t dy = 0; dy < k; ++dy) {
                const std::uint8_t* row = luma + dy * in.yStride + first * k;
                for (std::size_t i = 0; i < n; ++i) {
                    unsigned sum = 0;
                    for (std::size_t dx = 0; dx < k; ++dx) sum += row[i * k + dx];
                    sums[i] += sum;
                }
            }
        }
        if constexpr (Shrink % 2 == 0 && Shrink != 0) {
            // Every (Shrink / 2)th colour, in a form the compiler sees as such.
            const std::uint8_t* u = uRow + (first * (Shrink / 2) + Shrink / 4) * UvStep;
            const std::uint8_t* v = vRow + (first * (Shrink / 2) + Shrink / 4) * UvStep;
            for (std::size_t i = 0; i < n; ++i) {
                uu[i] = u[i * (Shrink / 2) * UvStep] - 128;
                vv[i] = v[i * (Shrink / 2) * UvStep] - 128;
            }
        } else if constexpr (Shrink % 2 == 1) {
            // Odd factors: a pair of pixels takes its colours from two fixed places in every
            // Shrink colours (runs start at even pixels).
            constexpr std::size_t a = Shrink / 2 / 2, b = (Shrink + Shrink / 2) / 2;
            const std::uint8_t* u = uRow + first * Shrink / 2 * UvStep;
            const std::uint8_t* v = vRow + first * Shrink / 2 * UvStep;
            for (std::size_t i = 0; i < n; i += 2) {
                const std::size_t at = i / 2 * Shrink;
                uu[i] = u[(at + a) * UvStep] - 128;
                vv[i] = v[(at + a) * UvStep] - 128;
                if (i + 1 < n) {
                    uu[i + 1] = u[(at + b) * UvStep] - 128;
                    vv[i + 1] = v[(at + b) * UvStep] - 128;
                }
            }
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                const std::size_t chromaCol = ((first + i) * k + k / 2) / 2 * UvStep;
                uu[i] = uRow[chromaCol] - 128;
                vv[i] = vRow[chromaCol] - 128;
            }
        }
        colours(c, perLuma, sums, uu, vv, n, dst + first);
    }
}

// The row conversion for a factor: the common ones with their loops unrolled.
template <std::size_t UvStep>
auto rowFor(std::size_t shrink) {
    switch (shrink) {
        case 1:
            return &convertRow<1, UvStep>;
        case 2:
            return &convertRow<2, UvStep>;
        case 3:
            return &convertRow<3, UvStep>;
        case 4:
            return &convertRow<4, UvStep>;
        default:
            return &convertRow<0, UvStep>;
    }
}

}  // namespace

bool convertYuv420(const Yuv420& in, YuvMatrix matrix, YuvRange range, std::size_t width,
                   std::size_t height, std::size_t shrink, std::span<std::uint32_t> out) {
    if (shrink == 0 || width == 0 || height == 0 || in.uvStep == 0 || in.uvStep > 2) return false;
    const std::size_t outW = width / shrink, outH = height / shrink;
    const std::size_t cw = (width + 1) / 2, ch = (height + 1) / 2;
    if (out.size() < outW * outH || !fits(in.y, in.yStride, height, width - 1) ||
        !fits(in.u, in.uvStride, ch, (cw - 1) * in.uvStep) ||
        !fits(in.v, in.uvStride, ch, (cw - 1) * in.uvStep))
        return false;
    const Coefficients c = coefficients(matrix, range);
    const auto row = in.uvStep == 1 ? rowFor<1>(shrink) : rowFor<2>(shrink);
    for (std::size_t oy = 0; oy < outH; ++oy)
        row(in, c, oy * shrink, outW, shrink, out.data() + oy * outW);
    return true;
}

bool convertYuv422(std::span<const std::uint8_t> in, std::size_t stride, Yuv422 layout,
                   std::size_t width, std::size_t height, std::span<std::uint32_t> out) {
    if (width % 2 != 0 || stride < width * 2 || out.size() < width * height) return false;
    if (height > 0 && in.size() < stride * (height - 1) + width * 2) return false;
    // The same arithmetic as 4:2:0's: one scene gives the same pixels from any camera format.
    const Coefficients c = coefficients(YuvMatrix::Bt601, YuvRange::Limited);
    // Byte positions of the first luma and of U in each group of four (V is two after U).
    const std::size_t y0 = layout == Yuv422::Uyvy ? 1 : 0;
    const std::size_t u0 = layout == Yuv422::Uyvy ? 0 : 1;
    unsigned lumas[Run];
    int uu[Run], vv[Run];
    for (std::size_t row = 0; row < height; ++row) {
        const std::uint8_t* src = in.data() + row * stride;
        std::uint32_t* dst = out.data() + row * width;
        for (std::size_t first = 0; first < width; first += Run) {
            const std::size_t n = std::min(Run, width - first);
            const std::uint8_t* group = src + first * 2;
            for (std::size_t i = 0; i < n; ++i) {
                lumas[i] = group[i * 2 + y0];
                uu[i] = group[i / 2 * 4 + u0] - 128;
                vv[i] = group[i / 2 * 4 + u0 + 2] - 128;
            }
            colours(c, 1.0f, lumas, uu, vv, n, dst + first);
        }
    }
    return true;
}

}  // namespace skymra
