#include "resources.h"

#include <stdexcept>

namespace skymra::resources {

QImage markerPicture() {
    static const QImage marker(MarkerPath);
    if (marker.isNull())
        throw std::runtime_error("The marker picture is missing from the program.");
    return marker;
}

}  // namespace skymra::resources
