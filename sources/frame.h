#pragma once

#include "detect/pixels.h"

#include <QImage>
#include <QSize>

namespace skymra {

// The size the tool works at: the capture size until the user picks another.
constexpr QSize DefaultCaptureSize(FrameWidth, FrameHeight);

// A frame as the tool hands it on: the capture size, Format_RGB32, every fourth byte 0xFF.
// A wider than 4:3 frame is cropped to 4:3 around its centre rather than stretched.
QImage normaliseFrame(QImage frame, QSize captureSize);

// A source's newest picture at the capture size: normalised when first asked for, then kept until
// the picture or the capture size changes.
class NormalisedFrame {
  public:
    QSize captureSize() const { return size_; }
    void setCaptureSize(QSize size) {
        size_ = size;
        current_ = false;
    }
    void invalidate() { current_ = false; }
    template <typename Picture>
    QImage get(Picture picture) {
        if (!current_) {
            image_ = normaliseFrame(picture(), size_);
            current_ = true;
        }
        return image_;
    }

  private:
    QSize size_ = DefaultCaptureSize;
    QImage image_;
    bool current_ = false;
};

// Sets the fourth byte of every pixel of an RGB32 image to 0xFF.
void makeOpaque(QImage& image);

}  // namespace skymra
