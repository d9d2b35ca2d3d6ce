#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "model/memory.h"

namespace kxtest {
namespace {

struct Call {
    int tag;
    int type;
    CadObject* obj;
};

// Callbacks carry no context, so each records into one log under its own tag.
std::vector<Call> calls;
template <int Tag>
int record(int type, CadObject* obj) {
    calls.push_back({Tag, type, obj});
    return 1;
}

std::vector<int> tags() {
    std::vector<int> t;
    for (const Call& c : calls) t.push_back(c.tag);
    return t;
}

std::vector<int> fire(int type, CadObject* obj) {
    calls.clear();
    EXPECT_EQ(FireKalvexEvent(type, obj), 1);
    return tags();
}

class EventsTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        calls.clear();
        InitKalvexEvent();
    }
};

using Tags = std::vector<int>;

TEST_F(EventsTest, NamesMatchTheirIdsInAnyCase) {
    const char* names[] = {"SceneCreate",  "SceneDelete",  "SceneUpdate",  "SceneFrame",
                           "SceneRender",  "SceneExport",  "SceneImport",  "ObjectCreate",
                           "ObjectDelete", "ObjectUpdate", "ObjectFrame",  "ObjectRender",
                           "ObjectImport", "ObjectExport", "ObjectSelect", "ObjectTransform",
                           "ObjectTexture"};
    for (unsigned i = 0; i < std::size(names); ++i) {
        SCOPED_TRACE(names[i]);
        unsigned id = i < 7 ? i + 1 : i - 7 + 100;
        std::string lower = names[i];
        for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        EXPECT_EQ(GetEventType(names[i]), id);
        EXPECT_EQ(GetEventType(lower.c_str()), id);
    }
    for (const char* unknown : {"", "Scene", "SceneCreated", " SceneCreate", static_cast<const char*>(nullptr)})
        EXPECT_EQ(GetEventType(unknown), 0u);
}

TEST_F(EventsTest, FiringMatchesTypeAndBoundObjectInOrder) {
    CadObject* a = NewCadObject("a");
    CadObject* b = NewCadObject("b");
    ASSERT_EQ(RegisterKalvexEvent(102, a, record<1>), 1);
    ASSERT_EQ(RegisterKalvexEvent(102, nullptr, record<2>), 1);
    ASSERT_EQ(RegisterKalvexEvent(101, a, record<3>), 1);
    ASSERT_EQ(RegisterKalvexScriptEvent(102, nullptr, "print(1)", nullptr), 1);  // passed over
    ASSERT_EQ(RegisterKalvexEvent(102, b, record<4>), 1);

    EXPECT_EQ(fire(102, a), Tags({1}));
    EXPECT_EQ(fire(101, b), Tags());
    EXPECT_EQ(fire(555, nullptr), Tags());
    EXPECT_EQ(fire(102, nullptr), Tags({1, 2, 4}));
    // Each callback gets the type and its registration's own object.
    EXPECT_EQ(calls[0].obj, a);
    EXPECT_EQ(calls[1].obj, nullptr);
    EXPECT_EQ(calls[2].obj, b);
    EXPECT_EQ(calls[2].type, 102);
    calls.clear();
    FireKalvexEventAll(101);
    ASSERT_EQ(tags(), Tags({3}));
    EXPECT_EQ(calls[0].obj, a);
}

TEST_F(EventsTest, TableHoldsAtMost128Registrations) {
    for (unsigned i = 0; i < KX_MAX_EVENTS; ++i)
        ASSERT_EQ(RegisterKalvexScriptEvent(3, nullptr, ("s" + std::to_string(i)).c_str(), record<1>), 1);
    EXPECT_EQ(RegisterKalvexEvent(3, nullptr, record<2>), 0);
    EXPECT_EQ(fire(3, nullptr), Tags(128, 1));
    unsigned index = 127;
    EXPECT_STREQ(GetEventScript(3, &index), "s127");
    ClearKalvexEvent();
    EXPECT_EQ(RegisterKalvexEvent(3, nullptr, record<2>), 1);
    EXPECT_EQ(fire(3, nullptr), Tags({2}));

    // A script that cannot be copied is not registered at all.
    kx::mem::failAllocationsAfter(0);
    EXPECT_EQ(RegisterKalvexScriptEvent(3, nullptr, "lost", record<3>), 0);
    EXPECT_EQ(RegisterKalvexEvent(3, nullptr, record<4>), 1);  // nothing to copy
    kx::mem::failAllocationsAfter(-1);
    EXPECT_EQ(fire(3, nullptr), Tags({2, 4}));
}

TEST_F(EventsTest, ScriptsAreCopiedAndScannedByPosition) {
    char text[] = "first script";
    ASSERT_EQ(RegisterKalvexScriptEvent(2, nullptr, text, nullptr), 1);
    ASSERT_EQ(RegisterKalvexEvent(2, nullptr, record<1>), 1);
    ASSERT_EQ(RegisterKalvexScriptEvent(1, nullptr, "create", nullptr), 1);
    ASSERT_EQ(RegisterKalvexScriptEvent(2, nullptr, "second script", nullptr), 1);
    std::strcpy(text, "overwritten!");
    struct Step {
        int type;
        unsigned from;
        const char* script;
        unsigned index;
    } steps[] = {
        {2, 0, "first script", 0}, {2, 1, nullptr, 1},  // a callback has no script
        {2, 2, "second script", 3}, {2, 4, nullptr, 4},  {1, 0, "create", 2},
        {7, 0, nullptr, 0},         {2, 1000, nullptr, 1000},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "type " << s.type << " from " << s.from);
        unsigned index = s.from;
        const char* got = GetEventScript(s.type, &index);
        EXPECT_STREQ(got ? got : "(null)", s.script ? s.script : "(null)");
        EXPECT_EQ(index, s.index);
    }
    EXPECT_EQ(GetEventScript(2, nullptr), nullptr);
}

// Deleting an object kills the registrations bound to it: their slots stay,
// so positions do not shift, but they are never called or returned again.
TEST_F(EventsTest, RegistrationsOfADeletedObjectAreDead) {
    CadObject* a = NewCadObject("a");
    CadObject* b = NewCadObject("b");
    ASSERT_EQ(RegisterKalvexScriptEvent(2, a, "for a", record<1>), 1);
    ASSERT_EQ(RegisterKalvexScriptEvent(2, b, "for b", record<2>), 1);
    ASSERT_EQ(RegisterKalvexEvent(2, nullptr, record<3>), 1);
    DeleteCadObject(a);
    EXPECT_EQ(fire(2, nullptr), Tags({2, 3}));
    unsigned index = 0;
    EXPECT_STREQ(GetEventScript(2, &index), "for b");
    EXPECT_EQ(index, 1u);
    // A new object, even at the dead one's address, does not revive them.
    CadObject* c = NewCadObject("c");
    EXPECT_EQ(fire(2, c), Tags());
    ASSERT_EQ(RegisterKalvexEvent(2, c, record<4>), 1);
    EXPECT_EQ(fire(2, c), Tags({4}));
}

int objectsSeen = -1;
int countObjects(int, CadObject*) {
    objectsSeen = static_cast<int>(CountAllCadObjects());
    return 1;
}

TEST_F(EventsTest, ClearSceneFiresSceneDeleteBeforeDeleting) {
    CadObject* a = NewCadObject("a");
    NewCadObject("b");
    ASSERT_EQ(RegisterKalvexEvent(KX_EVENT_SCENE_DELETE, nullptr, countObjects), 1);
    ASSERT_EQ(RegisterKalvexEvent(KX_EVENT_SCENE_DELETE, a, record<1>), 1);
    ASSERT_EQ(RegisterKalvexEvent(KX_EVENT_SCENE_CREATE, nullptr, record<2>), 1);
    EXPECT_EQ(ClearScene(GetCurrentScene()), 0);
    EXPECT_EQ(objectsSeen, 2);
    ASSERT_EQ(tags(), Tags({1}));
    EXPECT_EQ(calls[0].obj, a);
    EXPECT_EQ(GetCadObjectsCount(), 0u);
    // The table survives the scene; what was bound to a is dead now.
    calls.clear();
    ClearScene(GetCurrentScene());
    EXPECT_EQ(objectsSeen, 0);
    EXPECT_EQ(tags(), Tags());
}

CadObject* victim = nullptr;
int deleteVictim(int, CadObject*) {
    DeleteCadObject(victim);
    return 1;
}
int registerMore(int type, CadObject* obj) {
    record<8>(type, obj);
    RegisterKalvexEvent(type, nullptr, record<7>);
    return 1;
}
int clearTable(int type, CadObject* obj) {
    record<9>(type, obj);
    ClearKalvexEvent();
    return 1;
}

TEST_F(EventsTest, CallbacksMayChangeTheTableWhileFiring) {
    victim = NewCadObject("victim");
    ASSERT_EQ(RegisterKalvexEvent(3, nullptr, deleteVictim), 1);
    ASSERT_EQ(RegisterKalvexEvent(3, victim, record<1>), 1);
    ASSERT_EQ(RegisterKalvexEvent(3, nullptr, registerMore), 1);
    // The victim's handler never sees the freed object; what a callback
    // registers waits for the next round.
    EXPECT_EQ(fire(3, nullptr), Tags({8}));
    EXPECT_EQ(fire(3, nullptr), Tags({8, 7}));

    ClearKalvexEvent();
    ASSERT_EQ(RegisterKalvexScriptEvent(4, nullptr, "freed by the callback", clearTable), 1);
    ASSERT_EQ(RegisterKalvexEvent(4, nullptr, record<1>), 1);
    EXPECT_EQ(fire(4, nullptr), Tags({9}));
    unsigned index = 0;
    EXPECT_EQ(GetEventScript(4, &index), nullptr);
}

}  // namespace
}  // namespace kxtest
