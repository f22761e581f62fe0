#include "controls/picture_box.h"

#include "controls/focus_mark.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <span>

namespace skymra {

PictureBox::PictureBox(const QColor& background, QWidget* parent)
    : QWidget(parent), background_(background), image_(Width, Height, QImage::Format_RGB32) {
    setFixedSize(Width, Height);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    image_.fill(background_);
}

void PictureBox::setPicture(const QImage& picture) {
    picture_ = picture;
    image_.fill(background_);
    if (!picture.isNull()) {
        QPainter p(&image_);
        p.drawImage(0, 0, picture);
    }
    refresh();
}

void PictureBox::refresh() {
    // The opaque copy is made when the box is painted: a hidden or covered box costs nothing.
    displayIsCurrent_ = false;
    repaint();
}

void PictureBox::updateDisplay() {
    // Painting an RGB32 image onto an ARGB surface takes the fourth byte as alpha.
    const QImage src = image_.format() == QImage::Format_RGB32
                           ? image_
                           : image_.convertToFormat(QImage::Format_RGB32);
    if (display_.size() != src.size() || display_.format() != QImage::Format_RGB32) {
        display_ = QImage(src.size(), QImage::Format_RGB32);
    }
    // RGB32 rows have no padding: the bits are one run of pixels.
    const auto pixels =
        static_cast<std::size_t>(src.width()) * static_cast<std::size_t>(src.height());
    makeOpaque(std::span(reinterpret_cast<const std::uint32_t*>(src.constBits()), pixels),
               std::span(reinterpret_cast<std::uint32_t*>(display_.bits()), pixels));
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (!displayIsCurrent_) {
        updateDisplay();
        displayIsCurrent_ = true;
    }
    QPainter p(this);
    p.drawImage(0, 0, display_);
    drawFocusMark(p, *this);
    if (pointing_ && showsKeyboardFocus(*this)) {
        // The point looks as the mouse pointer does over the box, hot spot on the point.
        const QCursor pointer = cursor();
        if (!pointer.pixmap().isNull()) {
            p.drawPixmap(point_ - pointer.hotSpot(), pointer.pixmap());
        } else {
            p.setPen(Qt::red);
            p.drawLine(point_ - QPoint(6, 0), point_ + QPoint(6, 0));
            p.drawLine(point_ - QPoint(0, 6), point_ + QPoint(0, 6));
        }
    }
}

void PictureBox::setKeyboardPointing(bool on) {
    pointing_ = on;
    movePoint(point_);
}

void PictureBox::movePoint(QPoint to) {
    point_ = QPoint(std::clamp(to.x(), 0, Width - 1), std::clamp(to.y(), 0, Height - 1));
    if (pointing_) {
        setAccessibleDescription(
            QCoreApplication::translate("PictureBox",
                                        "Punkt %1, %2. Piltangenterna flyttar punkten, Retur "
                                        "markerar den.")
                .arg(point_.x())
                .arg(point_.y()));
    }
    update();
}

void PictureBox::keyPressEvent(QKeyEvent* event) {
    if (!pointing_) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Pointing by keys is keyboard use: the point and the focus mark show from now on.
    window()->setAttribute(Qt::WA_KeyboardFocusChange);
    const int step = event->modifiers() & Qt::ShiftModifier ? 1 : 8;
    switch (event->key()) {
        case Qt::Key_Left:
            movePoint(point_ - QPoint(step, 0));
            break;
        case Qt::Key_Right:
            movePoint(point_ + QPoint(step, 0));
            break;
        case Qt::Key_Up:
            movePoint(point_ - QPoint(0, step));
            break;
        case Qt::Key_Down:
            movePoint(point_ + QPoint(0, step));
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (event->isAutoRepeat()) break;
            emit mouseReleased(QPointF(point_), Qt::LeftButton, event->modifiers());
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void PictureBox::mousePressEvent(QMouseEvent* event) { event->accept(); }

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseReleased(event->position(), event->button(), event->modifiers());
}

}  // namespace skymra
