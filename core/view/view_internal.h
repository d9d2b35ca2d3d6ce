// Helpers shared by the view files; not exported.
#pragma once

#include <climits>
#include <cmath>

#include "core_state.h"

namespace kx::view {

inline ViewState& state() { return core().view; }

// Truncation toward zero that cannot overflow: values beyond the int range
// saturate and NaN gives 0. A depth near 0 or a huge zoom produce such values.
inline int saturatingTrunc(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483648.0) return INT_MAX;
    if (v <= -2147483649.0) return INT_MIN;
    return static_cast<int>(v);
}

// The active camera's eye point and target, which the perspective is aimed at.
// Writes both; a null argument is skipped.
void activeCameraAim(Point3d* location, Point3d* lookAt);

// The camera object is about to be freed: the camera forgets it.
void forgetCameraObject(const CadObject* obj);

// Unregisters the picking rectangle when it lies inside obj, which is about to
// be freed.
void forgetBoundIn(const CadObject* obj);

}  // namespace kx::view
