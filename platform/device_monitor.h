#pragma once

namespace skymra {

// Qt 6.4's GStreamer device list drops a reference of every device that leaves, held or not.
// It holds only devices of exactly the classes "Video/Source", "Audio/Source" and "Audio/Sink",
// yet its monitor also passes others, such as the camera streams we read ourselves, so each such
// stream that ends was freed while the message about it still pointed at it, and memory was
// written after its end. This gives each such device, as it is made, the reference Qt will drop.
// Call once, after Qt's list of cameras was first asked for; nothing where Qt is not on
// GStreamer.
void balanceQtDeviceMonitor();

}  // namespace skymra
