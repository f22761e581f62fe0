#include "controls/focus_mark.h"

#include <QPainter>
#include <QWidget>

namespace skymra {

bool showsKeyboardFocus(const QWidget& widget) {
    return widget.hasFocus() && widget.window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void drawFocusMark(QPainter& painter, const QWidget& widget) {
    if (!showsKeyboardFocus(widget)) return;
    const QRect edge = widget.rect().adjusted(1, 1, -2, -2);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawRect(edge);
    painter.setPen(QPen(Qt::white, 2, Qt::DashLine));
    painter.drawRect(edge);
}

}  // namespace skymra
