#include "clipboard.h"
#include "form1.h"
#include "source_catalog.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skymra"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    skymra::SystemClipboard clipboard;
    skymra::SystemCatalog catalog;
    skymra::Form1 window({clipboard, catalog});
    window.show();
    return QApplication::exec();
}
