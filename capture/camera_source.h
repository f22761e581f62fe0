#pragma once

#include "capture/frame.h"
#include "capture/frame_source.h"

#include <QCamera>
#include <QMediaCaptureSession>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>

#include <memory>

namespace skymra {

// Frames from a QVideoSink, fed by a system camera (or, in tests, by whoever owns the sink).
// Frames that stop for StallMs count as the camera being gone.
class CameraSource : public FrameSource {
    Q_OBJECT
  public:
    static constexpr int StallMs = 2000;
    static constexpr int FirstFrameMs = 5000;

    // Without a camera the sink is fed from outside.
    explicit CameraSource(std::unique_ptr<QCamera> camera = {}, QObject* parent = nullptr);
    ~CameraSource() override;

    QVideoSink* sink() { return &sink_; }
    QCamera* camera() { return camera_.get(); }

    QImage currentFrame() override;
    void setCaptureSize(QSize size) override;
    QString name() const override;
    QStringList formats() const override;
    int currentFormat() const override;
    void setFormat(int index) override;
    QWidget* createSettingsWidget(QWidget* parent) override;

  private:
    void onFrame(const QVideoFrame& frame);
    QList<QCameraFormat> usableFormats() const;

    QVideoSink sink_;
    QMediaCaptureSession session_;
    std::unique_ptr<QCamera> camera_;
    QVideoFrame lastFrame_;
    QImage converted_;
    bool convertedIsCurrent_ = false;
    QSize captureSize_ = DefaultCaptureSize;
    QTimer watchdog_;
};

}  // namespace skymra
