#include "stream/stream_source.h"

#include "camera/video_frame.h"
#include "stream/stream_address.h"

#include <QHash>
#include <QMediaFormat>
#include <QMediaMetaData>
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace skymra {
namespace {

// A camera that sends nothing but unreadable pictures for this long is given up.
constexpr int MaxUnreadableInARow = 25;
// What the network may buffer for us between two reads.
constexpr qint64 ReadBufferBytes = 256 * 1024;

bool isJpeg(const QByteArray& contentType) {
    const QByteArray type = contentType.split(';').first().trimmed().toLower();
    return type.isEmpty() || type == "image/jpeg" || type == "image/jpg" || type == "image/pjpeg";
}

// Qt's reasons end with a full stop; they go inside a sentence of ours.
QString clause(const QString& reason) {
    QString text = reason.trimmed();
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    return text;
}

}  // namespace

StreamSource::StreamSource(QUrl url, StreamTimeouts timeouts, QObject* parent)
    : FrameSource(parent),
      url_(std::move(url)),
      timeouts_(timeouts),
      // A player's frames are its decoder's, in our own memory.
      frames_(VideoSinkSource::Watchdog{timeouts.firstFrameMs, timeouts.stallMs},
              FrameMemory::Own) {
    connect(&frames_, &FrameSource::frameChanged, this, [this] {
        seenFrame_ = true;
        emit frameChanged();
    });
    connect(&frames_, &FrameSource::lost, this, [this](const QString&) {
        QString why = seenFrame_ ? tr("strömmen slutade skicka bilder")
                                 : tr("inga bilder kom på %1 s").arg(timeouts_.firstFrameMs / 1000);
        // Pictures came, but none could be shown: say why.
        if (unreadableInARow_ > 0) why += QStringLiteral(" (%1)").arg(lastUnreadable_);
        fail(why);
    });
    const QString scheme = url_.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        ask();
    } else {
        play();
    }
}

StreamSource::~StreamSource() { stop(); }

void StreamSource::stop() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_ = nullptr;
    }
    if (player_) {
        player_->disconnect(this);
        player_->stop();
    }
    pipeline_.reset();
    decoder_.reset();
}

void StreamSource::play() {
    if (url_.scheme().toLower() == QLatin1String("rtsp") && decode()) return;
    player_ = std::make_unique<QMediaPlayer>();
    connect(player_.get(), &QMediaPlayer::errorOccurred, this, &StreamSource::onPlayerError);
    connect(player_.get(), &QMediaPlayer::mediaStatusChanged, this, &StreamSource::onPlayerStatus);
    player_->setVideoOutput(frames_.sink());
    // A file loops. Qt 6.4 cannot loop a clip served over http (it fails at the seek): such a
    // clip ends, and is reconnected from its start like any stream that ends.
    if (isFileAddress(url_)) player_->setLoops(QMediaPlayer::Infinite);
    player_->setSource(url_);
    player_->play();
}

namespace {

// The Debian package that brings a decoder for `codec`.
QString packageFor(QMediaFormat::VideoCodec codec) {
    switch (codec) {
        case QMediaFormat::VideoCodec::VP8:
        case QMediaFormat::VideoCodec::VP9:
        case QMediaFormat::VideoCodec::MotionJPEG:
            return QStringLiteral("gstreamer1.0-plugins-good");
        case QMediaFormat::VideoCodec::Theora:
            return QStringLiteral("gstreamer1.0-plugins-base");
        default:
            return QStringLiteral("gstreamer1.0-libav");
    }
}

QString noDecoderFor(QMediaFormat::VideoCodec codec) {
    return StreamSource::tr("det finns ingen avkodare för %1 (paketet %2 har en)")
        .arg(QMediaFormat::videoCodecDescription(codec), packageFor(codec));
}

// What cameras send that this machine cannot decode (of `decodable`), when the codec itself is
// not known: the likely one and its package. Empty when it can decode them all.
QString likelyMissingDecoder(const QList<QMediaFormat::VideoCodec>& decodable) {
    QStringList lacking;
    for (const auto codec : {QMediaFormat::VideoCodec::H264, QMediaFormat::VideoCodec::H265}) {
        if (!decodable.contains(codec)) lacking << QMediaFormat::videoCodecDescription(codec);
    }
    if (lacking.isEmpty()) return {};
    return StreamSource::tr(
               "en avkodare saknas, troligen för %1 (paketet gstreamer1.0-libav har "
               "en)")
        .arg(lacking.join(StreamSource::tr(" eller ")));
}

// The codec of a GStreamer media type ("video/x-h264").
QMediaFormat::VideoCodec codecOfMediaType(const QString& type) {
    using Codec = QMediaFormat::VideoCodec;
    static const QHash<QString, Codec> codecs{
        {QStringLiteral("video/x-h264"), Codec::H264},
        {QStringLiteral("video/x-h265"), Codec::H265},
        {QStringLiteral("video/x-vp8"), Codec::VP8},
        {QStringLiteral("video/x-vp9"), Codec::VP9},
        {QStringLiteral("video/x-av1"), Codec::AV1},
        {QStringLiteral("video/x-theora"), Codec::Theora},
        {QStringLiteral("image/jpeg"), Codec::MotionJPEG},
        {QStringLiteral("video/mpeg"), Codec::MPEG4},
    };
    return codecs.value(type, Codec::Unspecified);
}

// What a player that cannot play says when a decoder is missing: the codec and the Debian
// package that decodes it, in Swedish, rather than GStreamer's English sentence. Empty for any
// other failure.
QString missingDecoder(const QMediaPlayer& player, const QString& message) {
    const QList<QMediaFormat::VideoCodec> decodable =
        QMediaFormat().supportedVideoCodecs(QMediaFormat::Decode);
    // The stream's own codec, where GStreamer got far enough to tell it.
    for (const QMediaMetaData& track : player.videoTracks()) {
        const auto codec =
            track.value(QMediaMetaData::VideoCodec).value<QMediaFormat::VideoCodec>();
        if (codec != QMediaFormat::VideoCodec::Unspecified && !decodable.contains(codec))
            return noDecoderFor(codec);
    }
    // Else, where GStreamer says a plug-in is missing (in English or Swedish; Qt 6.4 passes it
    // on as one kind of error or another), what cameras send that this machine cannot decode.
    if (!message.contains(QLatin1String("plug-in"), Qt::CaseInsensitive) &&
        !message.contains(QLatin1String("insticksmodul"), Qt::CaseInsensitive))
        return {};
    return likelyMissingDecoder(decodable);
}

}  // namespace

bool StreamSource::decode() {
    // The decoder's threads only post: what they say is taken up here, in turn.
    StreamDecoder::Events events;
    events.pictureReady = [this] {
        QMetaObject::invokeMethod(this, &StreamSource::onPicture, Qt::QueuedConnection);
    };
    events.failed = [this](const StreamFailure& failure) {
        QMetaObject::invokeMethod(
            this, [this, failure] { onDecoderFailed(failure); }, Qt::QueuedConnection);
    };
    pipeline_ =
        makeStreamDecoder(url_.toString(QUrl::FullyEncoded).toStdString(), std::move(events));
    return pipeline_ != nullptr;
}

void StreamSource::onPicture() {
    if (failed_ || !pipeline_) return;
    std::optional<DecodedPicture> picture = pipeline_->take();
    if (!picture) return;
    const QSize size(static_cast<int>(picture->width), static_cast<int>(picture->height));
    sentSize_ = size;
    frames_.showFrame([p = std::move(*picture), size](QSize atLeast) {
        return imageFromYuv420({p.y, p.yStride, p.u, p.v, p.uvStride, p.uvStep}, size,
                               p.bt709 ? YuvMatrix::Bt709 : YuvMatrix::Bt601,
                               p.fullRange ? YuvRange::Full : YuvRange::Limited, atLeast);
    });
}

void StreamSource::onDecoderFailed(const StreamFailure& failure) {
    const QString why = clause(QString::fromStdString(failure.message));
    const auto with = [&why](const QString& text) {
        return why.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, why);
    };
    switch (failure.kind) {
        case StreamFailure::Kind::MissingDecoder: {
            const auto codec = codecOfMediaType(QString::fromStdString(failure.missingType));
            if (codec != QMediaFormat::VideoCodec::Unspecified) {
                fail(noDecoderFor(codec));
                break;
            }
            const QString likely =
                likelyMissingDecoder(QMediaFormat().supportedVideoCodecs(QMediaFormat::Decode));
            fail(likely.isEmpty() ? with(tr("formatet kan inte spelas")) : likely);
            break;
        }
        case StreamFailure::Kind::Denied:
            fail(with(tr("åtkomst nekad")));
            break;
        case StreamFailure::Kind::Unplayable:
            fail(with(tr("formatet kan inte spelas")));
            break;
        case StreamFailure::Kind::Ended:
            fail(tr("strömmen tog slut"));
            break;
        case StreamFailure::Kind::Flood:
            fail(tr("källan skickade orimligt mycket data"));
            break;
        case StreamFailure::Kind::NoContact:
            fail(with(seenFrame_ ? tr("strömmen bröts") : tr("ingen kontakt med källan")));
            break;
    }
}

void StreamSource::onPlayerError(QMediaPlayer::Error error, const QString& message) {
    if (const QString decoder = missingDecoder(*player_, message); !decoder.isEmpty()) {
        fail(decoder);
        return;
    }
    const QString why = clause(message);
    // A file that is there but cannot be played is in a format GStreamer cannot read.
    if (isFileAddress(url_) && error == QMediaPlayer::ResourceError)
        error = QMediaPlayer::FormatError;
    switch (error) {
        case QMediaPlayer::FormatError:
            fail(tr("formatet kan inte spelas (%1)").arg(why));
            break;
        case QMediaPlayer::NetworkError:
            fail(tr("nätverksfel (%1)").arg(why));
            break;
        case QMediaPlayer::AccessDeniedError:
            fail(tr("åtkomst nekad (%1)").arg(why));
            break;
        default:
            fail(seenFrame_ ? tr("strömmen bröts (%1)").arg(why)
                            : tr("ingen kontakt med källan (%1)").arg(why));
            break;
    }
}

void StreamSource::onPlayerStatus(QMediaPlayer::MediaStatus status) {
    if (status == QMediaPlayer::InvalidMedia) fail(tr("formatet kan inte spelas"));
    if (status == QMediaPlayer::EndOfMedia) fail(tr("strömmen tog slut"));
}

void StreamSource::ask() {
    network_ = std::make_unique<QNetworkAccessManager>();
    QNetworkRequest request(url_);
    // Bytes flow all the time from a camera that works: a long pause means it is gone.
    request.setTransferTimeout(timeouts_.firstFrameMs);
    reply_ = network_->get(request);
    // A sender faster than we read is held back by TCP, not by our memory.
    reply_->setReadBufferSize(ReadBufferBytes);
    connect(reply_, &QIODevice::readyRead, this, &StreamSource::onReplyData);
    // A refusal is known from the status line: no need to wait for a body that may never come.
    // (Redirects and logins are Qt's to follow; they end in another status.)
    connect(reply_, &QNetworkReply::metaDataChanged, this, [this] {
        const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool settled =
            status >= 200 && (status < 300 || status >= 400) && status != 401 && status != 407;
        if (!failed_ && !parts_ && settled) chooseReader();
    });
    connect(reply_, &QNetworkReply::finished, this, &StreamSource::onReplyFinished);
}

// On the answer's first bytes: its own frames read here, or the player's business.
bool StreamSource::chooseReader() {
    if (parts_) return true;
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status > 299) {
        fail(tr("servern svarade %1 %2")
                 .arg(status)
                 .arg(reply_->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString()));
        return false;
    }
    const QByteArray type = reply_->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    std::optional<QByteArray> boundary = multipartBoundary(type);
    const QByteArray bare = type.split(';').first().trimmed().toLower();
    if (!boundary && (bare.isEmpty() || bare == "application/octet-stream")) {
        // Labelled as mere bytes: the body's first lines tell what it is.
        const SniffedMultipart sniffed = sniffMultipart(reply_->peek(SniffBytes));
        if (sniffed.verdict == SniffedMultipart::NeedMore && !reply_->isFinished()) return false;
        if (sniffed.verdict == SniffedMultipart::Yes) boundary = sniffed.boundary;
    }
    if (boundary) {
        parts_.emplace(*boundary);
        decoder_ = std::make_unique<JpegDecoder>();
        connect(decoder_.get(), &JpegDecoder::decoded, this, &StreamSource::onDecoded);
        connect(decoder_.get(), &JpegDecoder::unreadable, this, &StreamSource::onUnreadable);
        return true;
    }
    // A video file or playlist served over http: the player asks again itself.
    reply_->disconnect(this);
    reply_->abort();
    reply_ = nullptr;
    play();
    return false;
}

void StreamSource::onReplyData() {
    if (failed_ || !chooseReader()) return;
    const QList<MultipartSplitter::Part> parts = parts_->feed(reply_->readAll());
    // Only the newest picture counts; older ones would be replaced before anyone saw them.
    for (auto it = parts.crbegin(); it != parts.crend(); ++it) {
        if (isJpeg(it->contentType) && it->body.startsWith("\xff\xd8")) {
            decoder_->decode(it->body, frames_.captureSize());
            break;
        }
    }
}

void StreamSource::onDecoded(const QImage& picture, QSize full) {
    if (failed_) return;
    unreadableInARow_ = 0;
    sentSize_ = full;
    frames_.showImage(picture);
}

void StreamSource::onUnreadable(const QString& why) {
    lastUnreadable_ = why;
    if (!failed_ && ++unreadableInARow_ >= MaxUnreadableInARow) fail(why);
}

void StreamSource::onReplyFinished() {
    if (failed_ || !reply_) return;
    QNetworkReply* reply = reply_;
    if (reply->error() == QNetworkReply::NoError && !parts_ && !chooseReader()) return;
    const QString why = clause(reply->errorString());
    if (reply->error() == QNetworkReply::NoError) {
        fail(tr("strömmen tog slut"));
    } else if (seenFrame_) {
        fail(tr("strömmen bröts (%1)").arg(why));
    } else {
        fail(tr("ingen kontakt med källan (%1)").arg(why));
    }
}

void StreamSource::fail(const QString& why) {
    if (failed_) return;
    failed_ = true;
    stop();
    // Servers' and GStreamer's reasons can quote the address, login and all, or hold markup.
    emit lost(shownText(why, url_));
}

QStringList StreamSource::formats() const {
    const QSize size = sentSize_.isEmpty() ? frames_.sink()->videoSize() : sentSize_;
    if (size.isEmpty()) return {};
    return {tr("%1 × %2, som källan sänder").arg(size.width()).arg(size.height())};
}

QList<SourceSetting> StreamSource::settings() {
    return {SourceSetting::line(tr("Adress"), displayAddress(url_))};
}

}  // namespace skymra
