#include "camera/video_frame.h"

#include "camera/yuv.h"
#include "platform/guarded_copy.h"

#include <QVideoFrame>

#include <cstdint>
#include <span>

namespace skymra {

namespace {

// The frame's first plane, copied out of its memory; empty when that memory is gone or the frame
// cannot be mapped.
struct Plane {
    QByteArray bytes;
    std::size_t stride = 0;
};
Plane copyFirstPlane(const QVideoFrame& frame) {
    QVideoFrame mapped = frame;
    if (!mapped.map(QVideoFrame::ReadOnly)) return {};
    Plane plane;
    plane.stride = static_cast<std::size_t>(mapped.bytesPerLine(0));
    plane.bytes.resize(mapped.mappedBytes(0));
    if (!guardedCopy(plane.bytes.data(), mapped.bits(0),
                     static_cast<std::size_t>(plane.bytes.size())))
        plane = {};
    mapped.unmap();
    return plane;
}

// Packed 4:2:2 frames, what most cameras send raw, converted here: several times faster than
// Qt 6.4's own CPU path, which the preview would otherwise pay for every frame shown.
QImage fromYuv422(const Plane& plane, QSize size, Yuv422 layout) {
    QImage image(size, QImage::Format_RGB32);
    const auto w = static_cast<std::size_t>(size.width());
    const auto h = static_cast<std::size_t>(size.height());
    const bool ok =
        !image.isNull() &&
        convertYuv422(std::span(reinterpret_cast<const std::uint8_t*>(plane.bytes.constData()),
                                static_cast<std::size_t>(plane.bytes.size())),
                      plane.stride, layout, w, h,
                      std::span(reinterpret_cast<std::uint32_t*>(image.bits()), w * h));
    return ok ? image : QImage();
}

}  // namespace

QImage imageFromVideoFrame(const QVideoFrame& frame) {
    if (!frame.isValid()) return {};
    const auto format = frame.pixelFormat();
    const QVideoFrameFormat surface = frame.surfaceFormat();
    // What the conversion here assumes; Qt's handles the rest.
    const bool bt601 = surface.colorRange() != QVideoFrameFormat::ColorRange_Full &&
                       (surface.colorSpace() == QVideoFrameFormat::ColorSpace_Undefined ||
                        surface.colorSpace() == QVideoFrameFormat::ColorSpace_BT601);
    const bool packed =
        format == QVideoFrameFormat::Format_UYVY || format == QVideoFrameFormat::Format_YUYV;
    // Raw camera formats can live in the camera server's memory: read them only through a copy.
    if (packed) {
        const Plane plane = copyFirstPlane(frame);
        if (plane.bytes.isEmpty()) return {};
        if (bt601) {
            const QImage image =
                fromYuv422(plane, frame.size(),
                           format == QVideoFrameFormat::Format_UYVY ? Yuv422::Uyvy : Yuv422::Yuyv);
            if (!image.isNull()) return image;
        }
    } else if (frame.planeCount() > 0 && frame.handleType() == QVideoFrame::NoHandle &&
               copyFirstPlane(frame).bytes.isEmpty()) {
        return {};  // gone: Qt's conversion would read it plainly
    }
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
