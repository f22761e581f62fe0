#include "camera/yuv.h"

#include <algorithm>

namespace skymra {
namespace {

inline std::uint32_t clampByte(int v) { return static_cast<std::uint32_t>(std::clamp(v, 0, 255)); }

// Integer BT.601 with 8 fractional bits, the usual fixed-point form of the standard.
inline std::uint32_t rgb(int y, int rv, int guv, int bu) {
    const int yy = (y - 16) * 298;
    return 0xFF000000u | clampByte((yy + rv) >> 8) << 16 | clampByte((yy - guv) >> 8) << 8 |
           clampByte((yy + bu) >> 8);
}

}  // namespace

namespace {

// R from V, G from U and V, B from U, in 8 fractional bits.
struct Coefficients {
    int rv, gu, gv, bu;
};
constexpr Coefficients coefficients(YuvMatrix m) {
    return m == YuvMatrix::Bt709 ? Coefficients{459, 55, 136, 541}
                                 : Coefficients{409, 100, 208, 516};
}

bool fits(std::span<const std::uint8_t> plane, std::size_t stride, std::size_t rows,
          std::size_t lastByte) {
    return rows == 0 || (stride > lastByte && plane.size() >= stride * (rows - 1) + lastByte + 1);
}

}  // namespace

namespace {

// One row of pixels out, `Shrink` (or `shrink`, where Shrink is 0) rows and columns of lumas a
// pixel: the common factors as constants, so that their loops unroll.
template <std::size_t Shrink>
void convertRow(const Yuv420& in, const Coefficients& c, std::size_t top, std::size_t outW,
                std::size_t shrink, std::uint32_t* dst) {
    const std::size_t k = Shrink ? Shrink : shrink;
    const std::size_t area = k * k;
    const std::size_t chromaRow = (top + k / 2) / 2;
    const std::uint8_t* uRow = in.u.data() + chromaRow * in.uvStride;
    const std::uint8_t* vRow = in.v.data() + chromaRow * in.uvStride;
    const std::uint8_t* luma = in.y.data() + top * in.yStride;
    for (std::size_t ox = 0; ox < outW; ++ox) {
        const std::size_t left = ox * k;
        unsigned sum = 0;
        for (std::size_t dy = 0; dy < k; ++dy) {
            const std::uint8_t* row = luma + dy * in.yStride + left;
            for (std::size_t dx = 0; dx < k; ++dx) sum += row[dx];
        }
        const int y =
            static_cast<int>((sum + static_cast<unsigned>(area / 2)) / static_cast<unsigned>(area));
        const std::size_t chromaCol = (left + k / 2) / 2 * in.uvStep;
        const int uu = uRow[chromaCol] - 128;
        const int vv = vRow[chromaCol] - 128;
        dst[ox] = rgb(y, c.rv * vv + 128, c.gu * uu + c.gv * vv - 128, c.bu * uu + 128);
    }
}

}  // namespace

bool convertYuv420(const Yuv420& in, YuvMatrix matrix, std::size_t width, std::size_t height,
                   std::size_t shrink, std::span<std::uint32_t> out) {
    if (shrink == 0 || width == 0 || height == 0) return false;
    const std::size_t outW = width / shrink, outH = height / shrink;
    const std::size_t cw = (width + 1) / 2, ch = (height + 1) / 2;
    if (out.size() < outW * outH || !fits(in.y, in.yStride, height, width - 1) ||
        !fits(in.u, in.uvStride, ch, (cw - 1) * in.uvStep) ||
        !fits(in.v, in.uvStride, ch, (cw - 1) * in.uvStep))
        return false;
    const Coefficients c = coefficients(matrix);
    auto row = &convertRow<0>;
    switch (shrink) {
        case 1:
            row = &convertRow<1>;
            break;
        case 2:
            row = &convertRow<2>;
            break;
        case 3:
            row = &convertRow<3>;
            break;
        case 4:
            row = &convertRow<4>;
            break;
        default:
            break;
    }
    for (std::size_t oy = 0; oy < outH; ++oy)
        row(in, c, oy * shrink, outW, shrink, out.data() + oy * outW);
    return true;
}

bool convertYuv422(std::span<const std::uint8_t> in, std::size_t stride, Yuv422 layout,
                   std::size_t width, std::size_t height, std::span<std::uint32_t> out) {
    if (width % 2 != 0 || stride < width * 2 || out.size() < width * height) return false;
    if (height > 0 && in.size() < stride * (height - 1) + width * 2) return false;
    // Byte positions of the two lumas and the two colour bytes in each group of four.
    const std::size_t y0 = layout == Yuv422::Uyvy ? 1 : 0;
    const std::size_t u = layout == Yuv422::Uyvy ? 0 : 1;
    for (std::size_t row = 0; row < height; ++row) {
        const std::uint8_t* src = in.data() + row * stride;
        std::uint32_t* dst = out.data() + row * width;
        for (std::size_t x = 0; x < width; x += 2, src += 4) {
            const int uu = src[u] - 128;
            const int vv = src[u + 2] - 128;
            const int rv = 409 * vv + 128;
            const int guv = 100 * uu + 208 * vv + 128;
            const int bu = 516 * uu + 128;
            dst[x] = rgb(src[y0], rv, guv, bu);
            dst[x + 1] = rgb(src[y0 + 2], rv, guv, bu);
        }
    }
    return true;
}

}  // namespace skymra
