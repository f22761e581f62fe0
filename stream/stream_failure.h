#pragma once

#include "platform/stream_failure.h"

#include <QMediaFormat>
#include <QString>

namespace skymra {

// Every stream failure in the user's words: the one place where a failure of any transport
// becomes a sentence. What a server or library said follows only as a quotation, so no foreign
// sentence stands as the program's own.
QString describe(const StreamFailure& failure);

// The failure a missing decoder for `codec` is (the media type GStreamer would name).
StreamFailure missingDecoder(QMediaFormat::VideoCodec codec);

}  // namespace skymra
