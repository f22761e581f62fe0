#include "alarm_sound.h"

#include <QCoreApplication>
#include <QResource>

#include <stdexcept>

namespace skymra {

QString customResourcePath(std::int32_t id) { return QStringLiteral(":/CUSTOM/%1").arg(id); }

QByteArray customResource(std::int32_t id) {
    const QResource resource(customResourcePath(id));
    if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression)
        return {};
    // The embedded data lives as long as the program: no copy needed.
    return QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()), resource.size());
}

void AlarmSound::SoundPlay(std::int32_t ResourceId) {
    const QByteArray wav = customResource(ResourceId);
    if (wav.isEmpty()) {
        throw std::runtime_error(
            QCoreApplication::translate("AlarmSound", "Ljudresursen CUSTOM %1 saknas i programmet.")
                .arg(ResourceId)
                .toStdString());
    }
    player_.play(customResourcePath(ResourceId));
    QCoreApplication::processEvents();
}

}  // namespace skymra
