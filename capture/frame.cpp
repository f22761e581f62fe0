#include "capture/frame.h"

#include "detect/pixels.h"

#include <QVideoFrame>

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

QImage imageFromVideoFrame(const QVideoFrame& frame) {
    if (!frame.isValid()) return {};
    QImage image = frame.toImage();
    // A camera's fourth byte is padding, not alpha: reinterpret the bits instead of converting,
    // which would unpremultiply the colours by it.
    switch (image.format()) {
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied:
            image.reinterpretAsFormat(QImage::Format_RGB32);
            break;
        case QImage::Format_RGBA8888:
        case QImage::Format_RGBA8888_Premultiplied:
            image.reinterpretAsFormat(QImage::Format_RGBX8888);
            break;
        default:
            break;
    }
    return image;
}

}  // namespace skymra
