#include "app/form/form1.h"
#include "app/form/language.h"
#include "capture/clipboard.h"
#include "capture/quiet_log.h"
#include "capture/source_catalog.h"
#include "sound/alarm_sound.h"
#include "sound/audio_player.h"

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
    skymra::SystemClipboard clipboard;
    skymra::SystemCatalog catalog;
    skymra::SystemAudioPlayer player;
    skymra::AlarmSound sound(player);
    skymra::Form1 window({clipboard, catalog, sound});
    window.show();
    return QApplication::exec();
}
