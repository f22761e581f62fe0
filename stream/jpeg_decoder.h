#pragma once

#include "stream/stream_failure.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace skymra {

// The largest picture a network camera may declare: 8K UHD and a little more. Larger ones are
// refused from their header, before anything is allocated for them.
constexpr int MaxJpegSide = 8192;
constexpr qint64 MaxJpegPixels = 40'000'000;

// A JPEG read at the smallest of libjpeg's scales (1, 1/2, 1/4, 1/8) that still covers `atLeast`
// once cropped to 4:3, which costs a fraction of a full decode; a null image and the reason
// when it cannot be read.
// `full` is set to the picture's own size when its header could be read.
QImage decodeJpeg(const QByteArray& jpeg, QSize atLeast, StreamFailure* why = nullptr,
                  QSize* full = nullptr);

}  // namespace skymra
