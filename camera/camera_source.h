#pragma once

#include "camera/video_sink_source.h"
#include "sources/frame_source.h"

#include <QCamera>
#include <QMediaCaptureSession>

#include <memory>

namespace skymra {

// Of a camera's formats' sizes, the one it is opened with: the capture size, else twice it, else
// the smallest 4:3 one; -1 when none fits.
int preferredFormat(const QList<QSize>& resolutions);

// A system camera: opened in a small format, its frames taken through a watched sink.
class CameraSource : public FrameSource {
    Q_OBJECT
  public:
    explicit CameraSource(std::unique_ptr<QCamera> camera, QObject* parent = nullptr);
    ~CameraSource() override;

    QImage currentFrame() override { return frames_.currentFrame(); }
    void setCaptureSize(QSize size) override { frames_.setCaptureSize(size); }
    QStringList formats() const override;
    int currentFormat() const override;
    void setFormat(int index) override;
    QList<SourceSetting> settings() override;

  private:
    QList<QCameraFormat> usableFormats() const;

    VideoSinkSource frames_;
    QMediaCaptureSession session_;
    std::unique_ptr<QCamera> camera_;
};

}  // namespace skymra
