#include "sound/alarm_sound.h"

#include "events/yield.h"
#include "resources/resources.h"

#include <QCoreApplication>

#include <stdexcept>

namespace skymra {

void AlarmSound::SoundPlay(std::int32_t ResourceId) {
    const QByteArray wav = resources::customResource(ResourceId);
    if (wav.isEmpty()) {
        throw std::runtime_error(
            QCoreApplication::translate("AlarmSound", "Ljudresursen CUSTOM %1 saknas i programmet.")
                .arg(ResourceId)
                .toStdString());
    }
    player_.play(wav);
    yieldToEvents();
}

}  // namespace skymra
