#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace skymra {

// Packed 4:2:2 camera pixels: two pixels in four bytes, sharing their colour.
enum class Yuv422 { Uyvy, Yuyv };

// Converts rows of 4:2:2 pixels (ITU-R BT.601, limited range, the common camera format) to
// opaque 0xFFRRGGBB pixels, width x height, rows of `stride` bytes in, `width` pixels out, by the
// same arithmetic as convertYuv420 at shrink 1.
// Returns false, writing nothing, when the buffers are too small for that or width is odd.
bool convertYuv422(std::span<const std::uint8_t> in, std::size_t stride, Yuv422 layout,
                   std::size_t width, std::size_t height, std::span<std::uint32_t> out);

// Planar 4:2:0 pixels, what video decoders give: a full-size luma plane and colour at half the
// size either way, in two planes (I420, YV12: `uvStep` 1) or interleaved in one (NV12, NV21:
// `uvStep` 2, `u` and `v` one byte apart).
struct Yuv420 {
    std::span<const std::uint8_t> y;
    std::size_t yStride = 0;
    std::span<const std::uint8_t> u, v;
    std::size_t uvStride = 0;
    std::size_t uvStep = 1;
};

// The matrices of standard definition (BT.601) and high definition (BT.709), and the range of
// the values: limited (16 to 235, video's) or full (0 to 255, JPEG's).
enum class YuvMatrix { Bt601, Bt709 };
enum class YuvRange { Limited, Full };

// Converts width x height 4:2:0 pixels to opaque 0xFFRRGGBB pixels, made `shrink` times smaller
// either way on the way: each pixel out is the mean of shrink x shrink lumas and the colour at
// their middle. Out: (width / shrink) x (height / shrink) pixels, in rows of that width. Returns
// false, writing nothing, when a plane is too small for the size, shrink is 0 or uvStep is
// neither 1 nor 2.
bool convertYuv420(const Yuv420& in, YuvMatrix matrix, YuvRange range, std::size_t width,
                   std::size_t height, std::size_t shrink, std::span<std::uint32_t> out);

}  // namespace skymra
