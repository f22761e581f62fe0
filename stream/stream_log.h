#pragma once

#include <QLoggingCategory>

namespace skymra {

// What streams do (opened, given up, reconnected), off unless asked for:
// QT_LOGGING_RULES="skymra.stream=true".
Q_DECLARE_LOGGING_CATEGORY(streamLog)

}  // namespace skymra
