#include "model/release_hook.h"

#include "kx/objects.h"

namespace {
KxObjectReleaseHook g_hook = nullptr;
}

namespace kx::model {

void notifyPointsReleased(CadObject* obj) {
    if (g_hook && obj) g_hook(obj, 0);
}

void notifyObjectReleased(CadObject* obj) {
    if (g_hook && obj) g_hook(obj, 1);
}

}  // namespace kx::model

KxObjectReleaseHook SetObjectReleaseHook(KxObjectReleaseHook hook) {
    KxObjectReleaseHook previous = g_hook;
    g_hook = hook;
    return previous;
}
