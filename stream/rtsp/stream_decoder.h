#pragma once

#include "stream/stream_failure.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace skymra {

// A decoder's picture as it left the decoder, in 4:2:0 planes (two colour planes, or one with
// `u` and `v` interleaved: `uvStep` 2), readable for as long as `hold` lives.
struct DecodedPicture {
    std::size_t width = 0, height = 0;
    std::span<const std::uint8_t> y, u, v;
    std::size_t yStride = 0, uvStride = 0, uvStep = 1;
    bool bt709 = false;
    bool fullRange = false;
    std::shared_ptr<const void> hold;
};

// A network camera's stream received and decoded by GStreamer's own pipeline, its pictures
// handed over as the decoder left them: no player's video output, no conversion before they are
// asked for. The events come from GStreamer's threads; nothing comes after destruction, and
// destruction waits for nothing: a stream that never flowed has its own connection ended, and the
// rest of its teardown goes on on a thread of its own.
class StreamDecoder {
  public:
    struct Events {
        std::function<void()> pictureReady;  // once, until the picture is taken
        std::function<void(const StreamFailure&)> failed;
        // Once the teardown after destruction is over, on the thread that did it: the one
        // event that comes after.
        std::function<void()> stopped;
    };
    virtual ~StreamDecoder() = default;
    // The newest picture since the last call, if one came.
    virtual std::optional<DecodedPicture> take() = 0;
};

// A started decoder for the stream at `uri` (rtsp) where the program has GStreamer (Linux); else
// none, and the caller plays the stream some other way.
std::unique_ptr<StreamDecoder> makeStreamDecoder(const std::string& uri,
                                                 StreamDecoder::Events events);

}  // namespace skymra
