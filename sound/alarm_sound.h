#pragma once

#include "sound/audio_player.h"

#include <cstdint>

namespace skymra {

// The window's SoundPlay: plays an embedded CUSTOM resource through the audio output.
class AlarmSound {
  public:
    explicit AlarmSound(AudioPlayer& player) : player_(player) {}

    // Throws std::runtime_error when the program holds no such resource.
    void SoundPlay(std::int32_t ResourceId);
    // Why an alarm would not be heard, or empty.
    QString problem() const { return player_.problem(); }

  private:
    AudioPlayer& player_;
};

}  // namespace skymra
