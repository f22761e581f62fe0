#include "stream/http_source.h"

namespace skymra {
namespace {

// A camera that sends nothing but unreadable pictures for this long is given up.
constexpr int MaxUnreadableInARow = 25;

}  // namespace

HttpSource::HttpSource(QUrl url, StreamTimeouts timeouts, QObject* parent)
    : StreamSource(std::move(url), timeouts, parent) {
    camera_ = HttpCamera::open(
        this->url(), timeouts.firstFrameMs, frames().captureSize(), [this](HttpCamera* camera) {
            connect(camera, &HttpCamera::picture, this, &HttpSource::onPicture);
            connect(camera, &HttpCamera::unreadable, this, &HttpSource::onUnreadable);
            connect(camera, &HttpCamera::failed, this, [this](const StreamFailure& why) {
                if (camera_) fail(why);
            });
            connect(camera, &HttpCamera::notACamera, this, &HttpSource::handOverToPlayer);
        });
}

HttpSource::~HttpSource() { stop(); }

void HttpSource::releaseCamera() {
    if (camera_) camera_->release();
    camera_ = nullptr;
}

void HttpSource::stop() {
    releaseCamera();
    if (player_) player_->disconnect(this);
    player_.reset();
}

void HttpSource::handOverToPlayer() {
    if (!camera_ || failed()) return;
    releaseCamera();
    player_ = std::make_unique<PlayerSource>(url(), timeouts());
    player_->setCaptureSize(frames().captureSize());
    connect(player_.get(), &FrameSource::frameChanged, this, &FrameSource::frameChanged);
    // Already in the user's words, with the password masked.
    connect(player_.get(), &FrameSource::lost, this, &FrameSource::lost);
    // The player's frames are the source's now; its own watchdog stands down.
    frames().disconnect(this);
}

QImage HttpSource::currentFrame() {
    return player_ ? player_->currentFrame() : StreamSource::currentFrame();
}

void HttpSource::setCaptureSize(QSize size) {
    StreamSource::setCaptureSize(size);
    if (camera_) camera_->setCaptureSize(size);
    if (player_) player_->setCaptureSize(size);
}

QStringList HttpSource::formats() const {
    return player_ ? player_->formats() : StreamSource::formats();
}

// Pictures read before the camera was let go may still arrive: they are not shown.
void HttpSource::onPicture(const QImage& picture, QSize full) {
    if (!camera_ || failed()) return;
    unreadableInARow_ = 0;
    setSentSize(full);
    frames().showImage(picture);
}

void HttpSource::onUnreadable(const StreamFailure& why) {
    if (!camera_ || failed()) return;
    setUnreadable(why);
    if (++unreadableInARow_ >= MaxUnreadableInARow) fail(why);
}

}  // namespace skymra
