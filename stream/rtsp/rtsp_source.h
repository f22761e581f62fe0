#pragma once

#include "stream/rtsp/stream_decoder.h"
#include "stream/stream_source.h"

namespace skymra {

// An rtsp camera received and decoded by GStreamer's own pipeline, its 4:2:0 pictures
// converted here only when one is shown: a media player's video output would cost more than
// decoding them.
class RtspSource : public StreamSource {
    Q_OBJECT
  public:
    // None where the program has no GStreamer (Windows).
    static std::unique_ptr<RtspSource> open(const QUrl& url, StreamTimeouts timeouts);
    ~RtspSource() override;

  private:
    RtspSource(QUrl url, StreamTimeouts timeouts);
    void onPicture();
    void stop() override;

    std::unique_ptr<StreamDecoder> decoder_;
};

}  // namespace skymra
