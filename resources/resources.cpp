#include "resources/resources.h"

#include <QCoreApplication>
#include <QResource>

#include <stdexcept>

namespace skymra::resources {

QImage markerPicture() {
    static const QImage marker(MarkerPath);
    if (marker.isNull())
        throw std::runtime_error(
            QCoreApplication::translate("resources", "Markörbilden saknas i programmet.")
                .toStdString());
    return marker;
}

QString customResourcePath(std::int32_t id) { return QStringLiteral(":/CUSTOM/%1").arg(id); }

QByteArray customResource(std::int32_t id) {
    const QResource resource(customResourcePath(id));
    if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression)
        return {};
    // The embedded data lives as long as the program: no copy needed.
    return QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()), resource.size());
}

}  // namespace skymra::resources
