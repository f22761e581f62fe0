#include "sources/frame.h"

#include "detect/pixels.h"

#include <cstdint>
#include <span>

namespace skymra {

void makeOpaque(QImage& image) {
    const auto width = static_cast<std::size_t>(image.width());
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        makeOpaque(std::span(row, width));
    }
}

QImage normaliseFrame(const QImage& frame, QSize captureSize) {
    if (frame.isNull() || captureSize.isEmpty()) return {};
    QImage source = frame;
    const qint64 w = frame.width(), h = frame.height();
    if (w * 3 > h * 4) {  // wider than 4:3
        const int cropped = static_cast<int>(h * 4 / 3);
        source = frame.copy((frame.width() - cropped) / 2, 0, cropped, frame.height());
    }
    QImage out = source.size() == captureSize
                     ? source.convertToFormat(QImage::Format_RGB32)
                     : source.scaled(captureSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                           .convertToFormat(QImage::Format_RGB32);
    makeOpaque(out);
    return out;
}

}  // namespace skymra
