#pragma once

#include "capture/clipboard.h"
#include "capture/frame.h"
#include "capture/frame_source.h"
#include "capture/source_catalog.h"

#include <QElapsedTimer>
#include <QWidget>

#include <memory>

namespace skymra {

// The capture control: a live preview that starts by itself, a copy of the current frame to the
// clipboard and two settings dialogs. Without a camera it shows the built-in scene.
class VideoCaptureControl : public QWidget {
    Q_OBJECT
  public:
    VideoCaptureControl(Clipboard& clipboard, SourceCatalog& catalog, QWidget* parent = nullptr);
    ~VideoCaptureControl() override;

    // Afterwards the clipboard holds the current frame at the capture size; false when there
    // was no frame or the clipboard refused it.
    bool copyFrameToClipboard();
    void showSourceDialog();
    void showFormatDialog();

    QImage currentFrame();
    QSize captureSize() const { return captureSize_; }
    void setCaptureSize(QSize size);

    // Switch to a listed camera (false when it cannot be opened) or to the built-in scene.
    bool useCamera(const QByteArray& id);
    void useScene();
    FrameSource* source() { return source_.get(); }
    bool showsScene() const { return cameraId_.isEmpty(); }
    // What the frames come from, in words: the camera's name or the built-in scene.
    QString sourceName() const;
    QByteArray cameraId() const { return cameraId_; }

    // What the preview shows now.
    const QImage& preview() const { return preview_; }

  signals:
    void previewUpdated();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void setSource(std::unique_ptr<FrameSource> source, QByteArray cameraId);
    void fallBackToScene(const QString& notice);
    void onCamerasChanged();
    void onFrameChanged();

    Clipboard& clipboard_;
    SourceCatalog& catalog_;
    std::unique_ptr<FrameSource> source_;
    QByteArray cameraId_;
    QString cameraName_;
    QList<QByteArray> knownCameras_;  // the catalog's cameras at the last look
    bool sceneByDefault_ = true;      // false once the user picked the scene himself
    QSize captureSize_ = DefaultCaptureSize;
    QImage preview_;
    QElapsedTimer sincePreview_;
};

}  // namespace skymra
