#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace skymra {

// Light yellow on screen (bytes C0 FF FF 80); the fourth byte is deliberately 0x80.
constexpr std::int32_t MarkColor = static_cast<std::int32_t>(0x80FFFFC0u);

// Overwrites newPixels with the change map (MarkColor where the wrapped magnitude of the packed
// difference reaches threshold, 0 elsewhere) and returns the number of marked pixels less one,
// 0 when none is marked. The spans must be of equal length (std::invalid_argument otherwise) and
// must either be the same buffer or not overlap at all.
std::int32_t compareFrames(std::span<std::int32_t> newPixels,
                           std::span<const std::int32_t> refPixels, std::int32_t threshold);

// True when the change count is above five times the slider's value (signed 32-bit, wrapping).
bool alarmRaised(std::int32_t changeCount, std::int32_t sliderValue);

// The instruction sets compareFrames can run on; it picks the widest the processor has.
enum class SimdTarget { Portable, Sse2, Avx2, Avx512 };

std::string_view targetName(SimdTarget target);
// Every target this build has code for and this processor can run, narrowest first.
std::vector<SimdTarget> supportedTargets();
SimdTarget activeTarget();
// compareFrames on one given target; the target must be one of supportedTargets().
std::int32_t compareFramesOn(SimdTarget target, std::span<std::int32_t> newPixels,
                             std::span<const std::int32_t> refPixels, std::int32_t threshold);

}  // namespace skymra
