#pragma once

#include "capture/frame.h"
#include "capture/frame_source.h"

#include <QCamera>
#include <QMediaCaptureSession>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>

#include <memory>
#include <optional>

namespace skymra {

// Of a camera's formats' sizes, the one it is opened with: the capture size, else twice it, else
// the smallest 4:3 one; -1 when none fits.
int preferredFormat(const QList<QSize>& resolutions);

// Frames from a QVideoSink, fed by a system camera (or, in tests, by whoever owns the sink).
// A camera whose first frame takes longer than firstFrameMs, or whose frames then stop for stallMs,
// counts as gone.
class CameraSource : public FrameSource {
    Q_OBJECT
  public:
    struct Watchdog {
        int firstFrameMs = 5000;
        int stallMs = 2000;
    };

    // Without a camera the sink is fed from outside, watched only when a watchdog is given.
    explicit CameraSource(std::unique_ptr<QCamera> camera = {},
                          std::optional<Watchdog> watchdog = std::nullopt,
                          QObject* parent = nullptr);
    ~CameraSource() override;

    QVideoSink* sink() { return &sink_; }
    const QVideoSink* sink() const { return &sink_; }

    // A picture decoded elsewhere, taken as the newest frame.
    void showImage(const QImage& picture);

    QImage currentFrame() override;
    void setCaptureSize(QSize size) override;
    QStringList formats() const override;
    int currentFormat() const override;
    void setFormat(int index) override;
    QWidget* createSettingsWidget(QWidget* parent) override;

  private:
    void onFrame(const QVideoFrame& frame);
    void arrived();
    QList<QCameraFormat> usableFormats() const;

    QVideoSink sink_;
    QMediaCaptureSession session_;
    std::unique_ptr<QCamera> camera_;
    QVideoFrame lastFrame_;
    QImage lastPicture_;
    QImage converted_;
    bool convertedIsCurrent_ = false;
    QSize captureSize_ = DefaultCaptureSize;
    std::optional<Watchdog> timeouts_;
    QTimer watchdog_;
};

}  // namespace skymra
