#include "stream/player_source.h"

#include "stream/stream_address.h"
#include "stream/stream_failure.h"

#include <QMediaFormat>
#include <QMediaMetaData>

namespace skymra {
namespace {

// Whether a player that cannot play lacks a decoder: the stream's own codec where GStreamer got
// far enough to tell it, else where GStreamer says a plug-in is missing (in English or Swedish;
// Qt 6.4 passes it on as one kind of error or another).
std::optional<StreamFailure> lacksDecoder(const QMediaPlayer& player, const QString& message) {
    const QList<QMediaFormat::VideoCodec> decodable =
        QMediaFormat().supportedVideoCodecs(QMediaFormat::Decode);
    for (const QMediaMetaData& track : player.videoTracks()) {
        const auto codec =
            track.value(QMediaMetaData::VideoCodec).value<QMediaFormat::VideoCodec>();
        if (codec != QMediaFormat::VideoCodec::Unspecified && !decodable.contains(codec))
            return missingDecoder(codec);
    }
    if (message.contains(QLatin1String("plug-in"), Qt::CaseInsensitive) ||
        message.contains(QLatin1String("insticksmodul"), Qt::CaseInsensitive))
        return missingDecoder(QMediaFormat::VideoCodec::Unspecified);
    return std::nullopt;
}

}  // namespace

PlayerSource::PlayerSource(QUrl url, StreamTimeouts timeouts, QObject* parent)
    : StreamSource(std::move(url), timeouts, parent), player_(std::make_unique<QMediaPlayer>()) {
    connect(player_.get(), &QMediaPlayer::errorOccurred, this, &PlayerSource::onError);
    connect(player_.get(), &QMediaPlayer::mediaStatusChanged, this, &PlayerSource::onStatus);
    player_->setVideoOutput(frames().sink());
    // Qt 6.4 cannot loop a clip served over http (it fails at the seek): such a clip ends, and
    // is reconnected from its start like any stream that ends.
    if (isFileAddress(this->url())) player_->setLoops(QMediaPlayer::Infinite);
    player_->setSource(this->url());
    player_->play();
}

PlayerSource::~PlayerSource() { stop(); }

void PlayerSource::stop() {
    player_->disconnect(this);
    player_->stop();
}

void PlayerSource::onError(QMediaPlayer::Error error, const QString& message) {
    if (auto decoder = lacksDecoder(*player_, message)) return fail(*decoder);
    // A file that is there but cannot be played is in a format GStreamer cannot read.
    if (isFileAddress(url()) && error == QMediaPlayer::ResourceError)
        error = QMediaPlayer::FormatError;
    using Kind = StreamFailure::Kind;
    switch (error) {
        case QMediaPlayer::FormatError:
            return fail(streamFailure(Kind::Unplayable, message.toStdString()));
        case QMediaPlayer::AccessDeniedError:
            return fail(streamFailure(Kind::Denied, message.toStdString()));
        default:
            return fail(
                streamFailure(seenFrame() ? Kind::Broken : Kind::NoContact, message.toStdString()));
    }
}

void PlayerSource::onStatus(QMediaPlayer::MediaStatus status) {
    if (status == QMediaPlayer::InvalidMedia) fail(streamFailure(StreamFailure::Kind::Unplayable));
    if (status == QMediaPlayer::EndOfMedia) fail(streamFailure(StreamFailure::Kind::Ended));
}

}  // namespace skymra
