#pragma once

#include "camera/video_sink_source.h"
#include "sources/frame_source.h"
#include "stream/stream_failure.h"

#include <QSize>
#include <QUrl>

#include <memory>

namespace skymra {

struct StreamTimeouts {
    int firstFrameMs = 8000;  // a network camera can take seconds to answer
    int stallMs = 3000;
};

// What every way of receiving a stream shares: the frames, handed on through the same
// conversion and watchdog as a camera's, and the one way a failure leaves it, worded once
// (stream_failure.h) with every password masked. Each transport says why it failed as a
// StreamFailure and closes only what it opened itself.
class StreamSource : public FrameSource {
    Q_OBJECT
  public:
    QUrl url() const { return url_; }

    QImage currentFrame() override { return frames_.currentFrame(); }
    void setCaptureSize(QSize size) override { frames_.setCaptureSize(size); }
    QStringList formats() const override;
    int currentFormat() const override { return formats().isEmpty() ? -1 : 0; }
    void setFormat(int) override {}
    QList<SourceSetting> settings() override;

  protected:
    StreamSource(QUrl url, StreamTimeouts timeouts, QObject* parent);

    // Once: the transport stops, and the user is told why.
    void fail(const StreamFailure& failure);
    bool failed() const { return failed_; }
    bool seenFrame() const { return seenFrame_; }
    // The pictures' own size, before they were read scaled down.
    void setSentSize(QSize size) { sentSize_ = size; }
    // A reason the pictures could not be shown, kept for when the watchdog gives up.
    void setUnreadable(const StreamFailure& why) { unreadable_ = why; }
    VideoSinkSource& frames() { return frames_; }
    const StreamTimeouts& timeouts() const { return timeouts_; }

  private:
    // Stops whatever the transport opened; nothing of it is heard from after.
    virtual void stop() = 0;

    QUrl url_;
    StreamTimeouts timeouts_;
    VideoSinkSource frames_;
    QSize sentSize_;
    std::optional<StreamFailure> unreadable_;
    bool seenFrame_ = false;
    bool failed_ = false;
};

}  // namespace skymra
