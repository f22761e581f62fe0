#include "controls/line_control.h"

#include <QPainter>

namespace skymra {

LineControl::LineControl(QPoint from, QPoint to, int width, const QColor& color, QWidget* parent)
    : QWidget(parent), from_(from), to_(to), width_(width), color_(color) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    const int margin = width;
    setGeometry(QRect(from, to).normalized().adjusted(-margin, -margin, margin, margin));
}

void LineControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QPen(color_, width_, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(from_ - pos(), to_ - pos());
}

}  // namespace skymra
