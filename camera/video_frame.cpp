#include "camera/video_frame.h"

#include "camera/yuv.h"
#include "platform/guarded_copy.h"

#include <QVideoFrame>

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

namespace skymra {

namespace {

// The frame's planes, mapped for as long as this lives, and copied out first where its memory
// may go while it is read (a camera's). None when the frame cannot be mapped or the memory is
// gone already.
class FramePlanes {
  public:
    FramePlanes(const QVideoFrame& frame, FrameMemory memory) : mapped_(frame) {
        if (!mapped_.map(QVideoFrame::ReadOnly)) return;
        const bool copy = memory == FrameMemory::MayVanish;
        if (copy) copies_.resize(static_cast<std::size_t>(mapped_.planeCount()));
        for (int i = 0; i < mapped_.planeCount(); ++i) {
            const auto size = static_cast<std::size_t>(mapped_.mappedBytes(i));
            const std::uint8_t* bits = mapped_.bits(i);
            if (copy) {
                QByteArray& to = copies_[static_cast<std::size_t>(i)];
                to.resize(static_cast<qsizetype>(size));
                if (!guardedCopy(to.data(), bits, size)) {
                    planes_.clear();
                    return;
                }
                bits = reinterpret_cast<const std::uint8_t*>(to.constData());
            }
            planes_.push_back(
                {std::span(bits, size), static_cast<std::size_t>(mapped_.bytesPerLine(i))});
        }
    }
    ~FramePlanes() {
        if (mapped_.isMapped()) mapped_.unmap();
    }
    FramePlanes(const FramePlanes&) = delete;
    FramePlanes& operator=(const FramePlanes&) = delete;

    std::size_t count() const { return planes_.size(); }
    std::size_t stride(std::size_t i) const { return planes_[i].stride; }
    std::span<const std::uint8_t> bytes(std::size_t i, std::size_t from = 0) const {
        const auto all = planes_[i].bytes;
        return from < all.size() ? all.subspan(from) : std::span<const std::uint8_t>();
    }

  private:
    struct Plane {
        std::span<const std::uint8_t> bytes;
        std::size_t stride;
    };
    QVideoFrame mapped_;
    std::vector<QByteArray> copies_;
    std::vector<Plane> planes_;
};

// The largest whole factor by which a picture can shrink and still cover `atLeast`.
std::size_t shrinkFor(std::size_t w, std::size_t h, QSize atLeast) {
    if (atLeast.isEmpty()) return 1;
    return std::max<std::size_t>(1, std::min(w / static_cast<std::size_t>(atLeast.width()),
                                             h / static_cast<std::size_t>(atLeast.height())));
}

// A decoder's 4:2:0 frame, mapped as it is: Qt 6.4 would convert it whole, through the graphics
// card where there is one, before the normalisation throws most of it away.
QImage fromYuv420(const QVideoFrame& frame, YuvMatrix matrix, QSize atLeast, FrameMemory memory) {
    const FramePlanes planes(frame, memory);
    Yuv420 in;
    switch (frame.pixelFormat()) {
        case QVideoFrameFormat::Format_YUV420P:
        case QVideoFrameFormat::Format_YV12: {
            if (planes.count() < 3) return {};
            const bool swapped = frame.pixelFormat() == QVideoFrameFormat::Format_YV12;
            in = {planes.bytes(0),
                  planes.stride(0),
                  planes.bytes(swapped ? 2 : 1),
                  planes.bytes(swapped ? 1 : 2),
                  planes.stride(1),
                  1};
            break;
        }
        case QVideoFrameFormat::Format_NV12:
        case QVideoFrameFormat::Format_NV21: {
            if (planes.count() < 2) return {};
            const bool swapped = frame.pixelFormat() == QVideoFrameFormat::Format_NV21;
            in = {planes.bytes(0),
                  planes.stride(0),
                  planes.bytes(1, swapped ? 1 : 0),
                  planes.bytes(1, swapped ? 0 : 1),
                  planes.stride(1),
                  2};
            break;
        }
        default:
            return {};
    }
    return imageFromYuv420(in, frame.size(), matrix, YuvRange::Limited, atLeast);
}

bool isYuv420(QVideoFrameFormat::PixelFormat format) {
    return format == QVideoFrameFormat::Format_YUV420P ||
           format == QVideoFrameFormat::Format_YV12 || format == QVideoFrameFormat::Format_NV12 ||
           format == QVideoFrameFormat::Format_NV21;
}

// Packed 4:2:2 frames, what most cameras send raw, converted here: several times faster than
// Qt 6.4's own CPU path, which the preview would otherwise pay for every frame shown.
QImage fromYuv422(const FramePlanes& planes, QSize size, Yuv422 layout) {
    QImage image(size, QImage::Format_RGB32);
    const auto w = static_cast<std::size_t>(size.width());
    const auto h = static_cast<std::size_t>(size.height());
    const bool ok = !image.isNull() &&
                    convertYuv422(planes.bytes(0), planes.stride(0), layout, w, h,
                                  std::span(reinterpret_cast<std::uint32_t*>(image.bits()), w * h));
    return ok ? image : QImage();
}

}  // namespace

QImage imageFromYuv420(const Yuv420& in, QSize size, YuvMatrix matrix, YuvRange range,
                       QSize atLeast) {
    if (size.isEmpty()) return {};
    auto w = static_cast<std::size_t>(size.width());
    const auto h = static_cast<std::size_t>(size.height());
    Yuv420 planes = in;
    if (!atLeast.isEmpty() && w * 3 > h * 4) {
        // Only the middle 4:3 that the normalisation keeps: the sides are never converted.
        const std::size_t shown = h * 4 / 3;
        const std::size_t left = (w - shown) / 2 & ~std::size_t{1};
        const std::size_t colour = left / 2 * in.uvStep;
        if (left > in.y.size() || colour > in.u.size() || colour > in.v.size()) return {};
        planes.y = in.y.subspan(left);
        planes.u = in.u.subspan(colour);
        planes.v = in.v.subspan(colour);
        w = shown;
    }
    const std::size_t shrink = shrinkFor(w, h, atLeast);
    QImage image(static_cast<int>(w / shrink), static_cast<int>(h / shrink), QImage::Format_RGB32);
    const bool ok =
        !image.isNull() && convertYuv420(planes, matrix, range, w, h, shrink,
                                         std::span(reinterpret_cast<std::uint32_t*>(image.bits()),
                                                   static_cast<std::size_t>(image.width()) *
                                                       static_cast<std::size_t>(image.height())));
    return ok ? image : QImage();
}

QImage imageFromVideoFrame(const QVideoFrame& frame, QSize atLeast, FrameMemory memory) {
    if (!frame.isValid()) return {};
    const auto format = frame.pixelFormat();
    const QVideoFrameFormat surface = frame.surfaceFormat();
    // What the conversions here assume; Qt's handles the rest.
    const bool limited = surface.colorRange() != QVideoFrameFormat::ColorRange_Full;
    const bool bt601 =
        limited && (surface.colorSpace() == QVideoFrameFormat::ColorSpace_Undefined ||
                    surface.colorSpace() == QVideoFrameFormat::ColorSpace_BT601);
    const bool bt709 = limited && surface.colorSpace() == QVideoFrameFormat::ColorSpace_BT709;
    if (isYuv420(format) && frame.handleType() == QVideoFrame::NoHandle && (bt601 || bt709)) {
        const QImage image =
            fromYuv420(frame, bt709 ? YuvMatrix::Bt709 : YuvMatrix::Bt601, atLeast, memory);
        if (!image.isNull()) return image;
    }
    const bool packed =
        format == QVideoFrameFormat::Format_UYVY || format == QVideoFrameFormat::Format_YUYV;
    // Raw camera formats can live in the camera server's memory: read them only through a copy.
    if (packed) {
        const FramePlanes planes(frame, memory);
        if (planes.count() == 0) return {};
        if (bt601) {
            const QImage image =
                fromYuv422(planes, frame.size(),
                           format == QVideoFrameFormat::Format_UYVY ? Yuv422::Uyvy : Yuv422::Yuyv);
            if (!image.isNull()) return image;
        }
    } else if (memory == FrameMemory::MayVanish && frame.planeCount() > 0 &&
               frame.handleType() == QVideoFrame::NoHandle &&
               FramePlanes(frame, memory).count() == 0) {
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
