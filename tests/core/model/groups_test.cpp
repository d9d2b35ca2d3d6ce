#include <set>

#include "core_fixture.h"
#include "model/model_internal.h"

namespace kxtest {
namespace {

class GroupsTest : public CoreTest {
protected:
    CadObject* group(const char* name) {
        CadObject* g = NewCadObject(name);
        g->type = KX_GROUP;
        return g;
    }
    static std::vector<CadObject*> children(CadObject* g) {
        std::vector<CadObject*> out;
        for (CadObject* c = GetNextChildObject(g, 1); c && out.size() < 100; c = GetNextChildObject(c, 0))
            out.push_back(c);
        return out;
    }
};

TEST_F(GroupsTest, ChildrenChainInOrder) {
    CadObject* g = group("g");
    CadObject* a = NewCadObject("a");
    CadObject* b = NewCadObject("b");
    EXPECT_EQ(AddChildObject(g, a), 1);
    EXPECT_NE(g->groupId, 0u);
    EXPECT_EQ(a->groupId, g->groupId);
    EXPECT_EQ(AddChildObject(g, b), 1);
    EXPECT_EQ(children(g), (std::vector<CadObject*>{a, b}));
    EXPECT_EQ(b->parent, g);
    EXPECT_EQ(FindParentObject(g->groupId), g);
    EXPECT_EQ(FindParentObject(12345), nullptr);
    EXPECT_EQ(AddChildObject(nullptr, a), 0);
    EXPECT_EQ(AddChildObject(g, nullptr), 0);
}

TEST_F(GroupsTest, LinkingTwiceOrInACircleChangesNothing) {
    CadObject* outer = group("outer");
    CadObject* inner = group("inner");
    CadObject* leaf = NewCadObject("leaf");
    AddChildObject(outer, inner);
    AddChildObject(inner, leaf);
    AddChildObject(outer, NewCadObject("other"));
    // The last child linked again: no self-loop in the chain.
    CadObject* last = children(outer).back();
    EXPECT_EQ(AddChildObject(outer, last), 1);
    EXPECT_EQ(AddChildObject(outer, inner), 1);
    EXPECT_EQ(children(outer).size(), 2u);
    EXPECT_EQ(last->nextSibling, nullptr);
    // A group under itself or under its own member is refused.
    EXPECT_EQ(AddChildObject(outer, outer), 0);
    EXPECT_EQ(AddChildObject(inner, outer), 0);
    EXPECT_EQ(AddChildObject(leaf, outer), 0);
    EXPECT_EQ(outer->parent, nullptr);
}

TEST_F(GroupsTest, MovingAChildUnlinksItFromItsOldGroup) {
    CadObject* g1 = group("g1");
    CadObject* g2 = group("g2");
    CadObject* a = NewCadObject("a");
    CadObject* b = NewCadObject("b");
    CadObject* c = NewCadObject("c");
    AddChildObject(g1, a);
    AddChildObject(g1, b);
    AddChildObject(g1, c);
    AddChildObject(g2, NewCadObject("x"));
    EXPECT_EQ(AddChildObject(g2, b), 1);
    EXPECT_EQ(children(g1), (std::vector<CadObject*>{a, c}));
    EXPECT_EQ(children(g2).back(), b);
    EXPECT_EQ(b->parent, g2);
}

TEST_F(GroupsTest, DeletionLeavesNoLinkToTheFreedObject) {
    CadObject* g = group("g");
    CadObject* a = NewCadObject("a");
    CadObject* b = NewCadObject("b");
    CadObject* c = NewCadObject("c");
    AddChildObject(g, a);
    AddChildObject(g, b);
    AddChildObject(g, c);
    DeleteCadObject(b);  // a middle child
    EXPECT_EQ(children(g), (std::vector<CadObject*>{a, c}));
    DeleteCadObject(a);  // the first child
    EXPECT_EQ(g->firstChild, c);
    c->groupId = g->groupId;
    DeleteCadObject(g);  // the group: its children stay, unlinked, with their id
    EXPECT_EQ(c->parent, nullptr);
    EXPECT_EQ(c->nextSibling, nullptr);
    EXPECT_NE(c->groupId, 0u);
}

TEST_F(GroupsTest, GroupIdsAreNeverReused) {
    // A group id set from outside (a file, a script) pushes the counter past it.
    CadObject* loaded = group("loaded");
    loaded->groupId = 1;
    CadObject* member = NewCadObject("member");
    SetObjectsUnSelected();
    AddSelectedObject(member);
    int deleted = 0;
    SetObjectsGroupEx(loaded, 1, &deleted);
    CadObject* fresh = group("fresh");
    AddChildObject(fresh, NewCadObject("m2"));
    CadObject* another = group("another");
    AddChildObject(another, NewCadObject("m3"));
    std::set<unsigned> ids = {loaded->groupId, fresh->groupId, another->groupId};
    EXPECT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids.count(0), 0u);
}

TEST_F(GroupsTest, GroupAndUngroupTheSelection) {
    CadObject* g = group("g");
    g->groupId = 5;
    CadObject* a = NewCadObject("a");
    CadObject* light = NewCadObject("light");
    light->type = KX_LIGHT;
    CadObject* b = NewCadObject("b");
    SetObjectsUnSelected();
    AddSelectedObject(b);
    AddSelectedObject(a);
    AddSelectedObject(light);
    int deleted = 7;
    EXPECT_EQ(SetObjectsGroupEx(g, 5, &deleted), 1);
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(children(g), (std::vector<CadObject*>{a, b}));  // list order
    EXPECT_EQ(a->groupId, 5u);
    EXPECT_EQ(light->groupId, 0u);
    EXPECT_EQ(light->parent, nullptr);

    // Ungrouping: groupId 0 for the members, the selected group object goes.
    light->groupId = 9;
    SelectCadGroup(g, 5, 1);
    AddSelectedObject(light);
    EXPECT_EQ(SetObjectsGroupEx(nullptr, 0, &deleted), 1);
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(FindParentObject(5), nullptr);
    EXPECT_EQ(a->groupId, 0u);
    EXPECT_EQ(a->parent, nullptr);
    EXPECT_EQ(b->nextSibling, nullptr);
    EXPECT_EQ(light->groupId, 9u);  // lights keep theirs
    EXPECT_EQ(GetCadObjectsCount(), 3u);
}

TEST_F(GroupsTest, GroupCannotSwallowItsOwnParent) {
    CadObject* outer = group("outer");
    CadObject* inner = group("inner");
    AddChildObject(outer, inner);
    SetObjectsUnSelected();
    AddSelectedObject(outer);
    int deleted = 0;
    EXPECT_EQ(SetObjectsGroupEx(inner, inner->groupId, &deleted), 0);
    EXPECT_EQ(outer->parent, nullptr);
    EXPECT_EQ(inner->parent, outer);
}

TEST_F(GroupsTest, SelectGroup) {
    CadObject* g = group("g");
    CadObject* a = NewCadObject("a");
    CadObject* loose = NewCadObject("loose");
    AddChildObject(g, a);
    loose->groupId = g->groupId;  // same id but not in the chain
    SetObjectsUnSelected();
    EXPECT_EQ(SelectCadGroup(g, g->groupId, 1), 1);
    EXPECT_EQ(GetObjectsSelectedCount(), 2u);
    EXPECT_EQ(loose->selected, 0);
    EXPECT_EQ(SelectCadGroup(g, g->groupId, 0), 1);
    EXPECT_EQ(GetObjectsSelectedCount(), 0u);
    // Without a group object, every object carrying the id is selected (the
    // group itself, its first child and the loose one).
    EXPECT_EQ(SelectCadGroup(nullptr, g->groupId, 0), 1);
    EXPECT_EQ(GetObjectsSelectedCount(), 3u);
    EXPECT_EQ(loose->selected, 1);
}

}  // namespace
}  // namespace kxtest

namespace kxtest {
namespace {

// Objects that carry a group id but no parent link (read before their group,
// or whose link was lost) are linked once; the rest are left as they are.
TEST(LinkToGroupsTest, LinksOnlyParentlessMembersOfAnExistingGroup) {
    kx::resetCoreForTests();
    CadObject* g = NewCadObject("g");
    g->type = KX_GROUP;
    CadObject* first = NewCadObject("first");
    ASSERT_EQ(AddChildObject(g, first), 1);
    const unsigned id = g->groupId;
    CadObject* lost = NewCadObject("lost");
    lost->groupId = id;
    CadObject* stray = NewCadObject("stray");
    stray->groupId = id + 100;  // no such group
    CadObject* loose = NewCadObject("loose");
    kx::model::linkToGroups(GetCadObject(nullptr));
    kx::model::linkToGroups(GetCadObject(nullptr));  // a second pass changes nothing
    struct Case {
        CadObject* obj;
        CadObject* parent;
    } cases[] = {{first, g}, {lost, g}, {stray, nullptr}, {loose, nullptr}, {g, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.obj->name);
        EXPECT_EQ(c.obj->parent, c.parent);
    }
    unsigned members = 0;
    for (CadObject* c = g->firstChild; c && members < 10; c = c->nextSibling) ++members;
    EXPECT_EQ(members, 2u);
    kx::resetCoreForTests();
}

}  // namespace
}  // namespace kxtest
