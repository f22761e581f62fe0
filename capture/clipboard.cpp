#include "capture/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace skymra {
namespace {

QClipboard& systemClipboard() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) throw ClipboardError("The system clipboard cannot be reached.");
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
        throw ClipboardError("The clipboard refused the picture (another program may hold it).");
    }
}

QImage SystemClipboard::image() const { return systemClipboard().image(); }

}  // namespace skymra
