#pragma once

#include "stream/http_get.h"
#include "stream/jpeg_decoder.h"
#include "stream/multipart.h"
#include "stream/player_source.h"
#include "stream/stream_source.h"

#include <memory>
#include <optional>

namespace skymra {

// An http(s) address, asked by the program itself: a multipart answer is a network camera's
// JPEG frames, read here, because Qt 6.4's player buffers such an endless stream and never shows
// a frame of it; any other answer (a clip, a playlist) is played by a media player, which asks
// again itself.
class HttpSource : public StreamSource {
    Q_OBJECT
  public:
    explicit HttpSource(QUrl url, StreamTimeouts timeouts = {}, QObject* parent = nullptr);
    ~HttpSource() override;

    QImage currentFrame() override;
    void setCaptureSize(QSize size) override;
    QStringList formats() const override;

  private:
    void onAnswered();
    void onBody();
    void onFinished();
    // Whether the answer's frames are read here; false for the player's, a refusal, or while
    // a body of no stated type has not yet shown what it is.
    bool chooseReader();
    void handOverToPlayer();
    void onDecoded(const QImage& picture, QSize full);
    void stop() override;
    // Lets go of the request; it may be the one whose signal brought us here.
    void dropRequest();

    std::unique_ptr<HttpGet> get_;
    std::optional<MultipartSplitter> parts_;
    std::unique_ptr<JpegDecoder> decoder_;
    std::unique_ptr<PlayerSource> player_;
    int unreadableInARow_ = 0;
};

}  // namespace skymra
