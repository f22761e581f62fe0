#pragma once

#include "stream/stream_failure.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace skymra {

// The largest picture a network camera may declare: 8K UHD and a little more. Larger ones are
// refused from their header, before anything is allocated for them.
constexpr int MaxJpegSide = 8192;
constexpr qint64 MaxJpegPixels = 40'000'000;

// A JPEG read at the smallest of libjpeg's scales (1, 1/2, 1/4, 1/8) that still covers `atLeast`
// once cropped to 4:3, which costs a fraction of a full decode; a null image and the reason
// when it cannot be read.
// `full` is set to the picture's own size when its header could be read.
QImage decodeJpeg(const QByteArray& jpeg, QSize atLeast, StreamFailure* why = nullptr,
                  QSize* full = nullptr);

// Decodes a network camera's pictures on a thread of its own, so that a slow or hostile camera
// never holds up the window. Only the newest picture counts: one handed in while another waits
// replaces it, so at most two are held however fast they come.
class JpegDecoder : public QObject {
    Q_OBJECT
  public:
    explicit JpegDecoder(QObject* parent = nullptr);
    ~JpegDecoder() override;

    void decode(QByteArray jpeg, QSize atLeast);

  signals:
    // On the thread the decoder belongs to.
    void decoded(const QImage& image, QSize full);
    void unreadable(const skymra::StreamFailure& why);

  private:
    struct Job {
        QByteArray jpeg;
        QSize atLeast;
    };
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> waiting_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace skymra
