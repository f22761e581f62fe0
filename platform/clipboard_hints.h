#pragma once

#include <span>
#include <string_view>

namespace skymra {

// A format put on the clipboard beside a picture, as Qt names it, with its bytes.
struct ClipboardHint {
    std::string_view format;
    std::string_view bytes;
};

// What asks the system's clipboard history, its cloud clipboard and clipboard managers to keep
// no copy of what the program puts on the clipboard: every snapshot and check puts a picture
// there, which would bury what the user copied. The clipboard itself still holds the picture.
std::span<const ClipboardHint> clipboardHistoryHints();

}  // namespace skymra
