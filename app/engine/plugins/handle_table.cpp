#include "plugins/handle_table.h"

namespace kx::plugins {

CadObject* HandleTable::object(int h) {
    if (!inRange(h)) {
        lastError = "invalid object handle";
        return nullptr;
    }
    if (entries_[h].object == nullptr) {
        lastError = "null object handle";
        return nullptr;
    }
    return entries_[h].object;
}

int HandleTable::take(CadObject* obj) {
    for (int h = 1; h < kCount - 1; ++h) {
        if (entries_[h].object == nullptr) {
            entries_[h] = {obj, nullptr};
            return h;
        }
    }
    lastError = "no free handles";
    return -1;
}

int HandleTable::inUse() const {
    int n = 0;
    for (const auto& e : entries_) n += e.object != nullptr ? 1 : 0;
    return n;
}

void HandleTable::objectReleased(const CadObject* obj) {
    for (auto& e : entries_) {
        if (e.object == obj) e = {};
    }
}

void HandleTable::pointsReleased(const CadObject* obj) {
    for (auto& e : entries_) {
        if (e.object == obj) e.cursor = nullptr;
    }
}

}  // namespace kx::plugins
