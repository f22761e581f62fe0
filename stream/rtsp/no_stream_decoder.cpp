#include "stream/rtsp/stream_decoder.h"

namespace skymra {

// Without GStreamer (Windows): Media Foundation's player already hands decoded frames over in
// their own format.
std::unique_ptr<StreamDecoder> makeStreamDecoder(const std::string&, StreamDecoder::Events) {
    return nullptr;
}

}  // namespace skymra
