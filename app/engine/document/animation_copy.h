// The scene's animation at one moment, for undo: its settings and its table,
// each entry's object named by its number within an edit step rather than by
// address, so that an object deleted and brought back keeps its frames.
#pragma once

#include <functional>
#include <vector>

#include "kxcore.h"

namespace kx::app {

struct AnimationCopy {
    struct Entry {
        int uid = -1;  // -1: an emptied entry, or an object the step does not know
        uint32_t type = 0;
        std::vector<AnimFrame> frames;
    };
    AniSettings settings{};
    std::vector<Entry> entries;

    size_t heldBytes() const;
};

// The animation as it stands; uidOf names each entry's object.
AnimationCopy copyAnimation(const std::function<int(const CadObject*)>& uidOf);
// Puts a copy back; objectOf gives the live object of a number (null: the
// entry stays emptied). False when the core could not take it.
bool restoreAnimation(const AnimationCopy& copy, const std::function<CadObject*(int uid)>& objectOf);
// Whether two copies hold the same animation. The flag that says the shown
// frame was edited does not count: views set it when they hear of any change.
bool sameAnimation(const AnimationCopy& a, const AnimationCopy& b);

}  // namespace kx::app
