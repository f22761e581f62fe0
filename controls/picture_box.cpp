#include "controls/picture_box.h"

#include "controls/focus_mark.h"

#include <QMouseEvent>
#include <QPainter>

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
}

void PictureBox::mousePressEvent(QMouseEvent* event) { event->accept(); }

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseReleased(event->position(), event->button(), event->modifiers());
}

}  // namespace skymra
