#include "core_state.h"

#include "anim/anim_internal.h"

namespace kx {

CoreState& core() {
    static CoreState state;
    return state;
}

void resetCoreForTests() {
    DeleteAllCadObjects();
    CoreState& s = core();
    s.settings = CoreSettings{};
    s.log = LogState{};
    s.objects.selection.clear();
    s.objects.counters.fill(0);
    s.objects.selectorTree = nullptr;
    s.objects.selectorParent = nullptr;
    s.objects.lastAtom = nullptr;
    s.objects.scene = CadScene{};
    s.view = ViewState{};
    s.geometry.reset();
    s.camera = CameraInfo{};
    kx::anim::reset();
    ClearTexture(s.textures.head);
    s.textures = TextureState{};
    ExitTextureBuiler();
    s.userTextures = UserTextureState{};
    ClearKalvexEvent();
    KxSetUiCallbacks(nullptr);
}

}  // namespace kx
