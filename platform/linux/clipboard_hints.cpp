// Linux: the hint that KDE's clipboard manager (and those that follow it) honours.
#include "platform/clipboard_hints.h"

namespace skymra {

std::span<const ClipboardHint> clipboardHistoryHints() {
    static constexpr ClipboardHint hints[] = {{"x-kde-passwordManagerHint", "secret"}};
    return hints;
}

}  // namespace skymra
