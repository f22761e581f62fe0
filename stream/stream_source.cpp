#include "stream/stream_source.h"

#include "stream/stream_address.h"
#include "stream/stream_failure.h"
#include "stream/stream_log.h"

namespace skymra {

Q_LOGGING_CATEGORY(streamLog, "skymra.stream", QtWarningMsg)

StreamSource::StreamSource(QUrl url, StreamTimeouts timeouts, QObject* parent)
    : FrameSource(parent),
      url_(std::move(url)),
      timeouts_(timeouts),
      // A player's and a decoder's frames are in our own memory.
      frames_(VideoSinkSource::Watchdog{timeouts.firstFrameMs, timeouts.stallMs},
              FrameMemory::Own) {
    connect(&frames_, &FrameSource::frameChanged, this, [this] {
        seenFrame_ = true;
        unreadable_.reset();
        emit frameChanged();
    });
    connect(&frames_, &FrameSource::lost, this, [this](const QString&) {
        // Pictures came, but none could be shown: that is the reason.
        if (unreadable_) return fail(*unreadable_);
        StreamFailure why = streamFailure(seenFrame_ ? StreamFailure::Kind::Stalled
                                                     : StreamFailure::Kind::NoPictures);
        why.seconds = timeouts_.firstFrameMs / 1000;
        fail(why);
    });
}

void StreamSource::fail(const StreamFailure& failure) {
    if (failed_) return;
    failed_ = true;
    stop();
    // Servers' and GStreamer's words can quote the address, login and all, or hold markup.
    const QString why = shownText(describe(failure), url_);
    qCInfo(streamLog) << "given up:" << displayAddress(url_) << why;
    emit lost(why);
}

QStringList StreamSource::formats() const {
    const QSize size = sentSize_.isEmpty() ? frames_.sink()->videoSize() : sentSize_;
    if (size.isEmpty()) return {};
    return {tr("%1 × %2, som källan sänder").arg(size.width()).arg(size.height())};
}

QList<SourceSetting> StreamSource::settings() {
    return {SourceSetting::line(tr("Adress"), displayAddress(url_))};
}

}  // namespace skymra
