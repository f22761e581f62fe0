#include "app/quiet_log.h"

#include "platform/diagnostics.h"
#include "stream/stream_address.h"

#include <QElapsedTimer>
#include <QMutex>

#include <cstdlib>

namespace skymra {
namespace {

// A hostile source can make every message different: past this many, start afresh.
constexpr qsizetype MaxKinds = 256;

QString kindOf(const QString& message) {
    QString kind;
    kind.reserve(message.size());
    for (const QChar c : message) {
        if (!c.isDigit()) {
            kind += c;
        } else if (!kind.endsWith(QLatin1Char('#'))) {
            kind += QLatin1Char('#');
        }
    }
    return kind;
}

}  // namespace

LogThrottle::LogThrottle(Clock clock, qint64 everyMs)
    : clock_(std::move(clock)), everyMs_(everyMs) {}

std::optional<QString> LogThrottle::pass(const QString& message) {
    const qint64 now = clock_();
    const QString kind = kindOf(message);
    auto it = seen_.find(kind);
    if (it == seen_.end()) {
        if (seen_.size() >= MaxKinds) seen_.clear();
        seen_.insert(kind, Seen{now, 0});
        return message;
    }
    if (now - it->lastShownMs < everyMs_) {
        ++it->heldBack;
        return std::nullopt;
    }
    const int held = it->heldBack;
    *it = Seen{now, 0};
    if (held == 0) return message;
    return QStringLiteral("%1 (and %2 more like it)").arg(message).arg(held);
}

void installQuietLog() {
    static QMutex mutex;  // messages come from every thread
    static QElapsedTimer clock;
    clock.start();
    static LogThrottle throttle([] { return clock.elapsed(); });
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            std::optional<QString> line;
            {
                const QMutexLocker lock(&mutex);
                line = throttle.pass(qFormatLogMessage(type, context, shownText(message)));
            }
            if (line) writeDiagnostic(line->toStdString());
            if (type == QtFatalMsg) std::abort();
        });
}

}  // namespace skymra
