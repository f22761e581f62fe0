#pragma once

#include <QWidget>

namespace skymra {

// One straight line between two points of its parent, with its own width and colour.
class LineControl : public QWidget {
    Q_OBJECT
  public:
    LineControl(QPoint from, QPoint to, int width, const QColor& color, QWidget* parent = nullptr);
    QPoint from() const { return from_; }
    QPoint to() const { return to_; }
    int lineWidth() const { return width_; }
    QColor color() const { return color_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPoint from_, to_;
    int width_;
    QColor color_;
};

}  // namespace skymra
