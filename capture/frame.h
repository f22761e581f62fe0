#pragma once

#include "detect/pixels.h"

#include <QImage>
#include <QSize>

class QVideoFrame;

namespace skymra {

// The size the tool works at: the capture size until the user picks another.
constexpr QSize DefaultCaptureSize(FrameWidth, FrameHeight);

// A frame as the tool hands it on: the capture size, Format_RGB32, every fourth byte 0xFF.
// A wider than 4:3 frame is cropped to 4:3 around its centre rather than stretched.
QImage normaliseFrame(const QImage& frame, QSize captureSize);

// Sets the fourth byte of every pixel of an RGB32 image to 0xFF.
void makeOpaque(QImage& image);

// The frame's picture, or a null image when it cannot be read.
QImage imageFromVideoFrame(const QVideoFrame& frame);

}  // namespace skymra
