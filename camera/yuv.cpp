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
