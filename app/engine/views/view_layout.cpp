#include "views/view_layout.h"

#include <algorithm>
#include <cmath>

namespace kx::app {

StoredRect firstStartFrame(const StoredRect& available) {
    const int w = static_cast<int>(std::lround(available.width * kFirstStartShare));
    const int h = static_cast<int>(std::lround(available.height * kFirstStartShare));
    return StoredRect{available.left + (available.width - w) / 2, available.top + (available.height - h) / 2, w, h};
}

namespace {

bool sameRect(const StoredRect& a, const StoredRect& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

}  // namespace

StoredRect fitInto(StoredRect r, const StoredRect& area) {
    r.width = std::min(r.width, area.width);
    r.height = std::min(r.height, area.height);
    r.left = std::clamp(r.left, area.left, area.left + area.width - r.width);
    r.top = std::clamp(r.top, area.top, area.top + area.height - r.height);
    return r;
}

std::optional<FramePlacement> rememberedPlace(const DesktopSettings& d, const std::vector<ScreenArea>& screens) {
    for (const ScreenPlace& place : d.framePlaces)
        for (const ScreenArea& screen : screens)
            if (sameRect(place.screen, screen.whole) && !screen.available.empty())
                return FramePlacement{fitInto(place.frame, screen.available), place.maximize != 0};
    return std::nullopt;
}

void rememberFrame(DesktopSettings& d, const StoredRect& screen, const StoredRect& frame, bool maximized) {
    d.framePos = frame;
    d.maximize = maximized ? 1 : 0;
    if (screen.empty() || frame.empty()) return;
    std::erase_if(d.framePlaces, [&](const ScreenPlace& p) { return sameRect(p.screen, screen); });
    d.framePlaces.insert(d.framePlaces.begin(), ScreenPlace{screen, frame, maximized ? 1 : 0});
    if (d.framePlaces.size() > kMaxScreenPlaces) d.framePlaces.resize(kMaxScreenPlaces);
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
