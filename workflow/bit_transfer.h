#pragma once

#include <QImage>

#include <cstdint>
#include <span>

namespace skymra {

// The bytes of a picture's bits as Format_RGB32 (rows top first, no padding at 4 bytes a pixel)
// into the buffer, as far as the picture reaches; the rest of the buffer becomes zero.
void readBits(const QImage& picture, std::span<std::int32_t> pixels);

// The buffer into an RGB32 image's bits, as far as either reaches.
void writeBits(std::span<const std::int32_t> pixels, QImage& image);

}  // namespace skymra
