#include "stream/http_camera.h"

#include "sources/frame.h"
#include "stream/http_get.h"
#include "stream/jpeg_decoder.h"
#include "stream/multipart.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <mutex>
#include <set>

namespace skymra {
namespace {

// The reading threads not yet ended. At exit each is given a moment to end before the program
// goes on without it: a camera that was let go has its connection aborted, so this is short.
class Readers {
  public:
    void add(QThread* thread) {
        const std::lock_guard lock(mutex_);
        if (!routineAdded_) qAddPostRoutine([] { readers().waitAtExit(); });
        routineAdded_ = true;
        live_.insert(thread);
        QObject::connect(thread, &QObject::destroyed, [this, thread] {
            const std::lock_guard lock(mutex_);
            live_.erase(thread);
        });
    }
    static Readers& readers() {
        static Readers r;
        return r;
    }

  private:
    void waitAtExit() {
        std::set<QThread*> live;
        {
            const std::lock_guard lock(mutex_);
            live = live_;
        }
        const QDeadlineTimer deadline(2000);
        for (QThread* thread : live) {
            // One that does not end in time is left to the end of the process.
            if (thread->wait(deadline)) delete thread;
        }
    }

    std::mutex mutex_;
    std::set<QThread*> live_;
    bool routineAdded_ = false;
};

bool isJpeg(const QByteArray& contentType) {
    const QByteArray type = contentType.split(';').first().trimmed().toLower();
    return type.isEmpty() || type == "image/jpeg" || type == "image/jpg" || type == "image/pjpeg";
}

}  // namespace

HttpCamera::HttpCamera(QUrl url, int idleMs, QSize captureSize)
    : url_(std::move(url)), idleMs_(idleMs), captureSize_(captureSize) {}

HttpCamera::~HttpCamera() = default;

void HttpCamera::startOnThread() {
    auto* thread = new QThread;
    thread->setObjectName(QStringLiteral("http camera"));
    moveToThread(thread);
    connect(thread, &QThread::started, this, &HttpCamera::read);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    Readers::readers().add(thread);
    thread->start();
}

void HttpCamera::setCaptureSize(QSize size) {
    QMetaObject::invokeMethod(
        this, [this, size] { captureSize_ = size; }, Qt::QueuedConnection);
}

void HttpCamera::release() {
    disconnect();  // from here on nothing reaches the caller
    QMetaObject::invokeMethod(this, &HttpCamera::end, Qt::QueuedConnection);
}

void HttpCamera::end() {
    get_.reset();  // aborts the connection
    deleteLater();
    thread()->quit();  // what is deleted later goes as the thread ends
}

void HttpCamera::read() {
    // Bytes flow all the time from a camera that works: a long pause means it is gone.
    get_ = std::make_unique<HttpGet>(url_, idleMs_);
    connect(get_.get(), &HttpGet::answered, this, &HttpCamera::onAnswered);
    connect(get_.get(), &HttpGet::bodyReady, this, &HttpCamera::onBody);
    connect(get_.get(), &HttpGet::finished, this, &HttpCamera::onFinished);
    connect(get_.get(), &HttpGet::failed, this, &HttpCamera::failed);
    get_->start();
}

void HttpCamera::onAnswered() {
    const int status = get_->status();
    if (status >= 200 && status <= 299) {
        onBody();  // the first bytes may already tell what the answer is
        return;
    }
    using Kind = StreamFailure::Kind;
    const Kind kind = status == 401 || status == 403 || status == 407 ? Kind::Denied
                      : status == 404 || status == 410                ? Kind::NotFound
                                                                      : Kind::ServerError;
    StreamFailure refused =
        streamFailure(kind, kind == Kind::ServerError ? get_->reason().toStdString() : "");
    refused.status = status;
    get_->abort();
    emit failed(refused);
}

std::optional<bool> HttpCamera::isCamera() {
    if (parts_) return true;
    const QByteArray type = get_->header("content-type");
    std::optional<QByteArray> boundary = multipartBoundary(type);
    const QByteArray bare = type.split(';').first().trimmed().toLower();
    if (!boundary && (bare.isEmpty() || bare == "application/octet-stream")) {
        // Labelled as mere bytes: the body's first lines tell what it is.
        const SniffedMultipart sniffed = sniffMultipart(get_->body().left(SniffBytes));
        if (sniffed.verdict == SniffedMultipart::NeedMore && !get_->ended()) return std::nullopt;
        if (sniffed.verdict == SniffedMultipart::Yes) boundary = sniffed.boundary;
    }
    if (!boundary) {
        get_->abort();  // the player asks again itself
        emit notACamera();
        return false;
    }
    parts_ = std::make_unique<MultipartSplitter>(*boundary);
    return true;
}

void HttpCamera::onBody() {
    if (!get_ || isCamera() != true) return;
    const QList<MultipartSplitter::Part> parts = parts_->feed(get_->body());
    get_->dropBody();
    // Only the newest picture counts; older ones would be replaced before anyone saw them.
    for (auto it = parts.crbegin(); it != parts.crend(); ++it) {
        if (isJpeg(it->contentType) && it->body.startsWith("\xff\xd8")) {
            decode(it->body);
            break;
        }
    }
}

void HttpCamera::decode(const QByteArray& jpeg) {
    StreamFailure why;
    QSize full;
    const QImage image = decodeJpeg(jpeg, captureSize_, &why, &full);
    if (image.isNull()) {
        emit unreadable(why);
        return;
    }
    emit picture(normaliseFrame(image, captureSize_), full);
}

void HttpCamera::onFinished() {
    if (!get_ || isCamera() != true) return;
    emit failed(streamFailure(StreamFailure::Kind::Ended));
}

}  // namespace skymra
