#pragma once

#include "capture/clipboard.h"
#include "capture/frame.h"
#include "capture/frame_source.h"
#include "capture/source_catalog.h"
#include "capture/stream_opener.h"

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
    // Switch to a video stream or file once it delivers its first frame: streamOpened() then,
    // streamFailed() and nothing changed when it does not. A stream that drops later is
    // reconnected while the built-in scene shows.
    void openStream(const QUrl& url);
    void cancelStream();
    FrameSource* source() { return source_.get(); }
    bool showsScene() const { return cameraId_.isEmpty() && stream_.isEmpty(); }
    // What the frames come from, in words: the camera's name, the stream's address or the
    // built-in scene.
    QString sourceName() const;
    QByteArray cameraId() const { return cameraId_; }
    // The stream shown now, or the one being reconnected while the scene shows.
    QUrl stream() const { return stream_; }
    QUrl reconnectingStream() const;

    // What the preview shows now.
    const QImage& preview() const { return preview_; }

  signals:
    void previewUpdated();
    void streamOpened();
    void streamFailed(const QString& why);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void setSource(std::unique_ptr<FrameSource> source, QByteArray cameraId, QUrl stream = {});
    void fallBackToScene(const QString& notice);
    void onSourceLost(const QString& why);
    void onStreamOpened(StreamOpener& opener);
    void onCamerasChanged();
    void onFrameChanged();

    Clipboard& clipboard_;
    SourceCatalog& catalog_;
    std::unique_ptr<FrameSource> source_;
    QByteArray cameraId_;
    QUrl stream_;
    StreamOpener trial_;      // a stream the user chose, until it shows a frame
    StreamOpener reconnect_;  // the stream that dropped, while the scene shows
    QString cameraName_;
    QList<QByteArray> knownCameras_;  // the catalog's cameras at the last look
    bool sceneByDefault_ = true;      // false once the user picked the scene himself
    QSize captureSize_ = DefaultCaptureSize;
    QImage preview_;
    QElapsedTimer sincePreview_;
};

}  // namespace skymra
