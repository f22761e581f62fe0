#include "controls/slider_control.h"

#include <QMouseEvent>

namespace skymra {

SliderControl::SliderControl(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void SliderControl::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    emit mouseReleased(event->button());
}

}  // namespace skymra
