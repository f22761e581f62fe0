#pragma once

#include <QColor>

#include <cstdint>

namespace skymra {

// Control colours are written &HBBGGRR: blue in the high byte, red in the low one.
inline QColor fromBgr(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

constexpr std::uint32_t IdleColor = 0xC0FFFF;   // light yellow
constexpr std::uint32_t AlarmColor = 0x0000FF;  // red, the value 255
constexpr std::uint32_t FormColor = 0x808000;   // teal
constexpr std::uint32_t NavyColor = 0x800000;
constexpr std::uint32_t SilverColor = 0xC0C0C0;

}  // namespace skymra
