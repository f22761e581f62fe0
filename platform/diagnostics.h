#pragma once

#include <string_view>

namespace skymra {

// Writes one line of the program's diagnostics, UTF-8, where the system shows them: standard
// error on Linux; on Windows a console as wide characters (its code page would mangle å, ä and
// ö), a redirected standard error as UTF-8, and a debugger too.
void writeDiagnostic(std::string_view utf8Line);

}  // namespace skymra
