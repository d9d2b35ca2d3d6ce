#include "core_fixture.h"

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

}  // namespace
}  // namespace kxtest
