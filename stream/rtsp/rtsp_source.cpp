#include "stream/rtsp/rtsp_source.h"

#include "camera/video_frame.h"

namespace skymra {

RtspSource::RtspSource(QUrl url, StreamTimeouts timeouts)
    : StreamSource(std::move(url), timeouts, nullptr) {}

std::unique_ptr<RtspSource> RtspSource::open(const QUrl& url, StreamTimeouts timeouts) {
    std::unique_ptr<RtspSource> source(new RtspSource(url, timeouts));
    RtspSource* self = source.get();
    // The decoder's threads only post: what they say is taken up here, in turn.
    StreamDecoder::Events events;
    events.pictureReady = [self] {
        QMetaObject::invokeMethod(self, &RtspSource::onPicture, Qt::QueuedConnection);
    };
    events.failed = [self](const StreamFailure& failure) {
        QMetaObject::invokeMethod(
            self, [self, failure] { self->fail(failure); }, Qt::QueuedConnection);
    };
    source->decoder_ =
        makeStreamDecoder(url.toString(QUrl::FullyEncoded).toStdString(), std::move(events));
    if (!source->decoder_) return nullptr;
    return source;
}

RtspSource::~RtspSource() { stop(); }

void RtspSource::stop() { decoder_.reset(); }

void RtspSource::onPicture() {
    if (failed() || !decoder_) return;
    std::optional<DecodedPicture> picture = decoder_->take();
    if (!picture) return;
    const QSize size(static_cast<int>(picture->width), static_cast<int>(picture->height));
    setSentSize(size);
    frames().showFrame([p = std::move(*picture), size](QSize atLeast) {
        return imageFromYuv420({p.y, p.yStride, p.u, p.v, p.uvStride, p.uvStep}, size,
                               p.bt709 ? YuvMatrix::Bt709 : YuvMatrix::Bt601,
                               p.fullRange ? YuvRange::Full : YuvRange::Limited, atLeast);
    });
}

}  // namespace skymra
