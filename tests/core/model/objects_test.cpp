#include <cstring>
#include <string>

#include "core_fixture.h"
#include "model/memory.h"
#include "model/model_internal.h"

namespace kxtest {
namespace {

class ObjectsTest : public CoreTest {};

TEST_F(ObjectsTest, NewObjectDefaults) {
    CadObject* obj = NewCadObject("ball");
    ASSERT_NE(obj, nullptr);
    EXPECT_STREQ(obj->name, "ball");
    EXPECT_STREQ(obj->material, "None");
    EXPECT_EQ(obj->materialType, 0u);
    EXPECT_EQ(obj->flags, static_cast<uint32_t>(KX_FLAG_VISIBLE));
    EXPECT_EQ(obj->scale.x, 1.0f);
    EXPECT_EQ(obj->scale.z, 1.0f);
    EXPECT_TRUE(IsZero(&obj->translate));
    EXPECT_EQ(obj->rgb, 0xFFFFFFu);
    EXPECT_EQ(obj->selected, 0);
    EXPECT_EQ(GetCadObjectsCount(), 1u);
    EXPECT_STREQ(NewCadObject(nullptr)->name, "Unknown");
    // An over-long name is cut to the field, never written past it.
    std::string longName(300, 'n');
    EXPECT_EQ(std::string(NewCadObject(longName.c_str())->name), std::string(31, 'n'));
}

TEST_F(ObjectsTest, ListOrderAndAccess) {
    CadObject* a = NewCadObject("a");
    CadObject* b = NewCadObject("b");
    CadObject* c = NewCadObject("c");
    EXPECT_EQ(GetCadObject(nullptr), a);
    EXPECT_EQ(GetCadObject(a), b);
    EXPECT_EQ(GetLastCadObject(), c);
    EXPECT_EQ(GetCadObjectByIndex(2), c);
    EXPECT_EQ(GetCadObjectByIndex(3), nullptr);
    EXPECT_EQ(GetCadObjectByIndex(-1), nullptr);
    EXPECT_EQ(GetCadObjectByName("b"), b);
    EXPECT_EQ(GetCadObjectByName("B"), nullptr);  // names are case-sensitive here
    EXPECT_EQ(CountAllCadObjects(), 3u);

    EXPECT_EQ(DeleteCadObject(b), c);
    EXPECT_EQ(a->next, c);
    EXPECT_EQ(c->prev, a);
    EXPECT_EQ(DeleteCadObject(c), nullptr);
    EXPECT_EQ(GetLastCadObject(), a);
    DeleteCadObject(a);
    EXPECT_EQ(GetCadObject(nullptr), nullptr);
    EXPECT_EQ(GetLastCadObject(), nullptr);
    CadObject* d = NewCadObject("d");
    EXPECT_EQ(GetCadObject(nullptr), d);
    EXPECT_EQ(d->prev, nullptr);
    EXPECT_EQ(GetCadObjectsCount(), 1u);
}

TEST_F(ObjectsTest, DeletingForeignOrFreedRecordsIsRefused) {
    CadObject stranger{};
    EXPECT_EQ(DeleteCadObject(&stranger), nullptr);
    EXPECT_EQ(ui.lastMessage(), "Error deleting invalid object");
    CadObject* obj = NewCadObject("x");
    DeleteCadObject(obj);
    ui.clear();
    EXPECT_EQ(DeleteCadObject(obj), nullptr);  // a second delete reads nothing freed
    EXPECT_EQ(ui.lastMessage(), "Error deleting invalid object");
    EXPECT_EQ(DeleteCadObject(nullptr), nullptr);
}

TEST_F(ObjectsTest, DeleteAllAndDeleteSelected) {
    EXPECT_EQ(GetNextObjectNo(KX_SPHERE, 0), 0u);
    EXPECT_EQ(DeleteAllCadObjects(), 0);
    EXPECT_EQ(GetCurrentObjectNo(KX_SPHERE), 1u);  // counters untouched on an empty scene
    EXPECT_TRUE(ui.messages.empty());

    CadObject* a = makeMesh("a", 3);
    CadObject* b = NewCadObject("b");
    CadObject* c = NewCadObject("c");
    AddSelectedObject(a);
    AddSelectedObject(c);
    EXPECT_EQ(DeleteObjects(), 1);
    EXPECT_EQ(GetCadObject(nullptr), b);
    EXPECT_EQ(b->selected, 1);
    EXPECT_EQ(GetObjectsSelectedCount(), 0u);
    EXPECT_EQ(DeleteAllCadObjects(), 1);
    EXPECT_EQ(GetCadObjectsCount(), 0u);
    EXPECT_EQ(GetCurrentObjectNo(KX_SPHERE), 0u);
    AddSelectedObject(NewCadObject("only"));
    EXPECT_EQ(DeleteObjects(), 0);
}

TEST_F(ObjectsTest, NamingCounters) {
    unsigned n = 99;
    EXPECT_STREQ(GetNextObjectNameEx("_box", 20, &n), "_box0");
    EXPECT_EQ(n, 0u);
    EXPECT_STREQ(GetNextObjectNameEx("_box", 20, &n), "_box1");
    EXPECT_EQ(n, 1u);
    EXPECT_STREQ(GetNextObjectName("_sphere", 13), "_sphere0");
    const char* base = "kept";
    EXPECT_EQ(GetNextObjectNameEx(base, KX_TYPE_COUNT, &n), base);
    EXPECT_EQ(GetNextObjectNameEx("_box", 0, &n), nullptr);
    EXPECT_STREQ(GetNextObjectName("_box", 20), "_box0");  // reset by type 0
    EXPECT_EQ(GetNextObjectNo(500, 0), 0u);
    EXPECT_EQ(GetCurrentObjectNo(500), 0u);
    // A long base is shortened so that the number survives within 31 characters.
    for (int i = 0; i < 11; ++i) GetNextObjectName("x", 8);
    std::string longBase(40, 'b');
    std::string name = GetNextObjectName(longBase.c_str(), 8);
    EXPECT_EQ(name, std::string(29, 'b') + "11");
    EXPECT_STREQ(GetDefaultObjectName(13), "Unknown");
}

TEST_F(ObjectsTest, NormalizeObjectName) {
    struct Case {
        const char* path;
        const char* expected;
    } cases[] = {
        {"ship.dxf", "ship"},
        {"C:\\models\\ship.dxf", "ship"},
        {"/home/user/my.models/ship.v2.obj", "ship"},
        {"..\\ship", "ship"},
        {"../ship.obj", "ship"},
        {".hidden", ".hidden"},
        {"/a/very/long/folder/name/that/goes/on/and/on/and/on/teapot.3ds", "teapot"},
        {"an_extremely_long_file_name_without_any_dot_at_all", "an_extremely_long_file_name_wit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_STREQ(NormalizeObjectName(c.path), c.expected);
    }
}

TEST_F(ObjectsTest, TypeTables) {
    EXPECT_STREQ(GetObjectTypeName(13), "Sphere");
    EXPECT_EQ(GetObjectTypeName(2), nullptr);
    EXPECT_STREQ(GetObjectTypeName(KX_SUPERELLIPSOID), "Superellipsoid");
    EXPECT_STREQ(GetObjectTypeName(KX_JULIA), "JuliaFractal");
    EXPECT_EQ(GetObjectTypeName(KX_TYPE_COUNT), nullptr);
    EXPECT_STREQ(GetObjectTypeName(3), "Reserved1");
    EXPECT_STREQ(GetObjectTypeLabel(18), "_ellipse");
    EXPECT_STREQ(GetObjectTypeLabel(2), "_null");
    EXPECT_STREQ(GetObjectTypeLabel(9), "_lines");
    EXPECT_EQ(GetObjectTypeLabel(99), nullptr);
    EXPECT_EQ(GetObjectInfoType("heightfield"), 21);
    EXPECT_EQ(GetObjectInfoType("Nothing"), 0);
    EXPECT_EQ(GetObjectInfoIndex("Null"), 0);
    EXPECT_EQ(GetObjectInfoIndex("Reserved1"), 2);  // type 2 has no row
    EXPECT_EQ(GetObjectInfoIndex("x"), -1);
    CadObject* obj = NewCadObject("o");
    for (unsigned t = 0; t <= KX_TYPE_COUNT; ++t) {
        obj->type = t;
        EXPECT_EQ(IsObjectAtomic(obj), ((t >= 11 && t <= 24) || (t >= 26 && t <= 32)) ? 1 : 0) << t;
    }
    EXPECT_EQ(IsObjectAtomic(nullptr), 0);
}

TEST_F(ObjectsTest, SelectionTypeSummary) {
    EXPECT_EQ(GetCadObjectType(), 0u);
    CadObject* points = NewDefaultCadObject("p", KX_POINTS);
    EXPECT_EQ(GetCadObjectType(), 1u);
    CadObject* mesh = NewDefaultCadObjectEx("m", KX_POLYGON, 0);
    EXPECT_EQ(GetCadObjectType(), 1u);  // the first selected point-list object decides
    points->selected = 0;
    EXPECT_EQ(GetCadObjectType(), 2u);
    NewDefaultCadObjectEx("s", KX_SPHERE, 0);
    EXPECT_EQ(GetCadObjectType(), 3u);
    EXPECT_EQ(GetCadObjectType(mesh), static_cast<unsigned>(KX_POLYGON));
    EXPECT_EQ(GetCadObjectType(nullptr), 0u);
}

TEST_F(ObjectsTest, ObjectSizeOfEmptyAndMixedLists) {
    CadObject* obj = NewCadObject("o");
    EXPECT_EQ(GetObjectSize(obj), 0u);
    EXPECT_EQ(GetObjectSize(nullptr), 0u);
    CadObject* mesh = makeMesh("m", 2);
    EXPECT_EQ(GetObjectSize(mesh), 3u);
}

TEST_F(ObjectsTest, CopyCadObject) {
    CadObject* group = NewCadObject("g");
    group->type = KX_GROUP;
    CadObject* src = makeMesh("src", 2);
    AddChildObject(group, src);
    src->polygons = CopyListToPolygons(src->points, 2);
    src->polygonCount = 2;
    std::strcpy(src->material, "Gold");
    src->materialType = 2;
    src->rgb = 0x123456;
    src->translate = Point3d{1, 2, 3};
    src->flags |= KX_FLAG_SMOOTH;
    AllocateObjectExtra(src);
    AllocCadObjectUV(src, 6);

    CadObject* dst = NewCadObject("dst");
    AddSelectedObject(dst);
    dst->rect = RECT{1, 2, 3, 4};
    EXPECT_EQ(CopyCadObject(src, dst), 1);
    EXPECT_STREQ(dst->name, "src");
    EXPECT_STREQ(dst->material, "Gold");
    EXPECT_EQ(dst->materialType, 2u);
    EXPECT_EQ(dst->count, 2u);
    ASSERT_NE(dst->points, nullptr);
    EXPECT_NE(dst->points, src->points);
    ASSERT_NE(dst->polygons, nullptr);
    EXPECT_NE(dst->polygons, src->polygons);
    EXPECT_EQ(dst->polygons[1].vertex[0].x, 1.0f);
    EXPECT_NE(dst->extra, nullptr);
    EXPECT_NE(dst->extra, src->extra);
    EXPECT_EQ(dst->uv, nullptr);
    EXPECT_EQ(dst->translate.z, 3.0f);
    EXPECT_EQ(dst->rgb, 0x123456u);
    EXPECT_EQ(dst->groupId, src->groupId);
    EXPECT_EQ(dst->parent, nullptr);
    EXPECT_EQ(dst->selected, 0);
    EXPECT_EQ(dst->rect.right, 0);
    EXPECT_EQ(dst->flags, static_cast<uint32_t>(KX_FLAG_VISIBLE));
    EXPECT_EQ(group->firstChild, src);

    EXPECT_EQ(CopyCadObject(nullptr, dst), 0);
    EXPECT_EQ(ui.lastMessage(), "Invalid CAD Object, cadmgr line 2010");
}

TEST_F(ObjectsTest, AddCadAtomUsesInfoAndLeavesCallerTextAlone) {
    CadObject* other = NewDefaultCadObject("other", KX_POINTS);
    CadObjectInfo info{};
    info.flags = KX_FLAG_VISIBLE | KX_FLAG_SMOOTH;
    info.size = Point3d{2, 3, 4};
    info.extraPoint = Point3d{5, 6, 7};
    info.translate = Point3d{9, 9, 9};
    ExtraBlock* block = static_cast<ExtraBlock*>(calloc(1, sizeof(ExtraBlock)));
    info.extra = block;
    const char* base = "a_base_name_that_is_longer_than_thirty_two_chars";
    CadObject* atom = AddCadAtom(&info, base, KX_SPHERE);
    ASSERT_NE(atom, nullptr);
    EXPECT_EQ(std::string(atom->name), std::string(base).substr(0, 30) + "0");
    EXPECT_EQ(atom->type, static_cast<uint32_t>(KX_SPHERE));
    EXPECT_EQ(atom->flags, info.flags);
    EXPECT_EQ(atom->size.y, 3.0f);
    EXPECT_EQ(atom->extraPoint.z, 7.0f);
    EXPECT_TRUE(IsZero(&atom->translate));  // placement is the caller's business
    EXPECT_EQ(atom->extra, block);
    EXPECT_EQ(info.extra, nullptr);
    EXPECT_EQ(atom->selected, 1);
    EXPECT_EQ(GetObjectsSelectedCount(), 0u);
    EXPECT_EQ(other->selected, 0);
    EXPECT_EQ(kx::model::lastAtom(), atom);
    DeleteCadObject(atom);
    EXPECT_EQ(kx::model::lastAtom(), nullptr);
}

TEST_F(ObjectsTest, AddObjectHandsOverTheList) {
    Point3d tri[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    ListEntry* list = AddEntry(3, nullptr, tri);
    AddEntry(3, list, tri);
    CadObject* obj = AddObject("/data/my.meshes/teapot.obj", list, 5, KX_POLYGON);
    ASSERT_NE(obj, nullptr);
    EXPECT_STREQ(obj->name, "teapot");
    EXPECT_EQ(obj->points, list);
    EXPECT_EQ(obj->count, 2u);  // the real node count
    EXPECT_EQ(obj->selected, 1);
    EXPECT_EQ(GetSelectedObject(0), obj);
}

TEST_F(ObjectsTest, UvArrayGrowsZeroFilled) {
    CadObject* obj = NewCadObject("o");
    ASSERT_EQ(AllocCadObjectUV(obj, 3), 1);
    obj->uv[2] = Point3d{1, 1, 1};
    ASSERT_EQ(AllocCadObjectUV(obj, 9), 1);
    EXPECT_EQ(obj->uvCount, 9u);
    EXPECT_EQ(obj->uv[2].x, 1.0f);
    EXPECT_TRUE(IsZero(&obj->uv[8]));
    kx::mem::failAllocationsAfter(0);
    EXPECT_EQ(AllocCadObjectUV(obj, 100), 0);
    kx::mem::failAllocationsAfter(-1);
    EXPECT_EQ(ui.lastMessage(), "Error allocating texture mapping coordinates");
    EXPECT_EQ(obj->uvCount, 9u);
    EXPECT_EQ(AllocCadObjectUV(nullptr, 1), 0);
}

TEST_F(ObjectsTest, TreeItemsFollowObjects) {
    HWND tree = reinterpret_cast<HWND>(0x1);
    RegisterObjectSelector(tree);
    CadObject* obj = NewCadObject("tracked");
    ASSERT_EQ(ui.treeEvents.size(), 1u);
    EXPECT_EQ(ui.treeEvents[0].kind, TreeEvent::Insert);
    EXPECT_EQ(ui.treeEvents[0].text, "tracked");
    EXPECT_EQ(ui.treeEvents[0].data, obj);
    EXPECT_NE(obj->treeItem, nullptr);
    DeleteCadObject(obj);
    ASSERT_EQ(ui.treeEvents.size(), 2u);
    EXPECT_EQ(ui.treeEvents[1].kind, TreeEvent::Delete);
}

TEST_F(ObjectsTest, SceneRecord) {
    CadScene* scene = InitScene();
    EXPECT_EQ(scene, GetCurrentScene());
    std::strcpy(scene->name, "x");
    scene->backColor = 5;
    NewCadObject("a");
    EXPECT_EQ(ClearScene(scene), 0);
    EXPECT_EQ(scene->name[0], '\0');
    EXPECT_EQ(scene->backColor, 0u);
    EXPECT_EQ(GetCadObjectsCount(), 0u);
    NewCadObject("leftover");
    InitScene();  // frees what was left rather than losing it
    EXPECT_EQ(GetCadObject(nullptr), nullptr);
    GetNextObjectName("_light", KX_LIGHT);
    CreateDefaultScene();
    // The counters start again: the scene's two lights are numbered from 0.
    EXPECT_EQ(GetCurrentObjectNo(KX_LIGHT), 2u);
    EXPECT_NE(GetCadObjectByName("_light0"), nullptr);
}

}  // namespace
}  // namespace kxtest
