#include "views/view_layout.h"

#include <cmath>

namespace kx::app {

StoredRect firstStartFrame(const StoredRect& available) {
    const int w = static_cast<int>(std::lround(available.width * kFirstStartShare));
    const int h = static_cast<int>(std::lround(available.height * kFirstStartShare));
    return StoredRect{available.left + (available.width - w) / 2, available.top + (available.height - h) / 2, w, h};
}

bool isFirstStart(const DesktopSettings& d) {
    return d.framePos.empty() && d.perspPos.empty() && d.frontPos.empty() && d.planPos.empty() && d.sidePos.empty();
}

std::vector<StoredRect> tileCells(int count, int width, int height) {
    std::vector<StoredRect> out;
    if (count <= 0 || width <= 0 || height <= 0) return out;
    const int halfW = width / 2, halfH = height / 2;
    const StoredRect left{0, 0, halfW, height}, right{halfW, 0, width - halfW, height};
    const StoredRect topLeft{0, 0, halfW, halfH}, topRight{halfW, 0, width - halfW, halfH};
    const StoredRect bottom{0, halfH, width, height - halfH};
    const StoredRect bottomLeft{0, halfH, halfW, height - halfH}, bottomRight{halfW, halfH, width - halfW, height - halfH};
    switch (count) {
        case 1: out = {StoredRect{0, 0, width, height}}; break;
        case 2: out = {left, right}; break;
        case 3: out = {topLeft, topRight, bottom}; break;
        default: out = {topLeft, topRight, bottomLeft, bottomRight}; break;
    }
    return out;
}

}  // namespace kx::app
