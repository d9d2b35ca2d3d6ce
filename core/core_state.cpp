#include "core_state.h"

#include "anim/anim_internal.h"
#include "model/release_hook.h"
#include "view/view_internal.h"

namespace kx {

CoreState& core() {
    static CoreState state;
    return state;
}

void objectAboutToBeFreed(CadObject* obj) {
    kx::model::notifyObjectReleased(obj);
    kx::view::forgetBoundIn(obj);
    kx::view::forgetCameraObject(obj);
    // The animation must never keep the freed record, selected or not.
    kx::anim::forgetObject(obj);
}

void resetCoreForTests() {
    // What the state owns through plain pointers is freed first; then the
    // whole aggregate is replaced, so no member can be forgotten.
    DeleteAllCadObjects();
    CoreState& s = core();
    s.geometry.reset();
    ClearTexture(s.textures.head);
    ExitTextureBuiler();
    ClearKalvexEvent();
    KxSetUiCallbacks(nullptr);
    s = CoreState{};
    kx::anim::reset();
}

}  // namespace kx
