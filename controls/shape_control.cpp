#include "controls/shape_control.h"

#include <QPainter>

namespace skymra {

ShapeControl::ShapeControl(int diameter, const QColor& fill, const QColor& border, int borderWidth,
                           QWidget* parent)
    : QWidget(parent),
      diameter_(diameter),
      fill_(fill),
      border_(border),
      borderWidth_(borderWidth) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeControl::setFillColor(const QColor& color) {
    if (color == fill_) return;
    fill_ = color;
    update();
}

void ShapeControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The border lies inside the circle's outline, so the circle keeps its diameter.
    const qreal inset = borderWidth_ / 2.0;
    const QRectF circle((width() - diameter_) / 2.0, (height() - diameter_) / 2.0, diameter_,
                        diameter_);
    p.setPen(QPen(border_, borderWidth_));
    p.setBrush(fill_);
    p.drawEllipse(circle.adjusted(inset, inset, -inset, -inset));
}

}  // namespace skymra
