#include "detect/pixels.h"

#include <algorithm>
#include <cstddef>

namespace skymra {

void makeOpaque(std::span<const std::uint32_t> from, std::span<std::uint32_t> to) {
    const std::size_t n = std::min(from.size(), to.size());
    // A plain loop over raw pointers: the compiler vectorises it for the build's target.
    const std::uint32_t* in = from.data();
    std::uint32_t* out = to.data();
    for (std::size_t i = 0; i < n; ++i) out[i] = in[i] | 0xFF000000u;
}

}  // namespace skymra
