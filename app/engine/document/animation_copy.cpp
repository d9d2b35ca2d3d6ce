#include "document/animation_copy.h"

#include <cstring>

namespace kx::app {

size_t AnimationCopy::heldBytes() const {
    size_t bytes = sizeof *this + entries.capacity() * sizeof(Entry);
    for (const Entry& e : entries) bytes += e.frames.capacity() * sizeof(AnimFrame);
    return bytes;
}

AnimationCopy copyAnimation(const std::function<int(const CadObject*)>& uidOf) {
    AnimationCopy copy;
    const AniSettings* s = GetAniSettings(nullptr);
    if (!s) return copy;
    copy.settings = *s;
    if (!IsAni()) return copy;
    copy.entries.reserve(s->objectCount);
    for (unsigned i = 0; i < s->objectCount; ++i) {
        const AnimObject* e = GetAniObject(i);
        AnimationCopy::Entry entry;
        if (e) {
            entry.type = e->type;
            if (e->object && e->frames) {
                entry.uid = uidOf(e->object);
                entry.frames.assign(e->frames, e->frames + s->maxFrames);
            }
        }
        copy.entries.push_back(std::move(entry));
    }
    return copy;
}

bool restoreAnimation(const AnimationCopy& copy, const std::function<CadObject*(int uid)>& objectOf) {
    std::vector<AnimObject> table(copy.entries.size(), AnimObject{nullptr, nullptr, 0});
    for (size_t i = 0; i < copy.entries.size(); ++i) {
        const AnimationCopy::Entry& e = copy.entries[i];
        table[i].type = e.type;
        CadObject* object = e.uid >= 0 ? objectOf(e.uid) : nullptr;
        if (!object || e.frames.size() != copy.settings.maxFrames) continue;
        table[i].object = object;
        table[i].frames = const_cast<AnimFrame*>(e.frames.data());
    }
    return SetAniTable(&copy.settings, table.data(), static_cast<unsigned>(table.size())) != 0;
}

bool sameAnimation(const AnimationCopy& a, const AnimationCopy& b) {
    AniSettings x = a.settings, y = b.settings;
    x.frameChange = y.frameChange = 0;
    if (std::memcmp(&x, &y, sizeof x) != 0 || a.entries.size() != b.entries.size()) return false;
    for (size_t i = 0; i < a.entries.size(); ++i) {
        const AnimationCopy::Entry& p = a.entries[i];
        const AnimationCopy::Entry& q = b.entries[i];
        if (p.uid != q.uid || p.type != q.type || p.frames.size() != q.frames.size() ||
            (!p.frames.empty() && std::memcmp(p.frames.data(), q.frames.data(), p.frames.size() * sizeof(AnimFrame))))
            return false;
    }
    return true;
}

}  // namespace kx::app
