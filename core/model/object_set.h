// The set of live object records: a flat open-addressing table of pointers.
// Asking whether a record is live costs one probe into one array, adding one
// allocates nothing until the table grows, and visiting every live record
// reads the slots in order, so the records themselves can be fetched side by
// side instead of one list link after another. Not exported.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct CadObject;

namespace kx::model {

class ObjectSet {
public:
    // Throws std::bad_alloc when the table cannot grow; the set is then as it was.
    void insert(const CadObject* obj);
    // Never throws: a table that cannot shrink stays as it is.
    void erase(const CadObject* obj);
    [[nodiscard]] bool contains(const CadObject* obj) const;
    [[nodiscard]] size_t size() const { return count_; }
    // Empties the set and gives its table back.
    void clear();

    // Calls visit(CadObject*) for every member, in no particular order; visit
    // must not change the set.
    template <class Visit>
    void forEach(Visit visit) const {
        for (const CadObject* obj : slots_)
            if (obj) visit(const_cast<CadObject*>(obj));
    }

    // Clears every member's selected flag. The records of a large scene are
    // not in the cache; each is asked for well before its turn, so that many
    // are on their way at once rather than one after another.
    void clearSelectedFlags() const;

private:
    [[nodiscard]] size_t home(const CadObject* obj) const;
    void grow();
    void rehash(size_t size);  // size a power of two above count_

    std::vector<const CadObject*> slots_;  // a power of two in size, or empty
    size_t count_ = 0;
};

}  // namespace kx::model
