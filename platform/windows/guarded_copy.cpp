// Windows: the memory's state is asked of the system first, then the system copies it for us.
#include "platform/guarded_copy.h"

#include <windows.h>

#include <cstdint>

namespace skymra {
namespace {

constexpr DWORD Readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

// Every page of the range committed and readable. Wine's ReadProcessMemory copies from our own
// released memory and reports success; its VirtualQuery does know.
bool readable(const void* from, std::size_t n) {
    auto at = reinterpret_cast<std::uintptr_t>(from);
    const std::uintptr_t end = at + n;
    while (at < end) {
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) == 0 ||
            region.State != MEM_COMMIT || !(region.Protect & Readable) ||
            (region.Protect & PAGE_GUARD))
            return false;
        at = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
    }
    return true;
}

}  // namespace

bool guardedCopy(void* to, const void* from, std::size_t n) {
    if (n == 0) return true;
    if (!readable(from, n)) return false;
    // The system's copy refuses pages that go in the meantime.
    SIZE_T got = 0;
    return ReadProcessMemory(GetCurrentProcess(), from, to, n, &got) && got == n;
}

}  // namespace skymra
