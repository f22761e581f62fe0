#include "platform/diagnostics.h"

#include <windows.h>

#include <string>

namespace skymra {

void writeDiagnostic(std::string_view utf8Line) {
    const std::string line = std::string(utf8Line) + "\r\n";
    const int length = static_cast<int>(line.size());
    std::wstring wide(
        static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, line.data(), length, nullptr, 0)),
        L'\0');
    MultiByteToWideChar(CP_UTF8, 0, line.data(), length, wide.data(),
                        static_cast<int>(wide.size()));
    OutputDebugStringW(wide.c_str());
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(err, &mode)) {
        WriteConsoleW(err, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
}

}  // namespace skymra
