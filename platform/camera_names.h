#pragma once

#include <optional>
#include <string>
#include <vector>

namespace skymra {

// The names of the cameras present, once for each camera: two cameras of one model give their
// name twice. Asked of the system's media framework itself, for where Qt's own list of cameras
// cannot be taken as it stands (GStreamer); none where it can (Windows).
std::optional<std::vector<std::string>> presentCameraNames();

}  // namespace skymra
