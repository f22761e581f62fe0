#pragma once

#include "sources/frame_source.h"

#include <QList>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

namespace skymra {

// Brings a stream up and hands it over once it has delivered a frame. Asked once (the user's
// choice), a failure is reported; after a drop, it tries again and again, pausing longer each
// time, until the stream is back or it is called off.
class StreamOpener : public QObject {
    Q_OBJECT
  public:
    using Open = std::function<std::unique_ptr<FrameSource>(const QUrl&)>;
    // The pauses before each new attempt; the last repeats.
    static inline const QList<int> DefaultPausesMs{1000, 2000, 4000, 8000, 16000, 30000};

    explicit StreamOpener(Open open, QList<int> pausesMs = DefaultPausesMs,
                          QObject* parent = nullptr);
    ~StreamOpener() override;

    void tryOnce(const QUrl& url);
    void reconnect(const QUrl& url, const QString& why);
    void cancel();

    bool busy() const { return mode_ != Mode::Idle; }
    bool reconnecting() const { return mode_ == Mode::Reconnect; }
    QUrl url() const { return url_; }
    int pauseMs(int attempt) const;

    // After opened(): the source that delivered, ready to use.
    std::unique_ptr<FrameSource> take();

  signals:
    void opened();
    // tryOnce only.
    void failed(const QString& why);
    // While reconnecting: the last attempt failed for this reason, the next comes in pauseMs.
    void waiting(const QString& why, int pauseMs);

  private:
    enum class Mode { Idle, Once, Reconnect };
    void attempt();
    void onTrialFailed(const QString& why);
    void dropTrial();
    void schedule(const QString& why);

    Open open_;
    QList<int> pausesMs_;
    Mode mode_ = Mode::Idle;
    QUrl url_;
    int attempts_ = 0;
    std::unique_ptr<FrameSource> trial_;
    QTimer pause_;
};

}  // namespace skymra
