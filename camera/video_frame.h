#pragma once

#include "camera/yuv.h"

#include <QImage>

class QVideoFrame;

namespace skymra {

// Whose memory a frame's bits are in: a camera server's, which it can take back while they are
// read (PipeWire does when a camera goes), or the program's own (a decoder's).
enum class FrameMemory { MayVanish, Own };

// The frame's picture, or a null image when it cannot be read; memory that may vanish is read
// only through a guarded copy. Given `atLeast` (the capture size), a decoder's 4:2:0 frame
// comes out as the normalisation will keep it: its middle 4:3, made smaller by a whole factor
// where that still covers `atLeast` (a 1280 x 720 frame for a 320 x 240 capture: its middle
// 960 columns, a third), so the full size is never converted.
QImage imageFromVideoFrame(const QVideoFrame& frame, QSize atLeast = {},
                           FrameMemory memory = FrameMemory::MayVanish);

// A decoder's 4:2:0 picture of `size`, in the program's own memory, converted and made smaller
// in one pass as above; a null image when its planes are too small for the size.
QImage imageFromYuv420(const Yuv420& planes, QSize size, YuvMatrix matrix, YuvRange range,
                       QSize atLeast = {});

}  // namespace skymra
