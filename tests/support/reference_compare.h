#pragma once

// The comparison written out plainly, pixel by pixel with its branch and the LastMark rule:
// the yardstick for the vectorised kernels in tests, the fuzz target and the benchmark.
#include "detect/frame_compare.h"

#include <cstddef>
#include <cstdint>

namespace skymra::reference {

inline std::int32_t compareFrames(std::int32_t* now, const std::int32_t* ref, std::size_t n,
                                  std::int32_t threshold) {
    std::int32_t changeCount = 0;
    std::int32_t lastMark = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t d =
            static_cast<std::uint32_t>(now[k]) - static_cast<std::uint32_t>(ref[k]);
        const std::uint32_t a = static_cast<std::int32_t>(d) < 0 ? 0u - d : d;
        if (static_cast<std::int32_t>(a) < threshold) {
            now[k] = 0;
        } else {
            now[k] = MarkColor;
            if (lastMark == MarkColor) ++changeCount;
            lastMark = MarkColor;
        }
    }
    return changeCount;
}

}  // namespace skymra::reference
