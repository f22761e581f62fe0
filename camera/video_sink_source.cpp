#include "camera/video_sink_source.h"

#include "camera/video_frame.h"

namespace skymra {

VideoSinkSource::VideoSinkSource(std::optional<Watchdog> watchdog, FrameMemory memory,
                                 QObject* parent)
    : FrameSource(parent), timeouts_(watchdog), memory_(memory) {
    // Kept cheap: a camera's thread waits for this slot on every frame.
    connect(&sink_, &QVideoSink::videoFrameChanged, this, &VideoSinkSource::onFrame);
    watchdog_.setSingleShot(true);
    connect(&watchdog_, &QTimer::timeout, this,
            [this] { emit lost(tr("Kameran slutade skicka bilder")); });
    if (timeouts_) watchdog_.start(timeouts_->firstFrameMs);
}

void VideoSinkSource::onFrame(const QVideoFrame& frame) {
    if (!frame.isValid()) return;
    // Not read here: a frame is read when one is needed, and then only through a guarded copy
    // (a frame that arrives as a PipeWire camera goes can point into memory already given back).
    showFrame([frame, memory = memory_](QSize atLeast) {
        return imageFromVideoFrame(frame, atLeast, memory);
    });
}

void VideoSinkSource::showImage(const QImage& picture) {
    if (picture.isNull()) return;
    showFrame([picture](QSize) { return picture; });
}

void VideoSinkSource::showFrame(Reader read) {
    read_ = std::move(read);
    frame_.invalidate();
    if (timeouts_) watchdog_.start(timeouts_->stallMs);
    emit frameChanged();
}

QImage VideoSinkSource::currentFrame() {
    // Converting costs milliseconds: only when a frame is asked for, once per frame.
    return frame_.get([this] { return read_ ? read_(frame_.captureSize()) : QImage(); });
}

}  // namespace skymra
