#pragma once

#include "app/form/form1.h"
#include "capture/clipboard.h"
#include "capture/system_catalog.h"
#include "sound/alarm_sound.h"
#include "sound/audio_player.h"

#include <memory>

namespace skymra {

// The program as it runs: the system's clipboard, sources and sound, and the window over them,
// shown. Start-up, the device tests and the benchmark all build it here, in this order.
class Program {
  public:
    struct Options {
        AudioPlayer* player = nullptr;  // the system's audio output unless given
        std::function<void(const QString&)> reportError = {};
        Workflow::Notice inform = {};
    };
    explicit Program(Options options);
    Program() : Program(Options{}) {}

    Form1& window() { return window_; }
    VideoCaptureControl& capture() { return *window_.ezVidCap1; }
    const SystemCatalog& cameras() const { return catalog_; }

  private:
    SystemClipboard clipboard_;
    SystemCatalog catalog_;
    std::unique_ptr<AudioPlayer> systemPlayer_;
    AlarmSound sound_;
    Form1 window_;
};

}  // namespace skymra
