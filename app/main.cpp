#include "app/form/form1.h"
#include "app/form/language.h"
#include "app/form/program.h"
#include "app/quiet_log.h"

#include <QApplication>

int main(int argc, char** argv) {
    skymra::installQuietLog();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skymra"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    // Lets the desktop match the window to skymra.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("skymra"));
    skymra::installFontSubstitutes();
    skymra::installSwedishTranslations(app);
    skymra::Program program;
    return QApplication::exec();
}
