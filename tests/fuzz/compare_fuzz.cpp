// Random buffers, lengths, offsets and thresholds: every dispatch target must match the plain
// loop, pixel for pixel and count for count, and touch nothing outside its span.
#include "detect/frame_compare.h"
#include "tests/support/reference_compare.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 13) return 0;  // at least one pixel pair; empty spans are covered by the unit tests
    std::int32_t threshold;
    std::memcpy(&threshold, data, 4);
    const std::size_t offset = data[4] % 16;
    data += 5;
    size -= 5;
    const std::size_t n = size / 8;
    std::vector<std::int32_t> now(n), ref(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::memcpy(&now[i], data + 8 * i, 4);
        std::memcpy(&ref[i], data + 8 * i + 4, 4);
    }
    std::vector<std::int32_t> expected = now;
    const std::int32_t expectedCount =
        skymra::reference::compareFrames(expected.data(), ref.data(), n, threshold);
    for (const skymra::SimdTarget target : skymra::supportedTargets()) {
        // Exactly sized heap blocks behind an odd offset, so ASan sees any stray access.
        auto* nb = static_cast<std::int32_t*>(std::malloc((n + offset) * 4 + 1));
        auto* rb = static_cast<std::int32_t*>(std::malloc((n + offset) * 4 + 1));
        std::memcpy(nb + offset, now.data(), n * 4);
        std::memcpy(rb + offset, ref.data(), n * 4);
        const std::int32_t count =
            skymra::compareFramesOn(target, {nb + offset, n}, {rb + offset, n}, threshold);
        if (count != expectedCount || std::memcmp(nb + offset, expected.data(), n * 4) != 0)
            std::abort();
        std::free(nb);
        std::free(rb);
    }
    return 0;
}
