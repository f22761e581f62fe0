#include "stream/jpeg_decoder.h"

#include <QBuffer>
#include <QImageReader>

namespace skymra {
namespace {

// The largest of libjpeg's scale divisors whose result still covers the size wanted.
int scaleDivisor(QSize full, QSize atLeast) {
    const qint64 usableWidth = std::min<qint64>(full.width(), qint64{full.height()} * 4 / 3);
    int divisor = 8;
    while (divisor > 1 &&
           (usableWidth / divisor < atLeast.width() || full.height() / divisor < atLeast.height()))
        divisor /= 2;
    return divisor;
}

}  // namespace

QImage decodeJpeg(const QByteArray& jpeg, QSize atLeast, StreamFailure* why, QSize* full) {
    const auto fail = [&](StreamFailure::Kind kind, QSize size = {}) {
        if (why) {
            *why = streamFailure(kind);
            why->width = size.width();
            why->height = size.height();
        }
        return QImage();
    };
    if (!jpeg.startsWith("\xff\xd8")) return fail(StreamFailure::Kind::Unreadable);
    QBuffer buffer;
    buffer.setData(jpeg);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    const QSize size = reader.size();  // from the header alone
    if (!size.isValid() || size.isEmpty()) return fail(StreamFailure::Kind::Unreadable);
    if (full) *full = size;
    if (size.width() > MaxJpegSide || size.height() > MaxJpegSide ||
        qint64{size.width()} * size.height() > MaxJpegPixels) {
        return fail(StreamFailure::Kind::TooLarge, size);
    }
    const int divisor = scaleDivisor(size, atLeast);
    if (divisor > 1) {
        // Rounded up, as libjpeg does: then its own scaling is all there is.
        reader.setScaledSize(
            QSize((size.width() + divisor - 1) / divisor, (size.height() + divisor - 1) / divisor));
    }
    QImage image = reader.read();
    if (image.isNull()) return fail(StreamFailure::Kind::Unreadable);
    return image;
}

}  // namespace skymra
