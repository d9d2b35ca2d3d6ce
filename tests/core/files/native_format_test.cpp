#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "comma_locale.h"
#include "core_fixture.h"
#include "file_fault.h"

namespace kxtest {
namespace {

class NativeFormatTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
        InitCamera();
    }
    std::string save(const std::string& name = "scene.cad") {
        EXPECT_EQ(SaveScene2(GetCurrentScene(), dir.file(name).c_str()), 1);
        return dir.read(name);
    }
    int load(const std::string& name) {
        StandardFile* f = StdOpenFile(dir.file(name).c_str(), KX_OPEN_READ);
        if (!f) return -1;
        double version = 0;
        if (!ReadKalvexVersion(f, &version)) return 0;
        return ReadKalvexScene2(f);
    }
    void writeFile(const std::string& name, const std::string& content) {
        std::ofstream(dir.file(name), std::ios::binary) << content;
    }
    // Clears the scene and reads the file back in.
    int reload(const std::string& name) {
        ClearScene(GetCurrentScene());
        InitScene();
        return load(name);
    }
};

TEST_F(NativeFormatTest, SmallSceneAsWritten) {
    CreateDefaultSphere();
    EXPECT_EQ(save(),
              "version 2.0\r\n"
              "Scene\r\n{\r\n}\r\n"
              "Camera\r\n{\tName _camera0\r\n"
              "\tPosition 0 4 20\r\n\tLookAt 0 0 0\r\n\tUp 0 1 0\r\n\tRight -1.33 0 1\r\n}\r\n"
              "Sphere\r\n{\r\n\tName _sphere0\r\n\tsize 1 1 1\r\n\tscale 1 1 1\r\n}\r\n");
}

TEST_F(NativeFormatTest, SceneBlockWritesOnlyWhatDiffers) {
    SetDistance(12, 1);
    SetGridInterval(0.5, 10);
    SetSceneProperty(GetCurrentScene(), "Description", "A \"quoted\" scene");
    SetSceneProperty(GetCurrentScene(), "BackColor", 255u);
    std::string text = save();
    EXPECT_NE(text.find("\tZoom 12 1\r\n"), std::string::npos);
    EXPECT_EQ(text.find("Zoom 16"), std::string::npos);
    EXPECT_NE(text.find("\tInterval 0.5 10\r\n"), std::string::npos);
    EXPECT_NE(text.find("\tDescription \"A \\\"quoted\\\" scene\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\tBackColor 255\r\n"), std::string::npos);
    SetDistance(16, 1);
    SetGridInterval(1, 32);
    ASSERT_EQ(reload("scene.cad"), 1);
    EXPECT_EQ(GetDistance(1), 12.0);
    EXPECT_EQ(GetGridInterval(), 0.5);
    EXPECT_STREQ(GetCurrentScene()->description, "A \"quoted\" scene");
    EXPECT_EQ(GetCurrentScene()->backColor, 255u);
}

TEST_F(NativeFormatTest, RoundTripGivesTheSameBytesAndValues) {
    CreateDefaultBox();
    CadObject* box = GetLastCadObject();
    box->translate = Point3d{1, 2, 3};
    box->rotate = Point3d{0, 45, 0};
    SetObjectMaterial(box, "Gold", 2);
    RebuildObjectEx(box, 1);
    CreateDefaultLight();
    CadObject* light = GetLastCadObject();
    SetCadObjectProperty(light, "LightType", 1u);
    SetCadObjectProperty(light, "LightFalloff", 30.0);
    SetCadObjectProperty(light, "Comment", "");
    CreateDefaultPatch();
    CadObject* sphere = nullptr;
    CreateDefaultSphere();
    sphere = GetLastCadObject();
    SetCadObjectProperty(sphere, "Noexport", 1u);
    SetCadObjectProperty(sphere, "RgbColor", 0x00FF00u);
    SetObjectMaterial(sphere, "Green", 1);
    int ints[3] = {4, 5, 6};
    SetCadObjectProperty(sphere, "LightValues", ints, 3);
    CadObject* group = CreateDefaultGroup();
    SetObjectsUnSelected();
    AddSelectedObject(box);
    AddSelectedObject(sphere);
    int deleted = 0;
    SetObjectsGroupEx(group, group->groupId, &deleted);
    group->extraPoint.x = 2;
    std::string first = save();
    ASSERT_EQ(reload("scene.cad"), 1);
    std::string second = save("again.cad");
    EXPECT_EQ(first, second);

    CadObject* box2 = GetCadObjectByName("_box0");
    ASSERT_NE(box2, nullptr);
    EXPECT_EQ(box2->translate.y, 2.0f);
    EXPECT_EQ(box2->rotate.y, 45.0f);
    EXPECT_STREQ(box2->material, "Gold");
    EXPECT_EQ(box2->materialType, 2u);
    ASSERT_NE(box2->parent, nullptr);
    EXPECT_EQ(box2->parent->extraPoint.x, 2.0f);
    CadObject* sphere2 = GetCadObjectByName("_sphere0");
    ASSERT_NE(sphere2, nullptr);
    EXPECT_TRUE(sphere2->flags & KX_FLAG_NOEXPORT);
    EXPECT_EQ(sphere2->parent, box2->parent);
    double values[3] = {};
    EXPECT_EQ(GetObjectExtra(sphere2, 116, 3, values), 1);
    EXPECT_EQ(values[2], 6.0);
    CadObject* light2 = GetCadObjectByName("_light0");
    ASSERT_NE(light2, nullptr);
    double lightValues[6] = {};
    GetObjectExtra(light2, 116, 6, lightValues);
    EXPECT_EQ(lightValues[0], 1.0);
    EXPECT_EQ(lightValues[2], 30.0);
    char comment[1024] = "x";
    EXPECT_EQ(GetObjectExtraString(light2, 301, comment), 1);
    EXPECT_STREQ(comment, "");
    CadObject* patch2 = GetCadObjectByName("_patch0");
    ASSERT_NE(patch2, nullptr);
    Point3d net[16];
    EXPECT_EQ(UnpackPatch(patch2, net), 1);
}

TEST_F(NativeFormatTest, MeshObjectsKeepTheirGeometry) {
    Point3d tri[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    Point3d quad[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    Point3d seg[2] = {{0, 0, 0}, {2, 2, 2}};
    Point3d pt{3, 4, 5};
    ListEntry* mesh = AddEntry(3, nullptr, tri);
    AddEntry(3, mesh, tri);
    AddObject("mesh.obj", mesh, 2, KX_POLYGON);
    AddObject("quads.obj", AddEntry(4, nullptr, quad), 1, KX_POLYGON);
    ListEntry* lines = AddEntry(2, nullptr, seg);
    AddEntry(2, lines, seg);
    AddObject("wire", lines, 2, KX_LINESEG);
    AddObject("dots", AddEntry(1, nullptr, &pt), 1, KX_POINTS);
    std::string text = save();
    // Without a triangle array a polygon writes no transform lines.
    EXPECT_NE(text.find("Polygon\r\n{\r\n\tName mesh\r\npoints mesh\r\n3\r\n"), std::string::npos);
    EXPECT_NE(text.find("L 0 0 0 2 2 2 \r\n"), std::string::npos);
    ASSERT_EQ(reload("scene.cad"), 1);
    CadObject* quads = GetCadObjectByName("quads");
    ASSERT_NE(quads, nullptr);
    EXPECT_EQ(quads->count, 2u);  // the quad came back as two triangles
    CadObject* wire = GetCadObjectByName("wire");
    ASSERT_NE(wire, nullptr);
    EXPECT_EQ(wire->type, static_cast<uint32_t>(KX_LINESEG));
    EXPECT_EQ(wire->count, 2u);
    EXPECT_EQ(wire->points->points[1].z, 2.0f);
    CadObject* dots = GetCadObjectByName("dots");
    ASSERT_NE(dots, nullptr);
    EXPECT_EQ(dots->points->points[0].y, 4.0f);
    CadObject* meshBack = GetCadObjectByName("mesh");
    ASSERT_NE(meshBack, nullptr);
    EXPECT_NE(meshBack->polygons, nullptr);
    EXPECT_EQ(meshBack->count, 2u);
}

TEST_F(NativeFormatTest, SmoothedMeshWithMappingRoundTrips) {
    Point3d tri[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    CadObject* obj = AddObject("m", AddEntry(3, nullptr, tri), 1, KX_POLYGON);
    SmoothObject(obj);
    AllocCadObjectUV(obj, 3);
    obj->uv[1] = Point3d{0.5f, 0.25f, 0};
    SetCadObjectProperty(obj, "ImageMap", "/maps/wood grain.tga");
    std::string text = save();
    EXPECT_NE(text.find("U 0 0 0 1 0 0 0 1 0 -0 -0 -1 -0 -0 -1 -0 -0 -1 0 0 0 0.5 0.25 0 0 0 0 \r\n"),
              std::string::npos);
    EXPECT_NE(text.find("end\r\n\tImageMap \"/maps/wood grain.tga\"\r\n"), std::string::npos) << text;
    ASSERT_EQ(reload("scene.cad"), 1);
    CadObject* back = GetCadObjectByName("m");
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->uvCount, 3u);
    EXPECT_EQ(back->uv[1].y, 0.25f);
    ASSERT_NE(back->points->normals, nullptr);
    EXPECT_EQ(back->points->normals[0].z, -1.0f);
    char picture[KX_EXTRA_TEXT_MAX + 1] = "";
    EXPECT_EQ(GetObjectExtraString(back, KX_PROP_IMAGEMAP, picture), 1);
    EXPECT_STREQ(picture, "/maps/wood grain.tga");
}

// Mapping read in the middle of a block: the nodes before it get zero entries,
// those after it theirs; a block without any keeps no mapping at all.
TEST_F(NativeFormatTest, MappingOfSomeNodesOnly) {
    struct Case {
        const char* block;
        std::vector<float> uvX;  // x of every mapping entry, none without mapping
    } cases[] = {
        {"3 F 0 0 0 1 0 0 0 1 0 S 0 0 0 1 0 0 0 1 0 0 0 1 0 0 1 0 0 1 end", {}},
        {"3 F 0 0 0 1 0 0 0 1 0 U 0 0 0 1 0 0 0 1 0 0 0 1 0 0 1 0 0 1 7 0 0 8 0 0 9 0 0 "
         "F 0 0 0 1 0 0 0 1 0 end",
         {0, 0, 0, 7, 8, 9, 0, 0, 0}},
        {"3 U 0 0 0 1 0 0 0 1 0 0 0 1 0 0 1 0 0 1 4 0 0 5 0 0 6 0 0 end", {4, 5, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.block);
        InitScene();
        writeFile("block.txt", c.block);
        StandardFile* f = StdOpenFile(dir.file("block.txt").c_str(), KX_OPEN_READ);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(ReadCadPoints(f, "points", nullptr), 1);
        StdCloseFile(f);
        CadObject* obj = GetLastCadObject();
        ASSERT_NE(obj, nullptr);
        std::vector<float> uvX;
        for (unsigned k = 0; k < obj->uvCount; ++k) uvX.push_back(obj->uv[k].x);
        EXPECT_EQ(uvX, c.uvX);
        EXPECT_EQ(obj->uv == nullptr, c.uvX.empty());
    }
}

TEST_F(NativeFormatTest, ReaderToleratesCommentsAndSkipsUnknownProperties) {
    writeFile("c.cad",
              "/* saved by hand */ version 2.0\r\n"
              "Sphere { /* note */ Name ball Wobble [ 3 1 2 3 ] Flutter < 1 2 3 > Spin 7\r\n"
              " size 2 2 2 position 1 0 0 }\r\n");
    ASSERT_EQ(load("c.cad"), 1);
    CadObject* ball = GetCadObjectByName("ball");
    ASSERT_NE(ball, nullptr);
    EXPECT_EQ(ball->size.y, 2.0f);
    EXPECT_EQ(ball->translate.x, 1.0f);
    EXPECT_EQ(ui.lastMessage(), "Unknown property Spin in Kalvex file\n");
}

// A damaged file keeps what was read before the damage, says what went wrong,
// and is never reported as read whole; warnings alone still read everything.
TEST_F(NativeFormatTest, DamagedFilesReportAndKeepWhatWasRead) {
    struct Case {
        const char* content;
        std::vector<std::string> messages;
        unsigned objectsLeft;
        int result;
    } cases[] = {
        {"scene 2.0\r\n", {"Error Invalid Kalvex File"}, 0, 0},
        {"version\r\n", {"Error Invalid Kalvex File"}, 0, 0},
        {"version 2.0\r\nSphere { Name a }\r\nBox { Name b size 1 1",
         {"Error reading file", "Error unexpected end of file"}, 1, 0},
        {"version 2.0\r\nSphere { Name a }\r\nBox { Name b", {"Error unexpected end of file"}, 1, 0},
        {"version 2.0\r\nPolygon { Name p points p 4 F 0 0 0 }",
         {"Error: Unable to Load Polygons Greater than 3 Points"}, 0, 0},
        {"version 2.0\r\nReserved2 { Name r }", {"Error unexpected scene data in Reserved2"}, 0, 0},
        {"version 2.0\r\nScene { Bogus 1 }\r\nSphere { Name a }", {"Unknown property Bogus in Kalvex file\n"}, 1, 1},
        {"version 2.0\r\nBox { Name b PatchData [ 1 1 2 3 ] }",
         {"Error unexpected scene data in PatchData", "Error unexpected end of file"}, 0, 0},
        {"version 2.0\r\nBox { Name b LightValues 4 }",
         {"Error unexpected scene data in LightValues", "Error unexpected end of file"}, 0, 0},
        // Blocks of a newer program are read over; the objects behind them load.
        {"version 2.0\r\nSphere { Name a }\r\nWidget { Name w size 1 1 1 inner { x } }\r\nBox { Name b }",
         {"Unknown entity Widget in Kalvex file\n"}, 2, 1},
        {"version 2.0\r\nSphere { Name a }\r\nWidget { Name w { }", {"Unknown entity Widget in Kalvex file\n",
         "Error unexpected end of file"}, 1, 0},
        {"version 2.0\r\nSphere { Name a }\r\nWidget 3\r\nBox { Name b }",
         {"Unknown entity Widget in Kalvex file\n", "Error unexpected scene data in Widget"}, 1, 0},
        // Numbers that are no numbers would blank the views and break every export.
        {"version 2.0\r\nSphere { Name a position 0 6 NaN }", {"Error reading file", "Error unexpected end of file"}, 0, 0},
        {"version 2.0\r\nSphere { Name a }\r\nBox { Name b size inf 1 1 }",
         {"Error reading file", "Error unexpected end of file"}, 1, 0},
        {"version 2.0\r\nPolygon { Name p points p 3 F 0 0 0 1 0 0 0 nan 0 end }", {"Error reading file"}, 0, 0},
        // Beyond the float range a coordinate would be an infinity once stored.
        {"version 2.0\r\nSphere { Name a position 1e308 0 0 }", {"Error reading file", "Error unexpected end of file"},
         0, 0},
        {"version 2.0\r\nPolygon { Name p points p 3 F 0 0 0 1 0 0 0 -4e38 0 end }", {"Error reading file"}, 0, 0},
        {"version 2.0\r\nLight { Name l LightRadius -inf }", {"Error reading file", "Error unexpected end of file"}, 0, 0},
        {"version 2.0\r\nLight { Name l LightValues [ 2 1 nan ] }",
         {"Error reading file", "Error unexpected end of file"}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        ClearScene(GetCurrentScene());
        InitScene();
        ui.clear();
        writeFile("bad.cad", c.content);
        EXPECT_EQ(load("bad.cad"), c.result);
        EXPECT_EQ(ui.texts(), c.messages);
        EXPECT_EQ(GetCadObjectsCount(), c.objectsLeft);
    }
}

TEST_F(NativeFormatTest, HostileValuesAreBounded) {
    std::string deep = "version 2.0\r\n";
    for (int i = 0; i < 100; ++i) deep += "Group { Name g ";
    writeFile("deep.cad", deep);
    ui.clear();
    load("deep.cad");
    EXPECT_EQ(GetCadObjectsCount(), 0u);  // nothing half-built is left
    ASSERT_FALSE(ui.texts().empty());
    EXPECT_EQ(ui.texts().front(), "Error unexpected scene data in Group (groups nest at most 64 deep)");

    std::string many = "version 2.0\r\nLight { Name l LightValues [ 1000";
    for (int i = 0; i < 1000; ++i) many += " 1";
    many += " ] }\r\nScene { Zoom 5 9 Interval 0 3 }\r\n";
    writeFile("many.cad", many);
    ClearScene(GetCurrentScene());
    InitScene();
    load("many.cad");
    CadObject* light = GetCadObjectByName("l");
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(GetObjectExtraField(light, 0)->count, 128u);
    EXPECT_EQ(GetGridInterval(), 1.0);
}

TEST_F(NativeFormatTest, CameraBlockSetsTheCameraWithoutAnObject) {
    writeFile("cam.cad", "version 2.0\r\nCamera { Name _camera0 Position 1 2 3 LookAt 0 1 0 Up 0 1 0 Right 1.33 0 1 }\r\n");
    ASSERT_EQ(load("cam.cad"), 1);
    CameraInfo* cam = GetActiveCamera();
    EXPECT_EQ(cam->location.z, 3.0f);
    EXPECT_EQ(cam->lookAt.y, 1.0f);
    EXPECT_EQ(cam->rightDir.x, 1.33f);
    EXPECT_EQ(GetCadObjectsCount(), 0u);
}

TEST_F(NativeFormatTest, FailedSaveReportsAndKeepsNothingHalfWritten) {
    CreateDefaultSphere();
    std::string path = dir.file("missing/folder/scene.cad");
    EXPECT_EQ(SaveScene2(GetCurrentScene(), path.c_str()), 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to create/save Kalvex file " + path + "\n", 0), 0u);
    EXPECT_EQ(SaveScene2(GetCurrentScene(), dir.file("noext").c_str()), 1);
    EXPECT_TRUE(std::filesystem::exists(dir.file("noext.CAD")));
}

// Whichever write of a save fails, the scene on disk is the one saved before,
// and the user hears why in the words of the system.
TEST_F(NativeFormatTest, AFailedWriteKeepsTheSavedSceneByteForByte) {
    for (int i = 0; i < 3000; ++i) CreateDefaultSphere();  // several buffers' worth
    const std::string path = dir.file("kept.cad");
    ASSERT_EQ(SaveScene2(GetCurrentScene(), path.c_str()), 1);
    const std::string before = dir.read("kept.cad");
    CreateDefaultBox();
    struct Case {
        kxtest::FileFault::Call call;
        int nth;
        int error;
        const char* reason;
    } cases[] = {
        {kxtest::FileFault::Call::Write, 1, ENOSPC, "No space left on device (28)"},
        {kxtest::FileFault::Call::Write, 2, EIO, "Input/output error (5)"},
        {kxtest::FileFault::Call::Fsync, 1, EIO, "Input/output error (5)"},
        {kxtest::FileFault::Call::Rename, 1, EROFS, "Read-only file system (30)"},
        {kxtest::FileFault::Call::Open, 1, EACCES, "Permission denied (13)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        ui.clear();
        {
            kxtest::FileFault fault(c.call, c.nth, c.error);
            EXPECT_EQ(SaveScene2(GetCurrentScene(), path.c_str()), 0);
            EXPECT_TRUE(fault.fired());
        }
        EXPECT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.lastMessage(), "Unable to create/save Kalvex file " + path + "\n" + c.reason);
        EXPECT_TRUE(dir.read("kept.cad") == before);  // not printed: 150 kB
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".kxtmp-"), std::string::npos) << entry.path();
}

TEST_F(NativeFormatTest, NumbersIgnoreACommaLocale) {
    CreateDefaultSphere();
    GetLastCadObject()->translate = Point3d{1.5f, 0, 0};
    CommaLocale comma;
    ASSERT_TRUE(comma.active());
    std::string text = save();
    EXPECT_NE(text.find("\tposition 1.5 0 0\r\n"), std::string::npos);
    ASSERT_EQ(reload("scene.cad"), 1);
    EXPECT_EQ(GetCadObjectByName("_sphere0")->translate.x, 1.5f);
}

// Groups grouped again, as the window groups a selection holding a group:
// read back, every member keeps its group, its id and its place.
TEST_F(NativeFormatTest, NestedGroupsComeBackAsTheyWere) {
    auto sphere = [] {
        CreateDefaultSphere();
        return GetLastCadObject();
    };
    CadObject* a = sphere();
    CadObject* b = sphere();
    CadObject* inner = groupAsTheWindowDoes({a, b}, KX_CSG_UNION);
    CadObject* base = sphere();
    groupAsTheWindowDoes({base, inner}, KX_CSG_DIFFERENCE);
    struct Placed {
        std::string name, parent;
        unsigned groupId;
    };
    auto placing = [] {
        std::vector<Placed> out;
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
            out.push_back({o->name, o->parent ? o->parent->name : "", o->groupId});
        std::sort(out.begin(), out.end(), [](const Placed& x, const Placed& y) { return x.name < y.name; });
        return out;
    };
    const std::vector<Placed> before = placing();
    const std::string first = save();
    ASSERT_EQ(reload("scene.cad"), 1);
    EXPECT_EQ(save("again.cad"), first);
    const std::vector<Placed> after = placing();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(before[i].name);
        EXPECT_EQ(after[i].name, before[i].name);
        EXPECT_EQ(after[i].parent, before[i].parent);
        EXPECT_EQ(after[i].groupId, before[i].groupId);
    }
}

TEST_F(NativeFormatTest, ChildrenOfAnEarlierGroupAreWrittenInside) {
    CadObject* group = CreateDefaultGroup();
    CreateDefaultSphere();
    CadObject* sphere = GetLastCadObject();
    sphere->groupId = group->groupId;  // linked by the writer
    std::string text = save();
    EXPECT_NE(text.find("\t\tName _sphere0\r\n"), std::string::npos);
    EXPECT_EQ(sphere->parent, group);
    // Children of a group that is gone are written at the top with their id.
    DeleteCadObject(group);
    text = save();
    EXPECT_NE(text.find("Sphere\r\n{\r\n\tName _sphere0"), std::string::npos);
    EXPECT_NE(text.find("\tGroupId "), std::string::npos);
}

}  // namespace
}  // namespace kxtest
