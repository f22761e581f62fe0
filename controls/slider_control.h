#pragma once

#include <QSlider>

namespace skymra {

// A slider that reports every mouse release on it, on the handle or on the groove.
class SliderControl : public QSlider {
    Q_OBJECT
  public:
    explicit SliderControl(QWidget* parent = nullptr);

  signals:
    void mouseReleased(Qt::MouseButton button);

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace skymra
