// Putting back a whole animation at once, as undo and redo do: the table is
// made aside and swapped in, so a failure leaves the animation as it was.
#include <algorithm>
#include <new>
#include <vector>

#include "anim/anim_internal.h"
#include "model/memory.h"

int SetAniTable(const AniSettings* settings, const AnimObject* entries, unsigned count) noexcept {
    if (!settings || (count && !entries)) return 0;
    kx::AnimState& st = kx::anim::state();
    if (!settings->active) {
        // Freed without giving objects back their types: they are restored by the caller.
        st.table.clear();
        st.frames.clear();
        st.hasTable = false;
        st.settings = *settings;
        return 1;
    }
    const uint32_t frames = settings->maxFrames;
    const uint32_t capacity = std::max<uint32_t>(settings->capacity, count);
    if (frames > KX_ANIM_MAX_FRAMES || capacity > KX_ANIM_MAX_ENTRIES) return 0;
    uint64_t live = 0;
    for (unsigned i = 0; i < count; ++i) live += entries[i].object && entries[i].frames;
    if (live * frames > KX_ANIM_MAX_FRAME_RECORDS) return 0;
    try {
        std::vector<AnimObject> table(capacity, AnimObject{nullptr, nullptr, 0});
        std::vector<kx::FrameArray> owned(capacity);
        uint32_t emptied = 0;
        for (unsigned i = 0; i < count; ++i) {
            const AnimObject& from = entries[i];
            table[i].type = from.type;
            if (!from.object || !from.frames) {
                ++emptied;
                continue;
            }
            owned[i].reset(kx::mem::allocZeroed<AnimFrame>(frames));
            if (!owned[i] && frames) return 0;
            std::copy(from.frames, from.frames + frames, owned[i].get());
            table[i].object = from.object;
            table[i].frames = owned[i].get();
        }
        st.table.swap(table);
        st.frames.swap(owned);
        st.hasTable = true;
        st.settings = *settings;
        st.settings.capacity = capacity;
        st.settings.objectCount = count;
        st.settings.deletedCount = emptied;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}
