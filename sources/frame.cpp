#include "sources/frame.h"

#include "detect/pixels.h"

#include <cstdint>
#include <span>
#include <utility>

namespace skymra {

void makeOpaque(QImage& image) {
    const auto width = static_cast<std::size_t>(image.width());
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        makeOpaque(std::span(row, width));
    }
}

QImage normaliseFrame(QImage frame, QSize captureSize) {
    if (frame.isNull() || captureSize.isEmpty()) return {};
    QImage source = std::move(frame);
    const qint64 w = source.width(), h = source.height();
    if (w * 3 > h * 4) {  // wider than 4:3
        const int cropped = static_cast<int>(h * 4 / 3);
        source = source.copy((source.width() - cropped) / 2, 0, cropped, source.height());
    }
    // A frame of the capture size is taken over as it is, not copied, unless shared.
    QImage out = source.size() == captureSize
                     ? std::move(source).convertToFormat(QImage::Format_RGB32)
                     : source.scaled(captureSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                           .convertToFormat(QImage::Format_RGB32);
    makeOpaque(out);
    return out;
}

}  // namespace skymra
