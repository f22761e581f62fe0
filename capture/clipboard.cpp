#include "capture/clipboard.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>

namespace skymra {
namespace {

QClipboard& systemClipboard() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        throw ClipboardError(
            QCoreApplication::translate("SystemClipboard", "Systemets urklipp går inte att nå.")
                .toStdString());
    return *clipboard;
}

}  // namespace

void SystemClipboard::clear() { systemClipboard().clear(); }

void SystemClipboard::setImage(const QImage& image) {
    QClipboard& clipboard = systemClipboard();
    clipboard.setImage(image);
    // Windows and Wayland may refuse without saying so.
    const QMimeData* data = clipboard.mimeData();
    if (!image.isNull() && (data == nullptr || !data->hasImage())) {
        throw ClipboardError(
            QCoreApplication::translate(
                "SystemClipboard",
                "Urklippet tog inte emot bilden (ett annat program kan hålla det).")
                .toStdString());
    }
}

QImage SystemClipboard::image() const { return systemClipboard().image(); }

}  // namespace skymra
