// State of the views' projection maths: part of the core's one state aggregate.
#pragma once

#include <array>

#include "kx/types.h"
#include "kx/view.h"

namespace kx {

// A rotation about an arbitrary axis through a point: p' = R p + T.
struct PreparedRotation {
    double r[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    double t[3] = {0, 0, 0};
};

// One view's zoom (pixels per unit; the camera distance for the perspective)
// and pan in scene coordinates.
struct ViewEntry {
    double distance = 0.0;
    Point3d pan{0, 0, 0};
};

inline constexpr unsigned kViewCount = 4;
inline constexpr double kDefaultPerspectiveDistance = 20.0;
inline constexpr double kDefaultZoom = 16.0;

struct ViewState {
    // The program may draw before the first scene exists, so the table starts
    // at the defaults rather than at zero zoom.
    std::array<ViewEntry, kViewCount> views{{{kDefaultPerspectiveDistance, {0, 0, 0}},
                                             {kDefaultZoom, {0, 0, 0}},
                                             {kDefaultZoom, {0, 0, 0}},
                                             {kDefaultZoom, {0, 0, 0}}}};
    double isoDistance = 0.0;
    double cx = 0.0;  // half the view window's width in pixels
    double cy = 0.0;  // half its height
    double angles[3] = {0, 0, 0};
    double viewOffset[3] = {0, 0, 0};  // minus the camera target
    double eyeOffset[3] = {0, 0, 0};
    double matrix[3][3] = {};
    int eyeOffsetEnabled = 0;  // set by InitDistance
    ViewConversionProc conversion = &ConvertISO;
    RECT fixedBound{0, 0, 4096, 4096};
    int boundFlag = 0;
    RECT* bound = nullptr;  // the rectangle viewBoundAdd widens
    PreparedRotation rotation;
};

}  // namespace kx
