#include "tests/support/fakes.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <QVideoFrame>

#include <cstring>

namespace skymra::test {

void FakeClipboard::clear() {
    if (refuseClear) throw ClipboardError::unreachable();
    ++clears;
    content = QImage();
}

void FakeClipboard::setImage(const QImage& image) {
    if (refuseSet) throw ClipboardError::refused();
    content = image;
}

QImage FakeClipboard::image() const { return content; }

std::unique_ptr<FrameSource> FakeCatalog::open(const QByteArray& id) {
    if (!listsCamera(cameras_, id) || broken.contains(id)) return nullptr;
    return fed();
}

std::unique_ptr<FrameSource> FakeCatalog::fed() {
    auto source = std::make_unique<VideoSinkSource>(watchdog);
    opened_ = source.get();
    return source;
}

std::unique_ptr<FrameSource> FakeCatalog::openStream(const QUrl& url) {
    streamsOpened.append(url);
    return fed();
}

void FakeCatalog::addCamera(const QByteArray& id) {
    cameras_.append({id, QString::fromLatin1(id)});
    emit camerasChanged();
}

void FakeCatalog::removeCamera(const QByteArray& id) {
    cameras_.removeIf([&](const CameraInfo& c) { return c.id == id; });
    emit camerasChanged();
}

void postClick(QWidget* w, QPoint at) {
    const QPointF where = at.isNull() ? QPointF(w->rect().center()) : QPointF(at);
    QCoreApplication::postEvent(
        w, new QMouseEvent(QEvent::MouseButtonPress, where, w->mapToGlobal(where), Qt::LeftButton,
                           Qt::LeftButton, {}));
    QCoreApplication::postEvent(
        w, new QMouseEvent(QEvent::MouseButtonRelease, where, w->mapToGlobal(where), Qt::LeftButton,
                           Qt::NoButton, {}));
}

bool passTimersDueWithin(int ms) {
    bool passed = false;
    // Past the 5 % a coarse timer may be moved by.
    QTimer::singleShot(ms + ms / 10 + 20, Qt::PreciseTimer, [&] { passed = true; });
    return QTest::qWaitFor([&] { return passed; }, 60000 + ms);
}

QImage solid(QColor colour, QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

QVideoFrame frameFromImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_ARGB32);
    QVideoFrame frame(QVideoFrameFormat(rgb.size(), QVideoFrameFormat::Format_BGRA8888));
    if (!frame.map(QVideoFrame::WriteOnly)) return {};
    for (int y = 0; y < rgb.height(); ++y) {
        std::memcpy(frame.bits(0) + y * frame.bytesPerLine(0), rgb.constScanLine(y),
                    static_cast<std::size_t>(rgb.width()) * 4);
    }
    frame.unmap();
    return frame;
}

QVideoFrame solidFrame(QSize size, QVideoFrameFormat::PixelFormat format, QColor color) {
    QVideoFrame frame(QVideoFrameFormat(size, format));
    if (!frame.map(QVideoFrame::WriteOnly)) return {};
    const int w = size.width(), h = size.height();
    // BT.601 limited range, as the YUV formats expect by default.
    const double r = color.red(), g = color.green(), b = color.blue();
    const auto y = static_cast<uchar>(16 + 0.257 * r + 0.504 * g + 0.098 * b);
    const auto u = static_cast<uchar>(128 - 0.148 * r - 0.291 * g + 0.439 * b);
    const auto v = static_cast<uchar>(128 + 0.439 * r - 0.368 * g - 0.071 * b);
    switch (format) {
        case QVideoFrameFormat::Format_BGRA8888:
            for (int row = 0; row < h; ++row) {
                uchar* p = frame.bits(0) + row * frame.bytesPerLine(0);
                for (int x = 0; x < w; ++x) {
                    p[4 * x] = static_cast<uchar>(b);
                    p[4 * x + 1] = static_cast<uchar>(g);
                    p[4 * x + 2] = static_cast<uchar>(r);
                    p[4 * x + 3] = 0x80;  // an alpha the tool must not keep
                }
            }
            break;
        case QVideoFrameFormat::Format_NV12:
            for (int row = 0; row < h; ++row)
                std::memset(frame.bits(0) + row * frame.bytesPerLine(0), y, w);
            for (int row = 0; row < h / 2; ++row) {
                uchar* p = frame.bits(1) + row * frame.bytesPerLine(1);
                for (int x = 0; x < w / 2; ++x) {
                    p[2 * x] = u;
                    p[2 * x + 1] = v;
                }
            }
            break;
        case QVideoFrameFormat::Format_YUYV:
            for (int row = 0; row < h; ++row) {
                uchar* p = frame.bits(0) + row * frame.bytesPerLine(0);
                for (int x = 0; x < w / 2; ++x) {
                    p[4 * x] = y;
                    p[4 * x + 1] = u;
                    p[4 * x + 2] = y;
                    p[4 * x + 3] = v;
                }
            }
            break;
        default:
            break;
    }
    frame.unmap();
    return frame;
}

}  // namespace skymra::test
