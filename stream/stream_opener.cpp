#include "stream/stream_opener.h"

#include "stream/stream_log.h"

#include <algorithm>

namespace skymra {

StreamOpener::StreamOpener(Open open, QList<int> pausesMs, QObject* parent)
    : QObject(parent), open_(std::move(open)), pausesMs_(std::move(pausesMs)) {
    if (pausesMs_.isEmpty()) pausesMs_ = DefaultPausesMs;
    pause_.setSingleShot(true);
    connect(&pause_, &QTimer::timeout, this, &StreamOpener::attempt);
}

StreamOpener::~StreamOpener() = default;

int StreamOpener::pauseMs(int attempt) const {
    return pausesMs_[std::clamp<qsizetype>(attempt, 0, pausesMs_.size() - 1)];
}

void StreamOpener::tryOnce(const QUrl& url) {
    cancel();
    mode_ = Mode::Once;
    url_ = url;
    attempt();
}

void StreamOpener::reconnect(const QUrl& url, const QString& why) {
    cancel();
    mode_ = Mode::Reconnect;
    url_ = url;
    schedule(why);
}

void StreamOpener::cancel() {
    pause_.stop();
    dropTrial();
    mode_ = Mode::Idle;
    attempts_ = 0;
}

void StreamOpener::schedule(const QString& why) {
    const int pause = pauseMs(attempts_++);
    qCInfo(streamLog) << "next attempt in" << pause << "ms:" << why;
    pause_.start(pause);
    emit waiting(why, pause);
}

void StreamOpener::attempt() {
    dropTrial();
    trial_ = open_(url_);
    if (!trial_) {
        onTrialFailed(tr("källan kunde inte öppnas"));
        return;
    }
    FrameSource* trial = trial_.get();
    connect(trial, &FrameSource::frameChanged, this, [this, trial] {
        if (trial != trial_.get() || trial->currentFrame().isNull()) return;
        trial->disconnect(this);
        emit opened();
    });
    connect(trial, &FrameSource::lost, this, &StreamOpener::onTrialFailed);
}

void StreamOpener::onTrialFailed(const QString& why) {
    dropTrial();
    if (mode_ == Mode::Once) {
        mode_ = Mode::Idle;
        emit failed(why);
    } else if (mode_ == Mode::Reconnect) {
        schedule(why);
    }
}

void StreamOpener::dropTrial() {
    if (!trial_) return;
    // Its own signal may have brought us here.
    trial_->disconnect(this);
    trial_.release()->deleteLater();
}

std::unique_ptr<FrameSource> StreamOpener::take() {
    std::unique_ptr<FrameSource> source = std::move(trial_);
    if (source) source->disconnect(this);
    pause_.stop();
    mode_ = Mode::Idle;
    attempts_ = 0;
    return source;
}

}  // namespace skymra
