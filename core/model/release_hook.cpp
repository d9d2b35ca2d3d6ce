#include "model/release_hook.h"

#include "core_state.h"

namespace {
KxObjectReleaseHook& hook() { return kx::core().objects.releaseHook; }
}

namespace kx::model {

void notifyPointsReleased(CadObject* obj) {
    if (hook() && obj) hook()(obj, 0);
}

void notifyObjectReleased(CadObject* obj) {
    if (hook() && obj) hook()(obj, 1);
}

}  // namespace kx::model

KxObjectReleaseHook SetObjectReleaseHook(KxObjectReleaseHook hook) {
    KxObjectReleaseHook previous = ::hook();
    ::hook() = hook;
    return previous;
}
