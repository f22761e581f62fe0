#pragma once

#include "stream/stream_source.h"

#include <QMediaPlayer>

#include <memory>

namespace skymra {

// A file, or a stream no other transport takes, played by Qt's media player into the frames'
// sink. A file loops.
class PlayerSource : public StreamSource {
    Q_OBJECT
  public:
    explicit PlayerSource(QUrl url, StreamTimeouts timeouts = {}, QObject* parent = nullptr);
    ~PlayerSource() override;

  private:
    void onError(QMediaPlayer::Error error, const QString& message);
    void onStatus(QMediaPlayer::MediaStatus status);
    void stop() override;

    std::unique_ptr<QMediaPlayer> player_;
};

}  // namespace skymra
