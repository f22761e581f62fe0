#include "stream/http_source.h"

namespace skymra {
namespace {

// A camera that sends nothing but unreadable pictures for this long is given up.
constexpr int MaxUnreadableInARow = 25;

bool isJpeg(const QByteArray& contentType) {
    const QByteArray type = contentType.split(';').first().trimmed().toLower();
    return type.isEmpty() || type == "image/jpeg" || type == "image/jpg" || type == "image/pjpeg";
}

}  // namespace

HttpSource::HttpSource(QUrl url, StreamTimeouts timeouts, QObject* parent)
    : StreamSource(std::move(url), timeouts, parent),
      // Bytes flow all the time from a camera that works: a long pause means it is gone.
      get_(std::make_unique<HttpGet>(this->url(), timeouts.firstFrameMs)) {
    connect(get_.get(), &HttpGet::answered, this, &HttpSource::onAnswered);
    connect(get_.get(), &HttpGet::bodyReady, this, &HttpSource::onBody);
    connect(get_.get(), &HttpGet::finished, this, &HttpSource::onFinished);
    connect(get_.get(), &HttpGet::failed, this, &HttpSource::fail);
}

HttpSource::~HttpSource() { stop(); }

void HttpSource::dropRequest() {
    if (!get_) return;
    get_->disconnect(this);
    get_->abort();
    get_.release()->deleteLater();
}

void HttpSource::stop() {
    dropRequest();
    decoder_.reset();
    if (player_) player_->disconnect(this);
    player_.reset();
}

void HttpSource::onAnswered() {
    const int status = get_->status();
    if (status >= 200 && status <= 299) {
        chooseReader();
        return;
    }
    using Kind = StreamFailure::Kind;
    const Kind kind = status == 401 || status == 403 || status == 407 ? Kind::Denied
                      : status == 404 || status == 410                ? Kind::NotFound
                                                                      : Kind::ServerError;
    StreamFailure refused =
        streamFailure(kind, kind == Kind::ServerError ? get_->reason().toStdString() : "");
    refused.status = status;
    fail(refused);
}

// On the answer's first bytes: its own frames read here, or the player's business.
bool HttpSource::chooseReader() {
    if (parts_) return true;
    if (!get_) return false;
    const QByteArray type = get_->header("content-type");
    std::optional<QByteArray> boundary = multipartBoundary(type);
    const QByteArray bare = type.split(';').first().trimmed().toLower();
    if (!boundary && (bare.isEmpty() || bare == "application/octet-stream")) {
        // Labelled as mere bytes: the body's first lines tell what it is.
        const SniffedMultipart sniffed = sniffMultipart(get_->body().left(SniffBytes));
        if (sniffed.verdict == SniffedMultipart::NeedMore && !get_->ended()) return false;
        if (sniffed.verdict == SniffedMultipart::Yes) boundary = sniffed.boundary;
    }
    if (boundary) {
        parts_.emplace(*boundary);
        decoder_ = std::make_unique<JpegDecoder>();
        connect(decoder_.get(), &JpegDecoder::decoded, this, &HttpSource::onDecoded);
        connect(decoder_.get(), &JpegDecoder::unreadable, this, [this](const StreamFailure& why) {
            setUnreadable(why);
            if (!failed() && ++unreadableInARow_ >= MaxUnreadableInARow) fail(why);
        });
        return true;
    }
    handOverToPlayer();
    return false;
}

void HttpSource::handOverToPlayer() {
    dropRequest();
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
    if (player_) player_->setCaptureSize(size);
}

QStringList HttpSource::formats() const {
    return player_ ? player_->formats() : StreamSource::formats();
}

void HttpSource::onBody() {
    if (failed() || !get_ || !chooseReader()) return;
    const QList<MultipartSplitter::Part> parts = parts_->feed(get_->takeBody());
    // Only the newest picture counts; older ones would be replaced before anyone saw them.
    for (auto it = parts.crbegin(); it != parts.crend(); ++it) {
        if (isJpeg(it->contentType) && it->body.startsWith("\xff\xd8")) {
            decoder_->decode(it->body, frames().captureSize());
            break;
        }
    }
}

void HttpSource::onFinished() {
    if (failed() || !get_) return;
    if (!parts_ && !chooseReader()) return;
    fail(streamFailure(StreamFailure::Kind::Ended));
}

void HttpSource::onDecoded(const QImage& picture, QSize full) {
    if (failed()) return;
    unreadableInARow_ = 0;
    setSentSize(full);
    frames().showImage(picture);
}

}  // namespace skymra
