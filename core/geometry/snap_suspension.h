// The switch that keeps stored positions unsnapped while a file is read.
#pragma once

#include "core_state.h"

namespace kx::geometry {

// Keeps SnapCadObject from moving anything while it lives; the scene readers
// hold one so that positions read from a file stay as they were written.
class SnapSuspension {
public:
    SnapSuspension() {
        // A new read starts with the whole time its surfaces may take.
        if (core().geometry.snapSuspended++ == 0) core().geometry.readingProxyMilliseconds = 0;
    }
    ~SnapSuspension() { --core().geometry.snapSuspended; }
    SnapSuspension(const SnapSuspension&) = delete;
    SnapSuspension& operator=(const SnapSuspension&) = delete;
};

}  // namespace kx::geometry
