#include "resources/resources.h"

#include "platform/program_file.h"

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

QByteArray customResource(std::int32_t id) {
    if (const std::string_view own = programResource("CUSTOM", id); !own.empty())
        return QByteArray::fromRawData(own.data(), static_cast<qsizetype>(own.size()));
    const QResource resource(QStringLiteral(":/CUSTOM/%1").arg(id));
    if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression)
        return {};
    // The embedded data lives as long as the program: no copy needed.
    return QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()), resource.size());
}

}  // namespace skymra::resources
