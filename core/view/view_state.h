// State of the views' projection maths: part of the core's one state aggregate.
#pragma once

#include <array>

#include "kx/types.h"

namespace kx {

// A rotation about an arbitrary axis through a point: p' = R p + T.
struct PreparedRotation {
    double r[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    double t[3] = {0, 0, 0};
};

struct ViewState {
    PreparedRotation rotation;
};

}  // namespace kx
