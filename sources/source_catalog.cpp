#include "sources/source_catalog.h"

#include <algorithm>

namespace skymra {

bool listsCamera(const QList<CameraInfo>& cameras, const QByteArray& id) {
    return std::any_of(cameras.begin(), cameras.end(),
                       [&](const CameraInfo& c) { return c.id == id; });
}

}  // namespace skymra
