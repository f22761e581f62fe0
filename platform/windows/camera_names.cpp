// Windows: Qt's list of Media Foundation cameras holds each camera once.
#include "platform/camera_names.h"

namespace skymra {

std::optional<std::vector<std::string>> presentCameraNames() { return std::nullopt; }

}  // namespace skymra
