#pragma once

#include <cstdint>
#include <string_view>

namespace skymra {

// What the program file itself carries and plays, where the platform has it (Windows). Elsewhere
// there is none of it, and callers use Qt's embedded data and audio output instead.

// The bytes of resource `type`/`id` in the running program file, valid for as long as the program
// runs; empty when it holds no such resource. Ids outside 1 to 65535 name no resource.
std::string_view programResource(const char* type, std::int32_t id);

// Whether the system plays a WAVE held in memory by itself.
bool systemPlaysSoundFromMemory();

// Starts a WAVE held in memory, asynchronously, stopping a sound of the program's that still
// plays. The bytes must stay valid while it plays. What the system answers is not looked at.
void playSoundFromMemory(const char* wav);

}  // namespace skymra
