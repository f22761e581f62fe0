#pragma once

#include "stream/http_camera.h"
#include "stream/player_source.h"
#include "stream/stream_source.h"

#include <memory>

namespace skymra {

// An http(s) address, asked by the program itself: a multipart answer is a network camera's
// JPEG frames, read on a thread of its own (http_camera.h), because Qt 6.4's player buffers such
// an endless stream and never shows a frame of it; any other answer (a clip, a playlist) is
// played by a media player, which asks again itself.
class HttpSource : public StreamSource {
    Q_OBJECT
  public:
    explicit HttpSource(QUrl url, StreamTimeouts timeouts = {}, QObject* parent = nullptr);
    ~HttpSource() override;

    QImage currentFrame() override;
    void setCaptureSize(QSize size) override;
    QStringList formats() const override;

  private:
    void handOverToPlayer();
    void onPicture(const QImage& picture, QSize full);
    void onUnreadable(const StreamFailure& why);
    void stop() override;
    void releaseCamera();

    HttpCamera* camera_ = nullptr;  // ends by itself once released
    std::unique_ptr<PlayerSource> player_;
    int unreadableInARow_ = 0;
};

}  // namespace skymra
