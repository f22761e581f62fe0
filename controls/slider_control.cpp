#include "controls/slider_control.h"

#include <QMouseEvent>

namespace skymra {

SliderControl::SliderControl(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, 100);
    setValue(50);
    setSingleStep(1);
    setPageStep(5);
    setTickPosition(QSlider::TicksBelow);
    setTickInterval(1);
}

void SliderControl::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    emit mouseReleased(event->button());
}

}  // namespace skymra
