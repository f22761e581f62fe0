// Linux: a program file carries no resources of its own and the system has no player for sound
// in memory.
#include "platform/program_file.h"

namespace skymra {

std::string_view programResource(const char*, std::int32_t) { return {}; }

bool systemPlaysSoundFromMemory() { return false; }

void playSoundFromMemory(const char*) {}

}  // namespace skymra
