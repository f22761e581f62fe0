#include "workflow/check_time.h"

#include <QRegularExpression>

namespace skymra {
namespace {

// The time format without its time-zone field ("t", outside quoted text) and the brackets or
// blanks that framed it, as in "H:mm:ss (t)".
QString withoutTimeZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (!quoted && c == QLatin1Char('t')) continue;
        out += c;
    }
    static const QRegularExpression emptyBrackets(QStringLiteral("\\(\\s*\\)"));
    out.remove(emptyBrackets);
    return out.trimmed();
}

}  // namespace

QString generalDateTime(const QDateTime& when, const QLocale& locale) {
    // The locale's time format, worked out once per locale.
    static QString formatFor;
    static QString format;
    if (format.isEmpty() || formatFor != locale.name()) {
        formatFor = locale.name();
        format = withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
    }
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    // Midnight to the second: the text shows no fraction, so neither does the rule.
    const QTime t = when.time();
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0) return date;
    return date + QLatin1Char(' ') + locale.toString(t, format);
}

QDateTime localNow() {
    static qint64 offsetSecond = -1;
    static int offset = 0;
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    if (ms / 1000 != offsetSecond) {
        offsetSecond = ms / 1000;
        offset = QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc();
    }
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, offset);
}

}  // namespace skymra
