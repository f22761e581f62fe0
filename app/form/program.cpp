#include "app/form/program.h"

namespace skymra {

Program::Program(Options options)
    : systemPlayer_(options.player ? nullptr : makeSystemPlayer()),
      sound_(options.player ? *options.player : *systemPlayer_),
      window_({clipboard_,
               catalog_,
               sound_,
               std::move(options.reportError),
               {},
               std::move(options.inform)}) {
    window_.show();
}

}  // namespace skymra
