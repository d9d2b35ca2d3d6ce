// The host functions as a plug-in's or a script's run reaches them, set up
// for a test while it lives: the event table, the handle table with its
// release hook, redraws asked for, and handles kept until the run frees them.
#pragma once

#include "kxcore.h"
#include "plugins/host_state.h"

namespace kxtest {

class HostCalls {
public:
    HostCalls() {
        InitKalvexEvent();
        kx::plugins::attachHandleTable();
        kx::plugins::hostState().sceneRedrawOff = false;
        kx::plugins::hostState().autoFree = false;
    }
    ~HostCalls() {
        kx::plugins::detachHandleTable();
        DestroyKalvexEvent();
    }
    HostCalls(const HostCalls&) = delete;
    HostCalls& operator=(const HostCalls&) = delete;
};

}  // namespace kxtest
