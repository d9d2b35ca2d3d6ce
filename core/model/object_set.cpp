// Linear probing with deletion by shifting back, so that no tombstones build
// up in a scene where objects come and go for hours.
#include "model/object_set.h"

#include <bit>
#include <cstddef>
#include <new>

#include "kxcore.h"

namespace kx::model {

namespace {

constexpr size_t kFirstSize = 64;

}  // namespace

size_t ObjectSet::home(const CadObject* obj) const {
    // Records sit at least 16 bytes apart, and records made one after the
    // other mostly sit side by side: keeping that order in the table lets a
    // walk of the list (creating, deleting everything) touch the table in
    // order too. The higher address bits folded in break up strides that are
    // powers of two, which would otherwise fall on the same few slots.
    const size_t key = static_cast<size_t>(reinterpret_cast<uintptr_t>(obj) >> 4);
    const auto bits = static_cast<unsigned>(std::countr_zero(slots_.size()));
    return (key + (key >> bits)) & (slots_.size() - 1);
}

bool ObjectSet::contains(const CadObject* obj) const {
    if (!obj || slots_.empty()) return false;
    const size_t mask = slots_.size() - 1;
    for (size_t i = home(obj);; i = (i + 1) & mask) {
        if (slots_[i] == obj) return true;
        if (!slots_[i]) return false;
    }
}

void ObjectSet::grow() { rehash(slots_.empty() ? kFirstSize : slots_.size() * 2); }

void ObjectSet::rehash(size_t size) {
    std::vector<const CadObject*> old(size, nullptr);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (const CadObject* obj : old) {
        if (!obj) continue;
        size_t i = home(obj);
        while (slots_[i]) i = (i + 1) & mask;
        slots_[i] = obj;
    }
}

void ObjectSet::insert(const CadObject* obj) {
    if (!obj) return;
    // At most half full, so that a probe rarely runs past a few slots.
    if (2 * (count_ + 1) > slots_.size()) grow();
    const size_t mask = slots_.size() - 1;
    size_t i = home(obj);
    for (; slots_[i]; i = (i + 1) & mask)
        if (slots_[i] == obj) return;
    slots_[i] = obj;
    ++count_;
}

void ObjectSet::erase(const CadObject* obj) {
    if (!obj || slots_.empty()) return;
    const size_t mask = slots_.size() - 1;
    size_t hole = home(obj);
    while (slots_[hole] != obj) {
        if (!slots_[hole]) return;
        hole = (hole + 1) & mask;
    }
    // Pull later members of the run back into the hole when the hole lies
    // on their way from their home slot, so every probe still finds them.
    for (size_t i = (hole + 1) & mask; slots_[i]; i = (i + 1) & mask) {
        const size_t want = home(slots_[i]);
        const bool holeOnTheWay = ((i - want) & mask) >= ((i - hole) & mask);
        if (holeOnTheWay) {
            slots_[hole] = slots_[i];
            hole = i;
        }
    }
    slots_[hole] = nullptr;
    --count_;
    // A scene that shrank far below its table would pay for the empty slots
    // at every pass over the members: halve it, which leaves it a quarter full.
    if (slots_.size() > kFirstSize && 8 * count_ < slots_.size()) {
        try {
            rehash(slots_.size() / 2);
        } catch (const std::bad_alloc&) {
            // The larger table still holds every member.
        }
    }
}

void ObjectSet::clearSelectedFlags() const {
    constexpr size_t kAhead = 96;  // slots, some forty records at the usual load
    const size_t n = slots_.size();
    for (size_t i = 0; i < n; ++i) {
        if (i + kAhead < n && slots_[i + kAhead])
            __builtin_prefetch(&slots_[i + kAhead]->selected, 0);
        CadObject* obj = const_cast<CadObject*>(slots_[i]);
        if (obj && obj->selected) obj->selected = 0;
    }
}

void ObjectSet::clear() {
    std::vector<const CadObject*>().swap(slots_);
    count_ = 0;
}

}  // namespace kx::model
