#pragma once

class QPainter;
class QWidget;

namespace skymra {

// Over a picture widget that the keyboard brought focus to: black and white dashes along its
// edge, which show on any picture. Drawn on the screen only; the picture's bits stay as they are.
void drawFocusMark(QPainter& painter, const QWidget& widget);
// Whether the widget has focus and the keyboard has been moving focus in its window.
bool showsKeyboardFocus(const QWidget& widget);

}  // namespace skymra
