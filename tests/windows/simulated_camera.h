#pragma once

#include <QString>

namespace skymra::test {

// A webcam for Media Foundation where there is none (Wine lists no capture device and cannot open
// one): Qt's Windows backend is given it by three entries of its import table for mf.dll
// (MFEnumDeviceSources, MFCreateDeviceSource, MFCreateAggregateSource) replaced before it asks for
// cameras. Everything above stays real: Qt's device list, format choice, source reader and frame
// conversion, and all of Skymra.
//
// The camera offers MJPG, NV12 and YUY2 at 640 x 480 and 1280 x 720 (in that order, as webcams
// list them), 15 frames a second, and shows a
// grey room with a black bar along its top and a white square that moves one step a frame.
namespace SimulatedCamera {

inline const QString Name = QStringLiteral("Skymra Testkamera");

// Before the first use of QMediaDevices; false, with the reason, where the backend cannot be
// found or its imports are not what they are taken to be.
bool install(QString* why);

// Unplugged: the stream ends with the error a camera that goes gives, and the camera is no longer
// listed. Plugged in: listed again. Either way Qt's device window is told, as Windows would.
void setPlugged(bool plugged);

// The colours the pattern is drawn in, as 8-bit luma.
constexpr int RoomLuma = 128, BarLuma = 16, SquareLuma = 235;
// The square's side and its place in frame `n` of a frame `width` pixels wide, as fractions of the
// frame: the same scene at every size.
constexpr int SquareSide(int height) { return height / 6; }
constexpr int SquareLeft(int n, int width) { return (n * 8) % (width - width / 6); }

}  // namespace SimulatedCamera
}  // namespace skymra::test
