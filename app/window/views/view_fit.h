// What View > Zoom to Fit and Zoom to Selection frame.
#pragma once

#include "kxcore.h"

namespace kx::app {

enum class FitTarget {
    // Every object the views draw; lights and the camera only when nothing
    // else is there, so that a far light does not shrink the scene to a dot.
    Objects,
    // The selected objects, whatever their type.
    Selection,
};

// The box around the target's placed geometry; false when there is nothing.
bool fitBounds(FitTarget target, Point3d& lo, Point3d& hi);

}  // namespace kx::app
