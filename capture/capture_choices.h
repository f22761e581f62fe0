#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QUrl>

#include <functional>

namespace skymra {

class FrameSource;

// What the capture control's two dialogs may ask of it and change: they know this, not the
// control, which opens them.
class CaptureChoices {
  public:
    virtual ~CaptureChoices() = default;

    virtual FrameSource* source() = 0;
    virtual QByteArray cameraId() const = 0;
    // The stream shown now, or the one being reconnected while the scene shows.
    virtual QUrl stream() const = 0;
    virtual QUrl reconnectingStream() const = 0;
    virtual QSize captureSize() const = 0;
    virtual void setCaptureSize(QSize size) = 0;

    // Switch to a listed camera (false when it cannot be opened) or to the built-in scene.
    virtual bool useCamera(const QByteArray& id) = 0;
    virtual void useScene() = 0;
    // Tries a stream; `done` is called once: with nothing once it shows, or with why it cannot,
    // and nothing changed then. Not called after cancelStream().
    virtual void tryStream(const QUrl& url, std::function<void(const QString& why)> done) = 0;
    virtual void cancelStream() = 0;
};

}  // namespace skymra
