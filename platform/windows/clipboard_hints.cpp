// Windows 10 and 11: the formats that keep data out of the clipboard history (Win+V), off the
// cloud clipboard and away from clipboard monitors. The two "Can..." formats hold a DWORD 0.
// Qt registers a format it does not know under the name it is given.
#include "platform/clipboard_hints.h"

namespace skymra {

using namespace std::string_view_literals;

std::span<const ClipboardHint> clipboardHistoryHints() {
    static constexpr ClipboardHint hints[] = {
        {"ExcludeClipboardContentFromMonitorProcessing", "\0\0\0\0"sv},
        {"CanIncludeInClipboardHistory", "\0\0\0\0"sv},
        {"CanUploadToCloudClipboard", "\0\0\0\0"sv},
    };
    return hints;
}

}  // namespace skymra
