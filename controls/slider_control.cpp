#include "controls/slider_control.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace skymra {

SliderControl::SliderControl(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void SliderControl::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    emit mouseReleased(event->button());
}

void SliderControl::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        event->accept();
        emit returnPressed();
        return;
    }
    QSlider::keyPressEvent(event);
}

}  // namespace skymra
