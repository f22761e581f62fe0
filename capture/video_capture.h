#pragma once

#include "capture/capture_choices.h"
#include "capture/clipboard.h"
#include "controls/message_box.h"
#include "sources/frame.h"
#include "sources/frame_source.h"
#include "sources/source_catalog.h"
#include "stream/stream_opener.h"

#include <QElapsedTimer>
#include <QWidget>

#include <memory>

namespace skymra {

// The capture control: a live preview that starts by itself, a copy of the current frame to the
// clipboard and two settings dialogs. Without a camera it shows the built-in scene.
class VideoCaptureControl : public QWidget, public CaptureChoices {
    Q_OBJECT
  public:
    // What the dialogs could not do goes to `warn`; message boxes when none is given.
    VideoCaptureControl(Clipboard& clipboard, SourceCatalog& catalog, Report warn = {},
                        QWidget* parent = nullptr);
    ~VideoCaptureControl() override;

    // Afterwards the clipboard holds the current frame at the capture size; false when there
    // was no frame or the clipboard refused it.
    bool copyFrameToClipboard();
    void showSourceDialog();
    void showFormatDialog();

    QImage currentFrame();
    QSize captureSize() const override { return captureSize_; }
    void setCaptureSize(QSize size) override;

    bool useCamera(const QByteArray& id) override;
    void useScene() override;
    // Switch to a video stream or file once it delivers its first frame: streamOpened() then,
    // streamFailed() and nothing changed when it does not. A stream that drops later is
    // reconnected while the built-in scene shows.
    void openStream(const QUrl& url);
    void tryStream(const QUrl& url, std::function<void(const QString& why)> done) override;
    void cancelStream() override;
    FrameSource* source() override { return source_.get(); }
    bool showsScene() const { return cameraId_.isEmpty() && stream_.isEmpty(); }
    // What the frames come from, in words: the camera's name, the stream's address or the
    // built-in scene.
    QString sourceName() const;
    QByteArray cameraId() const override { return cameraId_; }
    QUrl stream() const override { return stream_; }
    QUrl reconnectingStream() const override;

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
    Report warn_;
    std::unique_ptr<FrameSource> source_;
    QByteArray cameraId_;
    QUrl stream_;
    StreamOpener trial_;  // a stream the user chose, until it shows a frame
    std::function<void(const QString&)> trialDone_;
    StreamOpener reconnect_;  // the stream that dropped, while the scene shows
    QString cameraName_;
    QList<QByteArray> knownCameras_;  // the catalog's cameras at the last look
    bool sceneByDefault_ = true;      // false once the user picked the scene himself
    QSize captureSize_ = DefaultCaptureSize;
    QImage preview_;
    QElapsedTimer sincePreview_;
};

}  // namespace skymra
