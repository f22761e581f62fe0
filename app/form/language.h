#pragma once

#include <QCoreApplication>

namespace skymra {

// Qt's own texts (standard buttons and the like) in Swedish, beside the window's Swedish: Qt's
// Swedish catalogue where the system has one, and the standard buttons Qt 6.4 leaves untranslated
// from a table of ours. The translators belong to the application.
void installSwedishTranslations(QCoreApplication& app);

}  // namespace skymra
