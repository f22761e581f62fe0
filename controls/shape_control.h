#pragma once

#include <QWidget>

namespace skymra {

// A circle centred in its box with a solid fill and a wide border: the alarm indicator.
class ShapeControl : public QWidget {
    Q_OBJECT
  public:
    ShapeControl(int diameter, const QColor& fill, const QColor& border, int borderWidth,
                 QWidget* parent = nullptr);
    void setFillColor(const QColor& color);
    QColor fillColor() const { return fill_; }
    QColor borderColor() const { return border_; }
    int borderWidth() const { return borderWidth_; }
    int diameter() const { return diameter_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int diameter_;
    QColor fill_, border_;
    int borderWidth_;
};

}  // namespace skymra
