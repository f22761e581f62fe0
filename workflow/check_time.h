#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace skymra {

// The general date-time text: the short date, a blank and the time with seconds, both in the
// locale's form and without a time-zone name; at midnight
// (to the second) the date alone.
QString generalDateTime(const QDateTime& when, const QLocale& locale = QLocale());

// The local date and time now. The time zone's offset is looked up at most once a second: each
// look-up reads the zone file's status from disk, which costs more than the whole check's
// comparison.
QDateTime localNow();

}  // namespace skymra
