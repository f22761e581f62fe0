// Windows: Qt lists Media Foundation's cameras, and holds what it lists.
#include "platform/device_monitor.h"

namespace skymra {

void balanceQtDeviceMonitor() {}

}  // namespace skymra
