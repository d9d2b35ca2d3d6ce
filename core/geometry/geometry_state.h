// State of the primitive generators: part of the core's one state aggregate.
#pragma once

#include <cstdlib>

#include "kx/types.h"

namespace kx {

struct GeometryState {
    double subFactor = 1.0;  // as set by SetSubFactor
    double steps = 6.0;      // 6 / subFactor
    // Non-zero while a scene file is read: stored positions are kept as written.
    unsigned snapSuspended = 0;
    // The record CreateDefaultInfo hands out.
    CadObjectInfo defaultInfo{};

    // Back to a freshly loaded library; an unclaimed extra block is freed.
    void reset() {
        std::free(defaultInfo.extra);
        *this = GeometryState{};
    }
};

}  // namespace kx
