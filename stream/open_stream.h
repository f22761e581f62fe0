#pragma once

#include "stream/stream_source.h"

namespace skymra {

// The source for a stream's address: an rtsp camera through GStreamer's pipeline where the
// program has one, an http(s) address asked by the program itself, anything else through a
// media player.
std::unique_ptr<FrameSource> openStream(const QUrl& url, StreamTimeouts timeouts = {});

}  // namespace skymra
