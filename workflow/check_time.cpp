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
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    // Midnight to the second: the text shows no fraction, so neither does the rule.
    const QTime t = when.time();
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0) return date;
    return date + QLatin1Char(' ') +
           locale.toString(t, withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

}  // namespace skymra
