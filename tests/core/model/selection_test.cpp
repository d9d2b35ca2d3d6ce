#include "core_fixture.h"

#include <map>
#include <random>
#include <vector>

namespace kxtest {
namespace {

class SelectionTest : public CoreTest {};

TEST_F(SelectionTest, ListKeepsOrderAndUniqueness) {
    CadObject* a = NewCadObject("a");
    CadObject* b = NewCadObject("b");
    CadObject* c = NewCadObject("c");
    EXPECT_EQ(AddSelectedObject(c), 0);
    EXPECT_EQ(AddSelectedObject(a), 0);
    EXPECT_EQ(AddSelectedObject(b), 0);
    EXPECT_EQ(AddSelectedObject(a), 1);
    EXPECT_EQ(GetObjectsSelectedCount(), 3u);
    EXPECT_EQ(GetSelectedObject(0), c);
    EXPECT_EQ(GetSelectedObject(3), nullptr);

    EXPECT_EQ(RemoveSelectedObject(b), 1);  // the last one
    EXPECT_EQ(GetObjectsSelectedCount(), 2u);
    EXPECT_EQ(GetSelectedObject(1), a);
    EXPECT_EQ(b->selected, 0);
    EXPECT_EQ(RemoveSelectedObject(b), 0);
    EXPECT_EQ(RemoveSelectedObject(c), 1);  // the first one
    EXPECT_EQ(GetSelectedObject(0), a);

    EXPECT_EQ(GetNextSelectedObject(nullptr), a);
    EXPECT_EQ(GetNextSelectedObject(a), nullptr);
    InitSelectList();
    EXPECT_EQ(GetObjectsSelectedCount(), 0u);
    EXPECT_EQ(a->selected, 1);  // forgetting the list leaves the flags
    EXPECT_EQ(SetObjectsUnSelected(), 1);
    EXPECT_EQ(a->selected, 0);
}

TEST_F(SelectionTest, DeletedObjectLeavesTheList) {
    CadObject* a = NewCadObject("a");
    CadObject* b = NewCadObject("b");
    AddSelectedObject(a);
    AddSelectedObject(b);
    DeleteCadObject(a);
    ASSERT_EQ(GetObjectsSelectedCount(), 1u);
    EXPECT_EQ(GetSelectedObject(0), b);
}

TEST_F(SelectionTest, EnumerationSkipsObjectsWithoutPoints) {
    CadObject* empty = NewCadObject("empty");
    CadObject* mesh = makeMesh("mesh", 1);
    AddSelectedObject(empty);
    AddSelectedObject(mesh);
    static std::vector<CadObject*> seen;
    seen.clear();
    EXPECT_EQ(EnumCadObjects([](CadObject* o, unsigned arg) {
        EXPECT_EQ(arg, 7u);
        seen.push_back(o);
        return 1;
    }, 7), 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], mesh);

    seen.clear();
    // The callback may delete the object it is given.
    EXPECT_EQ(EnumAllCadObjects([](CadObject* o, long) {
        seen.push_back(o);
        DeleteCadObject(o);
        return 1;
    }, 0), 1);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(EnumAllCadObjects([](CadObject*, long) { return 1; }, 0), 0);
}

TEST_F(SelectionTest, SelectByName) {
    CadObject* a = NewCadObject("Lamp");
    CadObject* b = NewCadObject("lamp");
    CadObject* c = NewCadObject("table");
    c->selected = 1;
    EXPECT_EQ(SelectCadObjectByName("LAMP", 0), 1);
    EXPECT_EQ(a->selected, 1);
    EXPECT_EQ(b->selected, 1);
    EXPECT_EQ(c->selected, 0);
    EXPECT_EQ(GetObjectsSelectedCount(), 2u);
    EXPECT_EQ(SelectCadObjectByName("table", 1), 1);
    EXPECT_EQ(a->selected, 1);
    EXPECT_EQ(GetObjectsSelectedCount(), 3u);
    EXPECT_EQ(SelectCadObjectByName("chair", 1), 0);
}

// Deselecting after each creation does not walk the whole list any more; the
// flags must still come out as if it did. Random edits through the core's own
// paths, on scenes small enough to be walked whole and large enough not to be,
// against a plain model of the flags.
TEST_F(SelectionTest, FlagsMatchAPlainModelUnderRandomEdits) {
    struct Case {
        const char* what;
        unsigned objects;
    };
    const Case cases[] = {{"small scene", 20}, {"large scene", 400}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteAllCadObjects();
        std::map<CadObject*, int> model;
        auto deselectAll = [&] {
            for (auto& [obj, flag] : model) flag = 0;
        };
        for (unsigned i = 0; i < c.objects; ++i) model[NewCadObject("seed")] = 0;
        std::mt19937 random(7);
        auto any = [&] {
            auto it = model.begin();
            std::advance(it, static_cast<long>(random() % model.size()));
            return it->first;
        };
        for (int step = 0; step < 1200; ++step) {
            SCOPED_TRACE(step);
            switch (random() % 9) {
                case 0:
                case 1:
                    deselectAll();
                    model[AddDefaultCadAtom("_box", KX_BOX)] = 1;
                    break;
                case 2: model[NewDefaultCadObjectEx("kept", KX_SPHERE, 0)] = 1; break;
                case 3: {
                    CadObject* o = any();
                    AddSelectedObject(o);
                    model[o] = 1;
                    break;
                }
                case 4: {
                    CadObject* o = any();
                    RemoveSelectedObject(o);
                    model[o] = 0;
                    break;
                }
                case 5: {
                    CadObject* o = any();
                    const unsigned v = random() % 2;
                    SetCadObjectProperty(o, "Select", v);
                    model[o] = static_cast<int>(v);
                    break;
                }
                case 6: {
                    if (model.size() < 4) break;
                    CadObject* o = any();
                    DeleteCadObject(o);
                    model.erase(o);
                    break;
                }
                case 7: {
                    // A new object's creator writes its flag straight into the record.
                    CadObject* o = NewCadObject("direct");
                    o->selected = 1;
                    model[o] = 1;
                    break;
                }
                default:
                    SetObjectsUnSelected();
                    deselectAll();
                    break;
            }
            bool same = true;
            for (CadObject* o = GetCadObject(nullptr); o; o = o->next) same = same && model.count(o) && o->selected == model[o];
            ASSERT_TRUE(same);
            ASSERT_EQ(GetCadObjectsCount(), model.size());
        }
    }
}

// A flag written straight into an old record of a large scene is not seen by
// the next creation, but a full walk comes round within (objects / 8)
// deselects; in a scene of up to 64 objects every deselect walks the list.
TEST_F(SelectionTest, StrayFlagsAreClearedWithinABoundedNumberOfCreations) {
    struct Case {
        const char* what;
        unsigned objects;
    };
    for (const Case& c : {Case{"small scene", 60}, Case{"large scene", 3200}}) {
        SCOPED_TRACE(c.what);
        DeleteAllCadObjects();
        std::vector<CadObject*> all;
        for (unsigned i = 0; i < c.objects; ++i) all.push_back(AddDefaultCadAtom("_box", KX_BOX));
        CadObject* old = all[c.objects / 2];
        old->selected = 1;
        const unsigned limit = c.objects / 8 + 1;
        unsigned creations = 0;
        while (old->selected && creations <= limit) {
            AddDefaultCadAtom("_box", KX_BOX);
            ++creations;
        }
        EXPECT_EQ(old->selected, 0);
        EXPECT_LE(creations, limit);
        if (c.objects <= 64) {
            EXPECT_EQ(creations, 1u);
        }
        // Whatever walked, only the newest object is selected, in the list as well.
        unsigned flagged = 0;
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next) flagged += o->selected != 0;
        EXPECT_EQ(flagged, 1u);
        EXPECT_EQ(GetObjectsSelectedCount(), 1u);
        EXPECT_EQ(GetSelectedObject(0), GetLastCadObject());
    }
}

}  // namespace
}  // namespace kxtest
