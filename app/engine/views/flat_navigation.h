// Zoom, fit, grid and pointer position of the flat views (front, plan, side)
// over the core's view table. No Qt here. Canvas points are pixels of the
// screen-sized canvas every view draws on, whose centre InitView has set.
#pragma once

#include <vector>

#include "kxcore.h"
#include "views/view_kinds.h"

namespace kx::app {

// Zoom limits of a flat view, in pixels per scene unit.
inline constexpr double kMinFlatZoom = 0.01;
inline constexpr double kMaxFlatZoom = 100000.0;

// The scene point drawn at a canvas point of a flat view, with the view's pan;
// the coordinate the view does not show is 0. Snapped to the grid when
// snapping is on and snap is asked. Nothing for the perspective view.
Point3d scenePointAt(ViewKind kind, double canvasX, double canvasY, bool snap);

// The two scene coordinates a flat view shows, across then up: 0 x, 1 y, 2 z.
struct ShownAxes {
    int across = 0, up = 1;
};
ShownAxes shownAxes(ViewKind kind);

// Zooms a flat view by factor (more pixels per unit above 1), keeping the
// scene point under the canvas point where it is.
void zoomFlatViewAbout(ViewKind kind, double factor, double canvasX, double canvasY);

// Centres a flat view on the box lo..hi and zooms it so that the box fills
// most of a client area of the given size.
void fitFlatView(ViewKind kind, const Point3d& lo, const Point3d& hi, double width, double height);

// The grid values between lo and hi: multiples of the grid step, or of a
// coarser step (2, 5, 10, 20... times it) when lines would come closer than
// minSpacing pixels at the view's zoom. Empty when nothing sensible fits.
std::vector<double> gridValues(double lo, double hi, double step, double pixelsPerUnit, double minSpacing);

}  // namespace kx::app
