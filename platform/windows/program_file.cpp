// Windows: the program's own resources, and the multimedia library's player.
#include "platform/program_file.h"

#include <windows.h>

#include <mmsystem.h>

namespace skymra {

std::string_view programResource(const char* type, std::int32_t id) {
    // MAKEINTRESOURCE keeps only the low 16 bits: a larger id would name another resource.
    if (id < 1 || id > 0xFFFF) return {};
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(nullptr, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return {};
    // A module's resources stay mapped while it is loaded: no copy, no release.
    return {static_cast<const char*>(bytes), SizeofResource(nullptr, found)};
}

bool systemPlaysSoundFromMemory() { return true; }

void playSoundFromMemory(const char* wav) {
    // One sound at a time, and a new one starts from its beginning: the call itself sees to both.
    PlaySoundA(wav, nullptr, SND_ASYNC | SND_MEMORY);
}

}  // namespace skymra
