#include "platform/diagnostics.h"

#include <cstdio>

namespace skymra {

void writeDiagnostic(std::string_view utf8Line) {
    std::fwrite(utf8Line.data(), 1, utf8Line.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace skymra
