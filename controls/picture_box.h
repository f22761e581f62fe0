#pragma once

#include "detect/pixels.h"

#include <QImage>
#include <QWidget>

namespace skymra {

// A borderless 320 x 240 box that repaints from a persistent image: its background colour with
// the picture set on it drawn at the top left at the picture's own size. The image's bits are
// 0xXXRRGGBB, rows of 1,280 bytes, top row first (Format_RGB32).
class PictureBox : public QWidget {
    Q_OBJECT
  public:
    static constexpr int Width = FrameWidth;
    static constexpr int Height = FrameHeight;

    explicit PictureBox(const QColor& background, QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }

    // The persistent image, to read or write its bits; call refresh() after writing.
    QImage& persistentImage() { return image_; }
    const QImage& persistentImage() const { return image_; }
    // Repaints at once from the persistent image, opaque whatever its fourth bytes hold.
    void refresh();

    QColor background() const { return background_; }

    // The keyboard's way to point into the picture: arrow keys move a point (8 pixels, 1 with
    // Shift), drawn as the mouse pointer while the box has focus, and Return or Space release the
    // mouse there as a click would. The point starts at the centre. Off unless turned on.
    void setKeyboardPointing(bool on);
    QPoint keyboardPoint() const { return point_; }

  signals:
    void mouseReleased(QPointF position, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void updateDisplay();
    void movePoint(QPoint to);
    bool pointing_ = false;
    QPoint point_{Width / 2, Height / 2};
    bool displayIsCurrent_ = false;

    QColor background_;
    QImage picture_;
    QImage image_;
    QImage display_;  // image_ with every fourth byte 0xFF
};

}  // namespace skymra
