#pragma once

#include "camera/video_frame.h"
#include "sources/frame.h"
#include "sources/frame_source.h"

#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>

#include <functional>
#include <optional>

namespace skymra {

// Frames that arrive in a QVideoSink (from a camera, a media player, or in tests whoever feeds
// it) or as pictures decoded elsewhere, read and normalised only when one is asked for. With a
// watchdog, a source whose first frame takes longer than firstFrameMs, or whose frames then stop
// for stallMs, counts as gone.
class VideoSinkSource : public FrameSource {
    Q_OBJECT
  public:
    struct Watchdog {
        int firstFrameMs = 5000;
        int stallMs = 2000;
    };

    explicit VideoSinkSource(std::optional<Watchdog> watchdog = std::nullopt,
                             FrameMemory memory = FrameMemory::MayVanish,
                             QObject* parent = nullptr);

    QVideoSink* sink() { return &sink_; }
    const QVideoSink* sink() const { return &sink_; }
    // A picture decoded elsewhere, taken as the newest frame.
    void showImage(const QImage& picture);
    // The newest frame, read by `read` (given the capture size) only when one is asked for.
    using Reader = std::function<QImage(QSize atLeast)>;
    void showFrame(Reader read);

    QImage currentFrame() override;
    void setCaptureSize(QSize size) override { frame_.setCaptureSize(size); }
    QSize captureSize() const { return frame_.captureSize(); }
    QStringList formats() const override { return {}; }
    int currentFormat() const override { return -1; }
    void setFormat(int) override {}

  private:
    void onFrame(const QVideoFrame& frame);

    QVideoSink sink_;
    Reader read_;
    NormalisedFrame frame_;
    std::optional<Watchdog> timeouts_;
    FrameMemory memory_;
    QTimer watchdog_;
};

}  // namespace skymra
