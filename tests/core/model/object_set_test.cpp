#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include "kxcore.h"
#include "model/object_set.h"

namespace kxtest {
namespace {

using kx::model::ObjectSet;

// Addresses only: the set hashes them and never reads the records.
const CadObject* at(uintptr_t address) { return reinterpret_cast<const CadObject*>(address); }

// Deleting from an open-addressing table must leave every other member
// reachable from its home slot, whatever runs of collisions the addresses
// form: random edits under several address patterns, against a plain set.
TEST(ObjectSetTest, MatchesAPlainSetUnderRandomEdits) {
    struct Case {
        const char* what;
        uintptr_t stride;  // between candidate addresses
        unsigned pool;     // candidate addresses
    };
    const Case cases[] = {
        {"records side by side", 336, 3000},
        {"page apart", 4096, 3000},
        {"power-of-two far apart", uintptr_t{1} << 20, 3000},
        {"dense, few", 16, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ObjectSet set;
        std::set<const CadObject*> model;
        std::mt19937 random(11);
        const uintptr_t base = uintptr_t{0x5500'0000'1000};
        for (int step = 0; step < 20000; ++step) {
            const CadObject* obj = at(base + (random() % c.pool) * c.stride);
            if (random() % 3 == 0) {
                set.erase(obj);
                model.erase(obj);
            } else {
                set.insert(obj);
                model.insert(obj);
            }
            const CadObject* probe = at(base + (random() % c.pool) * c.stride);
            ASSERT_EQ(set.contains(probe), model.count(probe) == 1) << "step " << step;
        }
        ASSERT_EQ(set.size(), model.size());
        size_t visited = 0;
        bool allMembers = true;
        set.forEach([&](CadObject* o) {
            ++visited;
            allMembers = allMembers && model.count(o) == 1;
        });
        EXPECT_EQ(visited, model.size());
        EXPECT_TRUE(allMembers);
        // Draining it shrinks the table step by step; no member may get lost.
        std::vector<const CadObject*> left(model.begin(), model.end());
        while (!left.empty()) {
            set.erase(left.back());
            ASSERT_FALSE(set.contains(left.back()));
            left.pop_back();
            if (left.size() % 64 != 0) continue;
            for (const CadObject* o : left) {
                ASSERT_TRUE(set.contains(o)) << left.size() << " left";
            }
        }
        EXPECT_EQ(set.size(), 0u);
    }
}

TEST(ObjectSetTest, ClearingFlagsReachesEveryMemberAndNoOther) {
    std::vector<CadObject> records(300);
    ObjectSet set;
    for (size_t i = 0; i < records.size(); ++i) {
        records[i].selected = 1;
        if (i % 3 != 0) set.insert(&records[i]);
    }
    set.clearSelectedFlags();
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].selected, i % 3 == 0 ? 1 : 0);
    }
}

}  // namespace
}  // namespace kxtest
