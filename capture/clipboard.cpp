#include "capture/clipboard.h"

#include "platform/clipboard_hints.h"

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
    auto* picture = new QMimeData;
    picture->setImageData(image);
    for (const ClipboardHint& hint : clipboardHistoryHints()) {
        picture->setData(QString::fromLatin1(hint.format.data(), qsizetype(hint.format.size())),
                         QByteArray(hint.bytes.data(), qsizetype(hint.bytes.size())));
    }
    clipboard.setMimeData(picture);
    // Windows and Wayland may refuse without saying so.
    const QMimeData* data = clipboard.mimeData();
    if (!image.isNull() && (data == nullptr || !data->hasImage())) throw ClipboardError::refused();
}

QImage SystemClipboard::image() const { return systemClipboard().image(); }

}  // namespace skymra
