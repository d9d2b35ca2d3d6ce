// Where the main window and its views go: the share of the screen a first
// start takes, and the views tiled as quad-view modellers tile them (plan top
// left, perspective top right, front bottom left, side bottom right). No Qt here.
#pragma once

#include <optional>
#include <vector>

#include "settings/settings.h"
#include "views/view_kinds.h"

namespace kx::app {

// The share of the available screen, across and down, that a first start takes.
inline constexpr double kFirstStartShare = 0.8;

// The window's place on a first start: kFirstStartShare of the available
// screen area, centred in it.
StoredRect firstStartFrame(const StoredRect& available);

// A screen as the window system offers it: its whole place on the desktop
// and the part of it windows may take (without panels and docks).
struct ScreenArea {
    StoredRect whole;
    StoredRect available;
};

// Where the window opens.
struct FramePlacement {
    StoredRect frame;
    bool maximize = false;
};

// The newest place the window was closed at on one of the screens there are
// now, fitted into that screen's free area (never wider or taller, never
// beyond an edge); none when it was closed on none of them.
std::optional<FramePlacement> rememberedPlace(const DesktopSettings& desktop, const std::vector<ScreenArea>& screens);

// The window closes at `frame` (its normal place) on `screen`: FramePos and
// that screen's remembered place follow, the screen's place moved first.
void rememberFrame(DesktopSettings& desktop, const StoredRect& screen, const StoredRect& frame, bool maximized);

// `rect` moved and cut to lie within `area`.
StoredRect fitInto(StoredRect rect, const StoredRect& area);

// True when the settings hold no window or view place yet: the program has
// not been closed with these settings before.
bool isFirstStart(const DesktopSettings& desktop);

// The view kinds in tiling order: plan, perspective, front, side.
inline constexpr ViewKind kTileOrder[] = {kPlan, kPerspective, kFront, kSide};

// Cells for n views in an area, in tiling order: one fills it; two side by
// side; three as two above and one across below; four as a quad. Rows and
// columns share out the odd pixel so that the cells cover the area exactly.
std::vector<StoredRect> tileCells(int count, int width, int height);

}  // namespace kx::app
