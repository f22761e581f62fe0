#pragma once

#include <QSlider>

namespace skymra {

// A slider that reports every mouse release on it, on the handle or on the groove, and Return or
// Enter pressed on it: the keyboard's way to say "this value", as letting go of the mouse does.
class SliderControl : public QSlider {
    Q_OBJECT
  public:
    explicit SliderControl(QWidget* parent = nullptr);

  signals:
    void mouseReleased(Qt::MouseButton button);
    void returnPressed();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace skymra
