#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace skymra {

// Packed 4:2:2 camera pixels: two pixels in four bytes, sharing their colour.
enum class Yuv422 { Uyvy, Yuyv };

// Converts rows of 4:2:2 pixels (ITU-R BT.601, limited range, the common camera format) to
// opaque 0xFFRRGGBB pixels, width x height, rows of `stride` bytes in, `width` pixels out.
// Returns false, writing nothing, when the buffers are too small for that or width is odd.
bool convertYuv422(std::span<const std::uint8_t> in, std::size_t stride, Yuv422 layout,
                   std::size_t width, std::size_t height, std::span<std::uint32_t> out);

}  // namespace skymra
