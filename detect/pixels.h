#pragma once

#include <cstdint>
#include <span>

namespace skymra {

// The size of every picture the tool shows, snapshots and compares.
inline constexpr int FrameWidth = 320;
inline constexpr int FrameHeight = 240;
inline constexpr int FramePixels = FrameWidth * FrameHeight;

// Copies 0xAARRGGBB pixels with every fourth byte set to 0xFF: the colour a picture shows
// whatever its spare byte holds. from and to are the same buffer or do not overlap; as many
// pixels as the shorter holds.
void makeOpaque(std::span<const std::uint32_t> from, std::span<std::uint32_t> to);
inline void makeOpaque(std::span<std::uint32_t> pixels) { makeOpaque(pixels, pixels); }

}  // namespace skymra
