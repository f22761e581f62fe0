#pragma once

#include <QHash>
#include <QString>

#include <functional>
#include <optional>

namespace skymra {

// The libraries underneath repeat themselves when a source is broken: libjpeg says "Corrupt JPEG
// data" for every frame of a bad camera, 25 lines a second. A message is let through once, then
// again at most once every `everyMs`, with a count of those held back; messages that differ only
// in their numbers count as the same one.
class LogThrottle {
  public:
    using Clock = std::function<qint64()>;  // milliseconds
    explicit LogThrottle(Clock clock, qint64 everyMs = 10000);

    // The line to write for this message, or nothing while it is held back.
    std::optional<QString> pass(const QString& message);

  private:
    struct Seen {
        qint64 lastShownMs = 0;
        int heldBack = 0;
    };
    Clock clock_;
    qint64 everyMs_;
    QHash<QString, Seen> seen_;
};

// Routes Qt's messages through a LogThrottle, with every login's password masked, to where the
// system shows diagnostics (writeDiagnostic), Swedish letters intact.
void installQuietLog();

}  // namespace skymra
