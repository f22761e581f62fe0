#include "workflow/bit_transfer.h"

#include <algorithm>
#include <cstring>

namespace skymra {

void readBits(const QImage& picture, std::span<std::int32_t> pixels) {
    const std::size_t want = pixels.size_bytes();
    std::size_t copied = 0;
    if (!picture.isNull()) {
        const QImage rgb = picture.format() == QImage::Format_RGB32
                               ? picture
                               : picture.convertToFormat(QImage::Format_RGB32);
        // RGB32 rows are 4-byte aligned already, so the bits are contiguous.
        copied = std::min(want, static_cast<std::size_t>(rgb.sizeInBytes()));
        std::memcpy(pixels.data(), rgb.constBits(), copied);
    }
    std::memset(reinterpret_cast<char*>(pixels.data()) + copied, 0, want - copied);
}

void writeBits(std::span<const std::int32_t> pixels, QImage& image) {
    if (image.isNull() || image.format() != QImage::Format_RGB32) return;
    const std::size_t n =
        std::min(pixels.size_bytes(), static_cast<std::size_t>(image.sizeInBytes()));
    std::memcpy(image.bits(), pixels.data(), n);
}

}  // namespace skymra
