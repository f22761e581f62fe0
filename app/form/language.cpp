#include "app/form/language.h"

#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <algorithm>

namespace skymra {
namespace {

// The standard buttons' texts (context QPlatformTheme), which no Swedish catalogue of Qt 6.4
// translates.
class StandardButtonTranslator : public QTranslator {
  public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char*,
                      int) const override {
        if (qstrcmp(context, "QPlatformTheme") != 0) return {};
        static const QHash<QByteArray, QString> swedish = {
            {"OK", QStringLiteral("OK")},
            {"Save", QStringLiteral("Spara")},
            {"Save All", QStringLiteral("Spara alla")},
            {"Open", QStringLiteral("Öppna")},
            {"&Yes", QStringLiteral("&Ja")},
            {"Yes to &All", QStringLiteral("Ja till &alla")},
            {"&No", QStringLiteral("&Nej")},
            {"N&o to All", QStringLiteral("N&ej till alla")},
            {"Abort", QStringLiteral("Avbryt")},
            {"Retry", QStringLiteral("Försök igen")},
            {"Ignore", QStringLiteral("Ignorera")},
            {"Close", QStringLiteral("Stäng")},
            {"Cancel", QStringLiteral("Avbryt")},
            {"Discard", QStringLiteral("Förkasta")},
            {"Help", QStringLiteral("Hjälp")},
            {"Apply", QStringLiteral("Verkställ")},
            {"Reset", QStringLiteral("Återställ")},
            {"Restore Defaults", QStringLiteral("Återställ standardvärden")},
        };
        return swedish.value(QByteArray(sourceText));
    }
    bool isEmpty() const override { return false; }
};

}  // namespace

void installSwedishTranslations(QCoreApplication& app) {
    // Installed first, so that Qt's own catalogues, installed after it, are asked first.
    QCoreApplication::installTranslator(new StandardButtonTranslator(&app));
    const QLocale swedish(QLocale::Swedish, QLocale::Sweden);
    // Qt's catalogues where Qt keeps them (Debian's qt6-translations-l10n), or else where the
    // installer put them, beside the program (Windows).
    const QStringList folders = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                 QCoreApplication::applicationDirPath() + "/translations"};
    for (const char* catalogue : {"qt", "qtbase", "qtmultimedia"}) {
        auto* translator = new QTranslator(&app);
        const bool loaded = std::any_of(folders.begin(), folders.end(), [&](const QString& f) {
            return translator->load(swedish, QString::fromLatin1(catalogue), QStringLiteral("_"),
                                    f);
        });
        if (loaded) {
            QCoreApplication::installTranslator(translator);
        } else {
            delete translator;
        }
    }
}

}  // namespace skymra
