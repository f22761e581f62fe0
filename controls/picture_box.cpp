#include "controls/picture_box.h"

#include <QMouseEvent>
#include <QPainter>

namespace skymra {

PictureBox::PictureBox(const QColor& background, QWidget* parent)
    : QWidget(parent), background_(background), image_(Width, Height, QImage::Format_RGB32) {
    setFixedSize(Width, Height);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    image_.fill(background_);
    updateDisplay();
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
    updateDisplay();
    repaint();
}

void PictureBox::updateDisplay() {
    // Painting an RGB32 image onto an ARGB surface takes the fourth byte as alpha.
    if (display_.size() != image_.size() || display_.format() != QImage::Format_RGB32) {
        display_ = QImage(image_.size(), QImage::Format_RGB32);
    }
    const QImage src = image_.format() == QImage::Format_RGB32
                           ? image_
                           : image_.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < src.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(display_.scanLine(y));
        for (int x = 0; x < src.width(); ++x) out[x] = in[x] | 0xFF000000u;
    }
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, display_);
}

void PictureBox::mousePressEvent(QMouseEvent* event) { event->accept(); }

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseReleased(event->position(), event->button());
}

}  // namespace skymra
