#include "capture/clipboard.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>

namespace skymra {

ClipboardError ClipboardError::unreachable() {
    return ClipboardError(
        QCoreApplication::translate("SystemClipboard", "Systemets urklipp går inte att nå.")
            .toStdString());
}

ClipboardError ClipboardError::refused() {
    return ClipboardError(
        QCoreApplication::translate(
            "SystemClipboard", "Urklippet tog inte emot bilden (ett annat program kan hålla det).")
            .toStdString());
}

namespace {

QClipboard& systemClipboard() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) throw ClipboardError::unreachable();
    return *clipboard;
}

}  // namespace

void SystemClipboard::clear() { systemClipboard().clear(); }

void SystemClipboard::setImage(const QImage& image) {
    QClipboard& clipboard = systemClipboard();
    clipboard.setImage(image);
    // Windows and Wayland may refuse without saying so.
    const QMimeData* data = clipboard.mimeData();
    if (!image.isNull() && (data == nullptr || !data->hasImage())) throw ClipboardError::refused();
}

QImage SystemClipboard::image() const { return systemClipboard().image(); }

}  // namespace skymra
