// The statement form of the scene file: reading statements into objects,
// writing them, and files that load other files.
#include <fstream>
#include <string>

#include "comma_locale.h"
#include "core_fixture.h"
#include "model/model_internal.h"

namespace kxtest {
namespace {

class LegacyFormatTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
        InitCamera();
    }
    void writeFile(const std::string& name, const std::string& content) {
        std::ofstream(dir.file(name), std::ios::binary) << content;
    }
    int load(const std::string& name) { return LoadScene(GetCurrentScene(), dir.file(name).c_str()); }
    std::string save(const std::string& name = "old.cad") {
        SaveScene(GetCurrentScene(), dir.file(name).c_str());
        return dir.read(name);
    }
    void clear() {
        ClearScene(GetCurrentScene());
        InitScene();
        InitCamera();
        ui.clear();
    }
    using Texts = std::vector<std::string>;
};

TEST_F(LegacyFormatTest, StatementsMakeTheObjectWhenTheFileEnds) {
    writeFile("s.cad", "version 1.5\n_sphere s1\nsize 1 1 1\nmove 0 2 0\ncolor Red\n");
    ASSERT_EQ(load("s.cad"), 1);
    ASSERT_EQ(GetCadObjectsCount(), 1u);
    CadObject* s = GetCadObjectByName("s1");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->type, static_cast<uint32_t>(KX_SPHERE));
    EXPECT_EQ(s->translate.y, 2.0f);
    EXPECT_STREQ(s->material, "Red");
    EXPECT_EQ(s->materialType, 1u);
    EXPECT_EQ(s->rgb, 0x0000FFu);
    EXPECT_EQ(s->selected, 0);
    // The mesh stands where the object does.
    ASSERT_TRUE(s->boundValid || CalcObjectBounds(s));
    EXPECT_NEAR((s->boundMin.y + s->boundMax.y) / 2, 2.0, 1e-5);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LegacyFormatTest, AttribLettersAndStatementsThatFail) {
    writeFile("a.cad",
              "version 1.5\r\n_box b1 size 1 1 1 attrib HS\r\n"
              "script x\r\n"  // fails, reading goes on
              "_cone c1 size 1 2 1 attrib BEOQ texture Gold group 7\r\n");
    ASSERT_EQ(load("a.cad"), 1);
    CadObject* b = GetCadObjectByName("b1");
    ASSERT_NE(b, nullptr);
    EXPECT_FALSE(b->flags & KX_FLAG_VISIBLE);
    EXPECT_TRUE(b->flags & KX_FLAG_SMOOTH);
    EXPECT_EQ(ui.texts(), Texts{"Error Reading File, Statement Line 3 : \"script\" "});
    CadObject* c = GetCadObjectByName("c1");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->flags & (KX_FLAG_VISIBLE | KX_FLAG_BOUND | KX_FLAG_NOEXPORT | KX_FLAG_NOOBJECT),
              KX_FLAG_VISIBLE | KX_FLAG_BOUND | KX_FLAG_NOEXPORT | KX_FLAG_NOOBJECT);
    EXPECT_STREQ(c->material, "Gold");
    EXPECT_EQ(c->materialType, 2u);
    EXPECT_EQ(c->groupId, 7u);
}

TEST_F(LegacyFormatTest, UnknownKeywordEndsReadingAndKeepsCompletedObjects) {
    writeFile("u.cad", "version 1.5\n_sphere first size 1 1 1\n_box second\nSIZE 1 1 1\n_disc third\n");
    EXPECT_EQ(load("u.cad"), 0);
    EXPECT_EQ(ui.lastMessage(), "Error Invalid Kalvex File");
    EXPECT_NE(GetCadObjectByName("first"), nullptr);
    EXPECT_EQ(GetCadObjectByName("second"), nullptr);  // still pending: dropped
    EXPECT_EQ(GetCadObjectByName("third"), nullptr);
}

TEST_F(LegacyFormatTest, BadVersionLineReportsOnceAndReadsNothingMore) {
    writeFile("v.cad", "scene 1.5\n_sphere s\n");
    EXPECT_EQ(load("v.cad"), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.lastMessage(), "Error Invalid Kalvex File");
    EXPECT_EQ(GetCadObjectsCount(), 0u);
}

TEST_F(LegacyFormatTest, OpeningAddsTheExtensionToTheFileNameOnly) {
    writeFile("scene.CAD", "version 1.5\n_sphere s size 1 1 1\n");
    EXPECT_EQ(load("scene"), 1);
    EXPECT_EQ(GetCadObjectsCount(), 1u);
    // A dotted folder is no extension.
    std::filesystem::create_directory(dir.file("my.models"));
    writeFile("my.models/other.CAD", "version 1.5\n_box b size 1 1 1\n");
    EXPECT_EQ(load("my.models/other"), 1);
    EXPECT_NE(GetCadObjectByName("b"), nullptr);
    ui.clear();
    EXPECT_EQ(load("missing"), 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to open/load Kalvex file " + dir.file("missing.CAD") + "\n", 0), 0u);
}

TEST_F(LegacyFormatTest, SceneSettingsAreReadIntoTheScene) {
    SetSceneProperty(GetCurrentScene(), "Description", "stale");
    writeFile("h.cad",
              "version 1.5\ndistance 30\nzoom 12 1\ninterval 0.5 10\ndescription \"A \\\"big\\\" day\"\n"
              "image pic.tga\ninclude \"colors.inc\"\nbackcolor 255\n");
    ASSERT_EQ(load("h.cad"), 1);
    EXPECT_EQ(GetDistance(1), 12.0);
    EXPECT_EQ(GetGridInterval(), 0.5);
    EXPECT_EQ(GetGridExtent(), 10.0);
    CadScene* scene = GetCurrentScene();
    EXPECT_STREQ(scene->description, "A \"big\" day");
    EXPECT_STREQ(scene->include, "colors.inc");
    EXPECT_EQ(scene->backColor, 255u);
    // A file without them clears what the scene had.
    writeFile("empty.cad", "version 1.5\n");
    ASSERT_EQ(load("empty.cad"), 1);
    EXPECT_STREQ(scene->description, "");
    EXPECT_EQ(scene->backColor, 0u);
}

TEST_F(LegacyFormatTest, ValueBlocksAndFieldsFillThePrincipalAndExtraFields) {
    std::string net;
    for (int i = 0; i < 17; ++i) net += " P " + std::to_string(i) + " 0 " + std::to_string(i);
    writeFile("f.cad",
              "version 1.5\n"
              "_heightfield h size 1 1 1 string hills.tga\n"
              "_light l info floatarray 6 D 1 D 2 D 3 D 4 D 5 D 6 D 7 end\n"
              "_light m string \"2:5|7 8\"\n"
              "_text t begin info string 1 S Hello end\n"
              "_patch p info pointsarray 16" + net + " end\n"
              "_sphere q begin fields Comment string \"a note\" LightValues floatarray 2 D 0.5 I 7\n"
              " PatchData pointsarray 1 P 1 2 3 Bogus packedstring string \"packed\" 42 \"digits\" end\n"
              "_box r begin other stuff here end size 2 2 2\n");
    ASSERT_EQ(load("f.cad"), 1) << ui.lastMessage();
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
    char text[1024];
    EXPECT_EQ(GetObjectExtraString(GetCadObjectByName("h"), KX_PROP_HEIGHTFIELDFILE, text), 1);
    EXPECT_STREQ(text, "hills.tga");
    double values[8] = {};
    ExtraField* lv = GetObjectExtraField(GetCadObjectByName("l"), 0);
    ASSERT_NE(lv, nullptr);
    EXPECT_EQ(lv->count, 6u);  // at most the count given
    GetObjectExtra(GetCadObjectByName("l"), KX_PROP_LIGHTVALUES, 6, values);
    EXPECT_EQ(values[5], 6.0);
    ExtraField* mv = GetObjectExtraField(GetCadObjectByName("m"), 0);
    ASSERT_NE(mv, nullptr);
    EXPECT_EQ(mv->count, 4u);
    GetObjectExtra(GetCadObjectByName("m"), KX_PROP_LIGHTVALUES, 4, values);
    EXPECT_EQ(values[1], 5.0);
    EXPECT_EQ(values[3], 8.0);
    EXPECT_EQ(GetObjectExtraString(GetCadObjectByName("t"), KX_PROP_TEXTSTRING, text), 1);
    EXPECT_STREQ(text, "Hello");
    Point3d points[16];
    ASSERT_EQ(UnpackPatch(GetCadObjectByName("p"), points), 1);  // 16 of the 17 given
    EXPECT_EQ(points[15].z, 15.0f);

    CadObject* q = GetCadObjectByName("q");
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(GetObjectExtraString(q, 301, text), 1);
    EXPECT_STREQ(text, "a note");
    GetObjectExtra(q, KX_PROP_LIGHTVALUES, 2, values);
    EXPECT_EQ(values[1], 7.0);
    // "packedstring" stands for the text, and so does a name made of digits.
    EXPECT_EQ(GetObjectExtraString(q, KX_PROP_TEXTSTRING, text), 1);
    EXPECT_STREQ(text, "digits");
    EXPECT_NE(GetCadObjectByName("r"), nullptr);
    EXPECT_EQ(GetCadObjectByName("r")->size.x, 2.0f);
}

TEST_F(LegacyFormatTest, DamagedSectionsFailTheirStatementAndReadingGoesOn) {
    struct Case {
        const char* body;
        Texts messages;
    } cases[] = {
        {"_sphere a begin fields Comment wobbly 1 end\n_box b\n", {"Error Reading File, Statement Line 1 : \"begin\" "}},
        {"_sphere a begin fields LightValues floatarray 999 D 1 end\n_box b\n",
         {"Error Reading File, Statement Line 1 : \"begin\" "}},
        {"_sphere a begin fields LightValues floatarray 2 X 1 D 2 end\n_box b\n",
         {"Error Reading File, Statement Line 1 : \"begin\" "}},
        {"_sphere a info wobbly 3 D 1 end\n_box b\n", {"Error Reading File, Statement Line 1 : \"info\" "}},
        {"_sphere a info float -3 end\n_box b\n", {"Error Reading File, Statement Line 1 : \"info\" "}},
        {"_patch a string text\n_box b\n", {"Error Reading File, Statement Line 1 : \"string\" "}},
        {"_sphere a zoom 5 9\n_box b\n", {"Error Reading File, Statement Line 1 : \"zoom\" "}},
        {"_sphere a interval 0 3\n_box b\n", {"Error Reading File, Statement Line 1 : \"interval\" "}},
        // The block's remaining words are no statements: reading stops there.
        {"_sphere a points p 4 F 0 0 0 end\n",
         {"Error: Unable to Load Polygons Greater than 3 Points", "Error Reading File, Statement Line 1 : \"points\" ",
          "Error Invalid Kalvex File"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        clear();
        writeFile("d.cad", std::string("version 1.5\n") + c.body);
        load("d.cad");
        EXPECT_EQ(ui.texts(), c.messages);
        EXPECT_NE(GetCadObjectByName("a"), nullptr);
        EXPECT_EQ(GetGridInterval(), 1.0);
    }
    // After a damaged section the statements behind it are read as statements.
    clear();
    writeFile("d.cad", "version 1.5\n_sphere a begin fields Comment wobbly 1 end\n_box b\n");
    EXPECT_EQ(load("d.cad"), 1);
    EXPECT_NE(GetCadObjectByName("b"), nullptr);
}

// A file cut inside a statement keeps what was read, but is not reported as
// read whole: the program must not treat the partial scene as the file.
TEST_F(LegacyFormatTest, EndOfFileInsideStatementsEndsTheList) {
    struct Case {
        const char* body;
        unsigned objects;
        float moveZ;
    } cases[] = {
        {"_sphere a size 1 1 1 move 1 2", 1, 0.0f},  // a point keeps zeros for missing numbers
        {"_sphere a size 1 1 1 move 1 2 3 _box", 1, 3.0f},
        {"_sphere a size 1 1 1 begin fields Comment", 1, 0.0f},
        {"_sphere a size 1 1 1 info float 2 D", 1, 0.0f},
        {"_sphere a points", 1, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        clear();
        writeFile("e.cad", std::string("version 1.5\n") + c.body);
        EXPECT_EQ(load("e.cad"), 0);
        EXPECT_EQ(GetCadObjectsCount(), c.objects);
        CadObject* a = GetCadObjectByName("a");
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->translate.z, c.moveZ);
    }
}

TEST_F(LegacyFormatTest, PointBlocksNameTheirObjectAndTakeWhatFollows) {
    writeFile("p.cad",
              "version 1.5\n"
              "_sphere ball size 1 1 1 move 5 5 5\n"
              "points dots\r\n1\r\nP 1 2 3 \r\nP 4 5 6 \r\nend\r\n  group 3\n  attrib H\n  color Blue\n"
              "points tri\r\n3\r\nF 0 0 0 1 0 0 0 1 0 \r\nend\r\n  size 1 1 1\n  scale 2 2 2\n  move 0 0 4\n");
    ASSERT_EQ(load("p.cad"), 1);
    CadObject* ball = GetCadObjectByName("ball");
    ASSERT_NE(ball, nullptr);
    EXPECT_EQ(ball->translate.x, 5.0f);
    EXPECT_STREQ(ball->material, "None");
    CadObject* dots = GetCadObjectByName("dots");
    ASSERT_NE(dots, nullptr);
    EXPECT_EQ(dots->type, static_cast<uint32_t>(KX_POINTS));
    EXPECT_EQ(dots->count, 2u);
    EXPECT_EQ(dots->groupId, 3u);
    EXPECT_FALSE(dots->flags & KX_FLAG_VISIBLE);
    EXPECT_STREQ(dots->material, "Blue");
    EXPECT_EQ(dots->points->next->points[0].z, 6.0f);  // points objects stay where they are
    CadObject* tri = GetCadObjectByName("tri");
    ASSERT_NE(tri, nullptr);
    ASSERT_NE(tri->polygons, nullptr);
    EXPECT_EQ(tri->scale.x, 2.0f);
    EXPECT_EQ(tri->translate.z, 4.0f);
    EXPECT_NEAR(tri->polygons[0].vertex[0].z, 4.0, 1e-5);
}

TEST_F(LegacyFormatTest, AFailedPointBlockCompletesNoOtherObject) {
    // The block breaks off; the statements after it must not rename, move or
    // colour the object read before it.
    writeFile("b.cad", "version 1.5\n_sphere keep size 1 1 1\npoints broken 4\nmove 9 9 9\ncolor Red\n");
    EXPECT_EQ(load("b.cad"), 1);
    EXPECT_EQ(ui.texts(), (Texts{"Error: Unable to Load Polygons Greater than 3 Points",
                                 "Error Reading File, Statement Line 2 : \"points\" "}));
    CadObject* keep = GetCadObjectByName("keep");
    ASSERT_NE(keep, nullptr);
    EXPECT_EQ(keep->translate.x, 0.0f);
    EXPECT_STREQ(keep->material, "None");
    EXPECT_EQ(GetCadObjectsCount(), 1u);
}

TEST_F(LegacyFormatTest, FilesThatLoadThemselvesStop) {
    writeFile("self.cad", "version 1.5\n_sphere s size 1 1 1\nload self.cad\n");
    EXPECT_EQ(load("self.cad"), 1);
    // Sixteen files deep, the innermost "load" fails and every level ends.
    EXPECT_EQ(GetCadObjectsCount(), 16u);
    EXPECT_EQ(ui.texts(), Texts{"Error Reading File, Statement Line 2 : \"load\" "});
    // A file that loads another adds its objects to the scene.
    writeFile("inner.cad", "version 2.0\nBox { Name inner size 1 1 1 scale 1 1 1 }\n");
    writeFile("outer.cad", "version 1.5\n_sphere outer size 1 1 1\nload inner.cad\n_disc after size 1 0 1\n");
    clear();
    EXPECT_EQ(load("outer.cad"), 1);
    EXPECT_NE(GetCadObjectByName("outer"), nullptr);
    EXPECT_NE(GetCadObjectByName("inner"), nullptr);
    EXPECT_NE(GetCadObjectByName("after"), nullptr);
}

TEST_F(LegacyFormatTest, AnimationAndUserTextureSectionsAreReadOver) {
    writeFile("x.cad",
              "version 1.5\n_sphere s size 1 1 1 texture Wood\n"
              "usertex Wood rgbcolor 255 /pigment/color \"rgb 1 0 0\" end\n"
              "animate Movie1 maxframes 2 objectname s frame 0 object 0 key end\n"
              "_box b size 1 1 1\n");
    EXPECT_EQ(load("x.cad"), 1);
    // Without the renderer's texture definitions the user texture cannot be taken.
    EXPECT_EQ(ui.texts(), (Texts{"Error custom texture definitions not loaded\nMake sure a matching renderer is selected",
                                 "Error Reading File, Statement Line 3 : \"usertex\" "}));
    EXPECT_STREQ(GetCadObjectByName("s")->material, "Wood");
    EXPECT_NE(GetCadObjectByName("b"), nullptr);
}

// What an object keeps through the statement form, for comparisons.
struct Snapshot {
    uint32_t type, flags, materialType, rgb, groupId, count;
    std::string material, parent;
    float vectors[15];
    std::vector<float> vertices;
    std::vector<std::string> fields;
};

Snapshot snapshot(const CadObject* o) {
    constexpr uint32_t kWritten =
        KX_FLAG_VISIBLE | KX_FLAG_SMOOTH | KX_FLAG_BOUND | KX_FLAG_NOEXPORT | KX_FLAG_NOOBJECT;
    Snapshot s{o->type, o->flags & kWritten, o->materialType, o->rgb, o->groupId, o->count,
               o->material, o->parent ? o->parent->name : "", {}, {}, {}};
    const Point3d* v[5] = {&o->size, &o->extraPoint, &o->scale, &o->rotate, &o->translate};
    for (int i = 0; i < 5; ++i) {
        s.vectors[i * 3] = v[i]->x;
        s.vectors[i * 3 + 1] = v[i]->y;
        s.vectors[i * 3 + 2] = v[i]->z;
    }
    if (o->type == KX_POINTS || o->type == KX_POLYGON)
        for (const ListEntry* n = o->points; n; n = n->next)
            for (uint32_t k = 0; k < n->count; ++k)
                s.vertices.insert(s.vertices.end(), {n->points[k].x, n->points[k].y, n->points[k].z});
    for (uint32_t i = 0; o->extra && i < o->extra->count; ++i) {
        const ExtraField& f = ExtraBlockFields(o->extra)[i];
        const char* bytes = reinterpret_cast<const char*>(f.value);
        size_t size = f.type == KX_VALUE_STRING ? strnlen(bytes, sizeof f.value)
                                                : f.count * kx::model::extraElementSize(f.type);
        s.fields.push_back(std::to_string(f.id) + "/" + std::to_string(f.type) + "/" +
                           std::to_string(f.count) + ":" + std::string(bytes, size));
    }
    return s;
}

void expectSame(const Snapshot& a, const Snapshot& b) {
    EXPECT_EQ(a.type, b.type);
    EXPECT_EQ(a.flags, b.flags);
    EXPECT_EQ(a.material, b.material);
    EXPECT_EQ(a.materialType, b.materialType);
    EXPECT_EQ(a.rgb, b.rgb);
    EXPECT_EQ(a.groupId, b.groupId);
    EXPECT_EQ(a.parent, b.parent);
    EXPECT_EQ(a.count, b.count);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(a.vectors[i], b.vectors[i]) << "vector component " << i;
    EXPECT_EQ(a.vertices, b.vertices);
    EXPECT_EQ(a.fields, b.fields);
}

TEST_F(LegacyFormatTest, EveryObjectTypeRoundTrips) {
    int (*creators[])() = {CreateDefaultSphere, CreateDefaultPlane,     CreateDefaultDisc,
                           CreateDefaultCylinder, CreateDefaultCone,    CreateDefaultTorus,
                           CreateDefaultBox,    CreateDefaultHeightfield, CreateDefaultUserDefined,
                           CreateDefaultBlob,   CreateDefaultLight,     CreateDefaultPatch,
                           CreateDefaultText,   CreateDefaultSphere};
    float k = 1;
    for (auto create : creators) {
        create();
        CadObject* o = GetLastCadObject();
        o->scale = Point3d{k, 2, 1};
        o->rotate = Point3d{0, 15 * k, 0};
        o->translate = Point3d{k, -k, 0.5f};
        k += 1;
        RebuildObjectEx(o, 1);
    }
    CadObject* ellipsoid = GetLastCadObject();
    ellipsoid->type = KX_ELLIPSOID;
    SetCadObjectProperty(GetCadObjectByName("_light0"), "LightFalloff", 30.0);
    SetCadObjectProperty(GetCadObjectByName("_heightfield0"), KX_PROP_HEIGHTFIELDFILE, "hills.tga");
    SetCadObjectProperty(GetCadObjectByName("_box0"), KX_PROP_NAME, "crate");
    SetCadObjectProperty(GetCadObjectByName("crate"), "Comment", "");
    int ints[3] = {1, -2, 300};
    SetCadObjectProperty(GetCadObjectByName("crate"), "LightValues", ints, 3);
    SetObjectExtra(GetCadObjectByName("crate"), KX_VALUE_INTEGERARRAY, 999, 3, ints);  // has no name
    SetObjectTextureEx(GetCadObjectByName("_sphere0"), 2, "Gold");
    SetEncodedRgb(GetCadObjectByName("_cone0"), 10, 20, 30);
    SetObjectTextureEx(GetCadObjectByName("_torus0"), 1, "Pink");
    GetCadObjectByName("_disc0")->flags = KX_FLAG_SMOOTH | KX_FLAG_BOUND | KX_FLAG_NOEXPORT;
    GetCadObjectByName("_plane0")->flags |= KX_FLAG_NOOBJECT;

    Point3d tri[3] = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}};
    Point3d tri2[3] = {{0, 0, 1}, {2, 0, 1}, {0, 2, 1}};
    ListEntry* list = AddEntry(3, nullptr, tri);
    AddEntry(3, list, tri2);
    AddObject("raw", list, 2, KX_POLYGON);  // a mesh without triangle array
    CadObject* mesh = AddObject("smooth", AddEntry(3, nullptr, tri), 1, KX_POLYGON);
    mesh->polygons = CopyListToPolygons(mesh->points, 1);
    mesh->polygonCount = 1;
    SmoothObject(mesh);
    AllocCadObjectUV(mesh, 3);
    mesh->uv[2] = Point3d{0.5f, 0.25f, 0};
    mesh->translate = Point3d{0, 0, 3};
    RebuildObjectEx(mesh, 1);
    Point3d dots[2] = {{1, 2, 3}, {4, 5, 6}};
    ListEntry* pl = AddEntry(1, nullptr, &dots[0]);
    AddEntry(1, pl, &dots[1]);
    SetObjectTextureEx(AddObject("dots", pl, 2, KX_POINTS), 1, "Blue");

    CadObject* group = CreateDefaultGroup();
    group->extraPoint.x = 2;
    SetObjectsUnSelected();
    AddSelectedObject(GetCadObjectByName("crate"));
    AddSelectedObject(GetCadObjectByName("dots"));
    int deleted = 0;
    SetObjectsGroupEx(group, group->groupId, &deleted);

    std::vector<std::pair<std::string, Snapshot>> before;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) before.emplace_back(o->name, snapshot(o));
    save("one.cad");
    clear();
    ASSERT_EQ(load("one.cad"), 1);
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
    EXPECT_EQ(GetCadObjectsCount(), before.size());
    for (const auto& [name, snap] : before) {
        SCOPED_TRACE(name);
        CadObject* o = GetCadObjectByName(name.c_str());
        ASSERT_NE(o, nullptr);
        Snapshot after = snapshot(o);
        if (name == "crate") {
            // A field without a name cannot be written; an integer array comes
            // back as the integers it held.
            ASSERT_EQ(snap.fields.size(), 3u);
            EXPECT_EQ(after.fields.size(), 2u);
            after.fields.push_back(snap.fields[2]);
        }
        if (name == "raw" || name == "dots") {
            // Meshes without transform lines come back with the size of new meshes.
            for (int i = 0; i < 3; ++i) after.vectors[i] = snap.vectors[i];
        }
        expectSame(snap, after);
    }
    CadObject* smooth = GetCadObjectByName("smooth");
    ASSERT_EQ(smooth->uvCount, 3u);
    EXPECT_EQ(smooth->uv[2].x, 0.5f);
    ASSERT_NE(smooth->points->normals, nullptr);
    // Read and written again, the file is the same.
    const std::string second = save("two.cad");
    clear();
    ASSERT_EQ(load("two.cad"), 1);
    EXPECT_EQ(save("three.cad"), second);
}

TEST_F(LegacyFormatTest, WrittenHeaderAndObjectLines) {
    SetDistance(12, 2);
    SetGridInterval(0.5, 10);
    SetSceneProperty(GetCurrentScene(), "Description", "my scene");
    SetSceneProperty(GetCurrentScene(), "BackColor", 255u);
    CreateDefaultSphere();
    CadObject* s = GetLastCadObject();
    s->translate = Point3d{0, 2, 0};
    s->groupId = 4;
    s->flags |= KX_FLAG_SMOOTH | KX_FLAG_NOOBJECT;
    SetObjectTextureEx(s, 1, "Red");
    const std::string text = save();
    const std::string expected =
        "version 1.5\r\n"
        "distance 20\r\n"
        "zoom 12 2\r\n"
        "interval 0.5 10\r\n"
        "description \"my scene\"\r\n"
        "backcolor 255\r\n"
        "_camera _camera0\r\n"
        "  size 0 0 0\r\n  extra -1.33 0 1\r\n  scale 1 1 1\r\n  rotate 0 1 0\r\n  move 0 4 20\r\n"
        "_sphere _sphere0\r\n"
        "  size 1 1 1\r\n  scale 1 1 1\r\n  move 0 2 0\r\n  group 4\r\n  attrib SO\r\n"
        "  color Red\r\n";
    EXPECT_EQ(text, expected);
}

TEST_F(LegacyFormatTest, EmptySceneWritesTheHeaderAndReturnsZero) {
    EXPECT_EQ(SaveScene(GetCurrentScene(), dir.file("e.cad").c_str()), 0);
    EXPECT_EQ(dir.read("e.cad").rfind("version 1.5\r\ndistance ", 0), 0u);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(SaveScene(GetCurrentScene(), dir.file("no/such/dir/e.cad").c_str()), 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to create/save Kalvex file ", 0), 0u);
}

TEST_F(LegacyFormatTest, LineSegmentsAndNamesWithBlanks) {
    Point3d seg[2] = {{0, 0, 0}, {1, 1, 1}};
    AddObject("wire", AddEntry(2, nullptr, seg), 1, KX_LINESEG);
    CreateDefaultBox();
    SetCadObjectProperty(GetLastCadObject(), KX_PROP_NAME, "my box");
    const std::string text = save();
    EXPECT_EQ(text.find("wire"), std::string::npos);
    EXPECT_NE(text.find("_box \"my box\"\r\n"), std::string::npos);
    clear();
    ASSERT_EQ(load("old.cad"), 1);
    EXPECT_NE(GetCadObjectByName("my box"), nullptr);
}

TEST_F(LegacyFormatTest, NumbersIgnoreACommaLocale) {
    CreateDefaultSphere();
    GetLastCadObject()->translate = Point3d{1.5f, 0, 0};
    CommaLocale comma;
    ASSERT_TRUE(comma.active());
    EXPECT_NE(save().find("  move 1.5 0 0\r\n"), std::string::npos);
    clear();
    ASSERT_EQ(load("old.cad"), 1);
    EXPECT_EQ(GetCadObjectByName("_sphere0")->translate.x, 1.5f);
}

TEST_F(LegacyFormatTest, StripObjectName) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {{"_sphere12", "_sphere"}, {"_box", "_box"}, {"ball3", "ball3"}, {"_1", "_"},
                 {"_abcdefghijklmnopqrstuvwxyz01234", "_abcdefghijklmnopqrstuvwxyz"},
                 {"_abcdefghijklmnopqrstuvwxyz012345", "_abcdefghijklmnopqrstuvwxyz012345"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        std::string in = c.in;
        EXPECT_STREQ(StripObjectName(in.data()), c.out);
    }
    EXPECT_EQ(StripObjectName(nullptr), nullptr);
}

}  // namespace
}  // namespace kxtest
