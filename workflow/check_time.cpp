#include "workflow/check_time.h"

#include <QRegularExpression>

namespace skymra {

QString generalDateTime(const QDateTime& when, const QLocale& locale) {
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() == QTime(0, 0)) return date;
    // The long time form has the seconds; drop its time-zone field ("t").
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
    return date + QLatin1Char(' ') + locale.toString(when.time(), format.trimmed());
}

}  // namespace skymra
