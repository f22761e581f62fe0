#pragma once

#include "camera/video_sink_source.h"
#include "platform/stream_decoder.h"
#include "sources/frame_source.h"
#include "stream/jpeg_decoder.h"
#include "stream/multipart.h"

#include <QMediaPlayer>
#include <QUrl>

#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace skymra {

struct StreamTimeouts {
    int firstFrameMs = 8000;  // a network camera can take seconds to answer
    int stallMs = 3000;
};

// Frames from a network camera, a video stream or a file, handed on through the same conversion
// and watchdog as a camera's. An rtsp camera's pictures come straight from the platform's decoder
// where it has one (a media player's video output would cost more than decoding them); other
// rtsp addresses and files play through QMediaPlayer, and a file loops. An http(s) address is asked
// first: a multipart answer is a network camera's JPEG frames, read here, because Qt 6.4's player
// buffers such an endless stream and never shows a frame of it; any other answer plays through
// QMediaPlayer.
class StreamSource : public FrameSource {
    Q_OBJECT
  public:
    explicit StreamSource(QUrl url, StreamTimeouts timeouts = {}, QObject* parent = nullptr);
    ~StreamSource() override;

    QUrl url() const { return url_; }

    QImage currentFrame() override { return frames_.currentFrame(); }
    void setCaptureSize(QSize size) override { frames_.setCaptureSize(size); }
    QStringList formats() const override;
    int currentFormat() const override { return formats().isEmpty() ? -1 : 0; }
    void setFormat(int) override {}
    QList<SourceSetting> settings() override;

  private:
    void play();
    bool decode();
    void onPicture();
    void onDecoderFailed(const StreamFailure& failure);
    void ask();
    void onReplyData();
    void onReplyFinished();
    // Whether the answer's frames are read here; false for the player's, a refusal, or while
    // a body of no stated type has not yet shown what it is.
    bool chooseReader();
    void onDecoded(const QImage& picture, QSize full);
    void onUnreadable(const QString& why);
    void onPlayerError(QMediaPlayer::Error error, const QString& why);
    void onPlayerStatus(QMediaPlayer::MediaStatus status);
    void fail(const QString& why);
    void stop();

    QUrl url_;
    StreamTimeouts timeouts_;
    VideoSinkSource frames_;
    std::unique_ptr<StreamDecoder> pipeline_;
    std::unique_ptr<QMediaPlayer> player_;
    std::unique_ptr<QNetworkAccessManager> network_;
    QNetworkReply* reply_ = nullptr;  // owned by network_
    std::optional<MultipartSplitter> parts_;
    std::unique_ptr<JpegDecoder> decoder_;
    QSize sentSize_;  // the pictures' own size, before they were read scaled down
    int unreadableInARow_ = 0;
    QString lastUnreadable_;
    bool seenFrame_ = false;
    bool failed_ = false;
};

}  // namespace skymra
