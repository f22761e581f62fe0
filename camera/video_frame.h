#pragma once

#include <QImage>

class QVideoFrame;

namespace skymra {

// The frame's picture, or a null image when it cannot be read.
QImage imageFromVideoFrame(const QVideoFrame& frame);

}  // namespace skymra
