#include "stream/stream_failure.h"

#include <QCoreApplication>
#include <QHash>

namespace skymra {
namespace {

QString tr(const char* text) { return QCoreApplication::translate("StreamFailure", text); }

using Codec = QMediaFormat::VideoCodec;

// GStreamer's media types of the codecs cameras send.
const QHash<QString, Codec>& codecsByMediaType() {
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
    return codecs;
}

// The Debian package that brings a decoder for `codec`.
QString packageFor(Codec codec) {
    switch (codec) {
        case Codec::VP8:
        case Codec::VP9:
        case Codec::MotionJPEG:
            return QStringLiteral("gstreamer1.0-plugins-good");
        case Codec::Theora:
            return QStringLiteral("gstreamer1.0-plugins-base");
        default:
            return QStringLiteral("gstreamer1.0-libav");
    }
}

QString noDecoder(const StreamFailure& failure) {
    const Codec codec =
        codecsByMediaType().value(QString::fromStdString(failure.mediaType), Codec::Unspecified);
    if (codec != Codec::Unspecified) {
        return tr("det finns ingen avkodare för %1 (paketet %2 har en)")
            .arg(QMediaFormat::videoCodecDescription(codec), packageFor(codec));
    }
    // The codec itself is not known: what cameras send that this machine cannot decode.
    const QList<Codec> decodable = QMediaFormat().supportedVideoCodecs(QMediaFormat::Decode);
    QStringList lacking;
    for (const auto c : {Codec::H264, Codec::H265}) {
        if (!decodable.contains(c)) lacking << QMediaFormat::videoCodecDescription(c);
    }
    if (lacking.isEmpty()) return tr("formatet kan inte spelas");
    return tr("en avkodare saknas, troligen för %1 (paketet gstreamer1.0-libav har en)")
        .arg(lacking.join(tr(" eller ")));
}

QString sentence(const StreamFailure& f) {
    using Kind = StreamFailure::Kind;
    switch (f.kind) {
        case Kind::NoContact:
            return tr("ingen kontakt med källan");
        case Kind::Broken:
            return tr("strömmen bröts");
        case Kind::Denied:
            return tr("åtkomst nekad, inloggningen saknas eller godtogs inte");
        case Kind::NotFound:
            return tr("källan finns inte");
        case Kind::ServerError:
            return tr("servern svarade %1").arg(f.status);
        case Kind::MissingDecoder:
            return noDecoder(f);
        case Kind::Unplayable:
            return tr("formatet kan inte spelas");
        case Kind::Unreadable:
            return tr("bilderna i strömmen kunde inte läsas");
        case Kind::TooLarge:
            return tr("bilderna i strömmen är för stora (%1 × %2 bildpunkter)")
                .arg(f.width)
                .arg(f.height);
        case Kind::NoPictures:
            return tr("inga bilder kom på %1 s").arg(f.seconds);
        case Kind::Stalled:
            return tr("strömmen slutade skicka bilder");
        case Kind::Flood:
            return tr("källan skickade orimligt mycket data");
        case Kind::Ended:
            return tr("strömmen tog slut");
    }
    return tr("ingen kontakt med källan");
}

}  // namespace

QString describe(const StreamFailure& failure) {
    QString detail = QString::fromStdString(failure.detail).simplified();
    // A library's sentence ends with a full stop; ours goes on after the quotation.
    if (detail.endsWith(QLatin1Char('.'))) detail.chop(1);
    const QString text = sentence(failure);
    if (detail.isEmpty()) return text;
    return tr("%1 (”%2”)").arg(text, detail);
}

StreamFailure missingDecoder(QMediaFormat::VideoCodec codec) {
    StreamFailure failure = streamFailure(StreamFailure::Kind::MissingDecoder);
    if (codec != Codec::Unspecified)
        failure.mediaType = codecsByMediaType().key(codec).toStdString();
    return failure;
}

}  // namespace skymra
