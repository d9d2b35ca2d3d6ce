// Colours as the settings and the scene keep them (0x00BBGGRR) and as Qt does.
#pragma once

#include <QColor>
#include <cstdint>

namespace kx::app {

inline QColor bgrToColour(uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

inline uint32_t colourToBgr(const QColor& c) {
    return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
           (static_cast<uint32_t>(c.blue()) << 16);
}

}  // namespace kx::app
