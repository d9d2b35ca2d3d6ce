// The 256-entry palette of the current image.
#include <algorithm>
#include <cstring>

#include "image_state.h"
#include "surface.h"

using kx::image::state;

void pxGradPalette() {
    auto& rgb = state().palette.rgb;
    for (unsigned i = 0; i < 256; ++i) {
        rgb[3 * i] = static_cast<uint8_t>(((i >> 4) * 64) % 256);
        rgb[3 * i + 1] = static_cast<uint8_t>(((i >> 2) * 64) % 256);
        rgb[3 * i + 2] = static_cast<uint8_t>((i * 64) % 256);
    }
}

int pxCreatePalette(int count, const unsigned char* rgb) {
    if (!rgb || count <= 0) return 0;
    size_t n = static_cast<size_t>(std::min(count, 256));
    std::memcpy(state().palette.rgb.data(), rgb, n * 3);
    return 1;
}

int pxInitPalette(int count) {
    if (!state().image.surface) {
        ErrorMessage("Error: Invalid Device Context");
        return 0;
    }
    if (count < 1 || count > 256) {
        ErrorMessage("Error Intializing System Palette");
        return 0;
    }
    return 1;
}

unsigned char* pxGetImagePalette() { return state().palette.rgb.data(); }

int pxUpdatePaletteEx(HWND window, HDC, int repaint) {
    auto& p = state().palette;
    int changed = 0;
    for (size_t i = 0; i < 256; ++i)
        if (std::memcmp(&p.rgb[3 * i], &p.realised[3 * i], 3) != 0) ++changed;
    p.realised = p.rgb;
    const PxDrawCallbacks& draw = state().draw;
    if (changed > 0 && repaint && window && draw.invalidate) draw.invalidate(draw.context, window);
    return changed;
}

int pxUpdatePalette(HWND window) { return pxUpdatePaletteEx(window, nullptr, 1); }
