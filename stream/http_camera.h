#pragma once

#include "stream/stream_failure.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QUrl>

#include <memory>
#include <optional>

namespace skymra {

class HttpGet;
class MultipartSplitter;

// An http camera read on a thread of its own: the connection, the answer's head and body, the
// multipart parts and their JPEG decoding all happen there, so however much a camera sends, the
// window's thread receives only pictures already at the capture size, and failures.
//
// Made with open() and let go with release(), from the window's thread. After release() nothing
// more is signalled; the connection is aborted on the reading thread and that thread ends by
// itself, never waited for. At exit, readers still ending are waited for a bounded time.
class HttpCamera : public QObject {
    Q_OBJECT
  public:
    // Starts reading at once; connect to the signals in `connect`, which runs before anything
    // can be signalled. `idleMs`: the longest silence the camera is allowed.
    template <typename Connect>
    static HttpCamera* open(QUrl url, int idleMs, QSize captureSize, Connect connect) {
        auto* camera = new HttpCamera(std::move(url), idleMs, captureSize);
        connect(camera);
        camera->startOnThread();
        return camera;
    }
    // The pictures handed on from now on are made for this size.
    void setCaptureSize(QSize size);
    // Ends the reading: the camera is gone for the caller at once, its thread follows.
    void release();

    ~HttpCamera() override;

  signals:
    // The newest picture, normalised to the capture size; `full` is its size as sent.
    void picture(const QImage& picture, QSize full);
    void unreadable(const skymra::StreamFailure& why);
    void failed(const skymra::StreamFailure& why);
    // The answer is no camera's picture stream (a clip, a playlist): the address is for a player.
    void notACamera();

  private:
    HttpCamera(QUrl url, int idleMs, QSize captureSize);
    void startOnThread();
    void read();
    void onAnswered();
    void onBody();
    void onFinished();
    // Whether the answer's frames are read here; nothing is decided while a body of no stated
    // type has not yet shown what it is.
    std::optional<bool> isCamera();
    void decode(const QByteArray& jpeg);
    void end();

    QUrl url_;
    int idleMs_;
    QSize captureSize_;
    std::unique_ptr<HttpGet> get_;
    std::unique_ptr<MultipartSplitter> parts_;
};

}  // namespace skymra
