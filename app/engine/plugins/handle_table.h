// The small integer handles plug-ins name objects by: 65 entries, each the
// object and a geometry cursor in its point list. The core tells the table
// when an object or its point list is freed, so no entry outlives its memory.
#pragma once

#include <array>
#include <string>

#include "kxcore.h"

namespace kx::plugins {

struct HandleEntry {
    CadObject* object = nullptr;
    ListEntry* cursor = nullptr;
};

class HandleTable {
public:
    static constexpr int kCount = 65;
    static constexpr int kAutoFree = 0;

    void clear() { entries_.fill({}); }
    bool inRange(int h) const { return h >= 0 && h < kCount; }
    // The entry of h, or null out of range.
    HandleEntry* entry(int h) { return inRange(h) ? &entries_[h] : nullptr; }
    // The object of a valid handle, or null (with the last error set).
    CadObject* object(int h);
    // A free entry among 1 to 63 set to obj, or -1 ("no free handles").
    int take(CadObject* obj);
    void release(int h) {
        if (inRange(h)) entries_[h] = {};
    }
    int inUse() const;

    // From the core's release hook.
    void objectReleased(const CadObject* obj);
    void pointsReleased(const CadObject* obj);

    std::string lastError;

private:
    std::array<HandleEntry, kCount> entries_{};
};

}  // namespace kx::plugins
