#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <fstream>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "every_kind_battery.h"

namespace kxtest {
namespace {

const std::string kHeader =
    "// Scene Created by the Kalvex 2.0\r\n// Povray export filter 1.4\r\n\r\n"
    "#include \"colors.inc\"\r\n#include \"textures.inc\"\r\n#include \"shapes.inc\"\r\n\r\n";
const std::string kCamera =
    "// CAMERA POSITION\r\ncamera {\r\n right      < -1.33, 0, 0 > \r\n up         < 0, 1, 0 > \r\n"
    " direction  < 0, 0, 1 > \r\n location   < 0, 4, 20 > \r\n look_at    < 0, 0, 0 > \r\n}\r\n";

class PovExportTest : public SceneTest {
protected:
    // The scene as written in a format; the text after header and camera.
    std::string exportScene(unsigned format, bool stripFront = true) {
        std::string path = dir.file("out.pov");
        StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_CREATE);
        f->type = format;
        lastResult = ExportObjects(f);
        StdCloseFile(f);
        std::string text = dir.read("out.pov");
        if (!stripFront) return text;
        size_t cut = text.find("}\r\n", text.find("camera {"));
        return cut == std::string::npos ? text : text.substr(cut + 3);
    }
    int lastResult = -1;
};

TEST_F(PovExportTest, HeaderCameraAndASphere) {
    CadObject* sphere = add(CreateDefaultSphere);
    sphere->size = Point3d{1, 2, 1};
    sphere->translate = Point3d{0, 3, 0};
    std::string text = exportScene(11, false);
    EXPECT_EQ(lastResult, 1);
    EXPECT_EQ(text, kHeader + kCamera +
                        "\r\n// SPHERE _sphere0\r\nsphere {  < 0, 0, 0 > 2\r\n pigment { White }\r\n"
                        " translate  < 0, 3, 0 > \r\n }\r\n\r\n");
    EXPECT_EQ(ui.lastMessage(), "Warning no light sources defined in exported scene");
    // POV-Ray 1 objects get no blank line before them, no pigment and no transforms.
    EXPECT_EQ(exportScene(12), "// SPHERE _sphere0\r\nsphere {  < 0 0 0 > 2\r\n }\r\n\r\n");
}

TEST_F(PovExportTest, EveryPrimitiveByDefault) {
    struct Case {
        int (*create)();
        const char* text;
    } cases[] = {
        {CreateDefaultPlane, "// PLANE _plane0\r\nplane { <0, 1, 0>, 0\r\n pigment { White }\r\n }\r\n\r\n"},
        {CreateDefaultDisc, "// DISC _disc0\r\ndisc { < 0, 0, 0>, < 0, 1, 0 >, 1\r\n pigment { White }\r\n }\r\n\r\n"},
        {CreateDefaultCylinder,
         "// CYLINDER _cylinder0\r\ncylinder { < 0, -1, 0>, < 0, 1, 0>, 1\r\n pigment { White }\r\n }\r\n\r\n"},
        {CreateDefaultCone, "// CONE _cone0\r\ncone { <0, -1, 0>, 1\r\n  < 0, 1, 0>, 0\r\n pigment { White }\r\n }\r\n\r\n"},
        {CreateDefaultTorus, "// TORUS _torus0\r\ntorus { 2, 0.5 \r\n pigment { White }\r\n }\r\n\r\n"},
        {CreateDefaultBox,
         "// BOX _box0\r\nbox { < -0.5, -0.5, -0.5>,\r\n < 0.5, 0.5, 0.5>\r\n pigment { White }\r\n }\r\n\r\n"},
        {CreateDefaultBlob,
         "// BLOB _blob0\r\nblob {  threshold 1\r\n component 1, 1, < 0, 0, 0 >\r\n pigment { White }\r\n }\r\n\r\n"},
        {CreateDefaultPatch,
         "// BICUBIC_PATCH _patch0\r\nbicubic_patch { \r\ntype 1 flatness 0.01 u_steps 3 v_steps 3,\r\n"
         "< -1.5, -0, -1.5 >, < -0.5, -0, -1.5 >, < 0.5, -0, -1.5 >, < 1.5, -0, -1.5 >, \r\n"
         "< -1.5, -0, -0.5 >, < -0.5, -0, -0.5 >, < 0.5, -0, -0.5 >, < 1.5, -0, -0.5 >, \r\n"
         "< -1.5, -0, 0.5 >, < -0.5, -0, 0.5 >, < 0.5, -0, 0.5 >, < 1.5, -0, 0.5 >, \r\n"
         "< -1.5, -0, 1.5 >, < -0.5, -0, 1.5 >, < 0.5, -0, 1.5 >, < 1.5, -0, 1.5 >\r\n pigment { White }\r\n }\r\n\r\n"},
    };
    for (const Case& c : cases) {
        ClearScene(GetCurrentScene());
        InitScene();
        InitCamera();
        add(c.create);
        std::string text = exportScene(11);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(text, std::string("\r\n") + c.text);
    }
}

// Where the default numbers cannot say what the views show, the exported
// numbers change so that the renderer draws the same shape.
TEST_F(PovExportTest, ExportsRenderTheShapeTheViewsShow) {
    struct Case {
        const char* name;
        int (*create)();
        std::function<void(CadObject*)> set;
        const char* expected;
    } cases[] = {
        // strength (1 - d^2/r^2)^2 = 0.5 at d = 2 when r = 2 / sqrt(1 - sqrt(0.5)).
        {"blob of radius 2 with a surface", CreateDefaultBlob,
         [](CadObject* b) {
             b->extraPoint.x = 0.5f;
             b->size.y = 2;
             b->translate = {1, 2, 3};
         },
         " threshold 0.5\r\n component 1, 3.69552, < 1, 2, 3 >\r\n"},
        {"blob scaled unevenly and turned: the ellipsoid the views draw", CreateDefaultBlob,
         [](CadObject* b) {
             b->extraPoint.x = 0.5f;
             b->scale = {1, 2, 1};
             b->rotate = {0, 30, 0};
             b->translate = {1, 2, 3};
         },
         " threshold 0.5\r\n sphere { < 0, 0, 0 >, 3.69552, 1\r\n  scale  < 0.5, 1, 0.5 > \r\n"
         "  rotate  < 0, 30, 0 > \r\n  translate  < 1, 2, 3 > \r\n }\r\n"},
        {"blob with no surface keeps its numbers", CreateDefaultBlob, [](CadObject* b) { b->scale.y = 3; },
         " threshold 1\r\n component 1, 3, < 0, 0, 0 >\r\n"},
        {"height field at its size", CreateDefaultHeightfield,
         [](CadObject* h) {
             SetCadObjectProperty(h, KX_PROP_HEIGHTFIELDFILE, "hills.pgm");
             h->size = {4, 2, 3};
         },
         " translate < -0.5, -0.5, -0.5 >\r\n scale  < 4, 2, 3 > \r\n"},
        {"raised patch turned about the middle of its net", CreateDefaultPatch,
         [](CadObject* p) {
             Point3d net[16];
             ASSERT_TRUE(UnpackPatch(p, net));
             net[5].y = net[6].y = net[9].y = net[10].y = 1;
             PackPatch(p, net);
             p->rotate = {0, 0, 90};
             p->translate = {1, 0, 0};
         },
         " translate  < -0, -0.5, -0 > \r\n pigment { White }\r\n rotate  < 0, 0, 90 > \r\n"
         " translate  < 1, 0.5, 0 > \r\n"},
        // What the views draw as nothing renders as nothing: POV-Ray would
        // turn a zero scale into 1, and a blob of no size would be a ball.
        {"height field of no size", CreateDefaultHeightfield,
         [](CadObject* h) {
             SetCadObjectProperty(h, KX_PROP_HEIGHTFIELDFILE, "hills.pgm");
             h->size = {0, 2, 0};
         },
         " scale  < 1e-06, 2, 1e-06 > \r\n"},
        {"blob of no size", CreateDefaultBlob,
         [](CadObject* b) {
             b->extraPoint.x = 0.5f;
             b->size = {0, 0, 0};
         },
         " threshold 0.5\r\n component 1, 0, < 0, 0, 0 >\r\n"},
        // "< 0, 0, 0 > -2" would be the vector less two, not a radius.
        {"sphere of a negative size", CreateDefaultSphere, [](CadObject* s) { s->size = {-2, -2, -2}; },
         "sphere {  < 0, 0, 0 > 2\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearScene(GetCurrentScene());
        InitScene();
        InitCamera();
        c.set(add(c.create));
        const std::string text = exportScene(11);
        EXPECT_NE(text.find(c.expected), std::string::npos) << text;
    }
}

TEST_F(PovExportTest, LightsOfEveryKind) {
    CadObject* point = add(CreateDefaultLight);
    point->translate = Point3d{1, 2, 3};
    CadObject* spot = add(CreateDefaultLight);
    SetCadObjectProperty(spot, "LightType", 1u);
    SetCadObjectProperty(spot, "LightFalloff", 20.0);
    SetObjectMaterial(spot, "Rgb.255.0.0", 1);
    CadObject* area = add(CreateDefaultLight);
    SetCadObjectProperty(area, "LightType", 2u);
    area->extraPoint = Point3d{2, 3, 0};
    std::string text = exportScene(11, false);
    EXPECT_NE(text.find("// LIGHT _light0\r\nlight_source { < 1, 2, 3 > \r\ncolor White\r\n}\r\n\r\n"), std::string::npos);
    EXPECT_NE(text.find("color rgb < 1, 0, 0 >\r\n    spotlight\r\n     point_at  < 0, 0, 0 > \r\n    falloff 20\r\n}"),
              std::string::npos);
    // An area light of no size still gets one light per row, which the renderer needs.
    EXPECT_NE(text.find("    area_light < 2, 0, 0 > < 0, 0, 3 > 1, 1\r\n    adaptive 0\r\n    jitter\r\n"),
              std::string::npos);
}

// Shadows, fading and a round area light go to the renderer that reads
// them, each only where it means something.
TEST_F(PovExportTest, LightOptionsAndFadeWhereTheyApply) {
    // A light of a kind (0 point, 2 area, with its sides), its options and,
    // when given, its fade distance and power.
    auto light = [this](unsigned kind, Point3d sides, unsigned options, std::vector<double> fade) {
        CadObject* l = add(CreateDefaultLight);
        if (kind) {
            SetCadObjectProperty(l, "LightType", kind);
            l->extraPoint = sides;
        }
        SetCadObjectProperty(l, "LightOptions", options);
        if (!fade.empty()) SetCadObjectProperty(l, "LightFade", fade.data(), static_cast<int>(fade.size()));
    };
    light(0, {}, KX_LIGHT_SHADOWLESS | KX_LIGHT_CIRCULAR, {3, 0});  // fade of no power
    light(2, {2, 2, 3}, KX_LIGHT_CIRCULAR | KX_LIGHT_ORIENT, {4, 2});
    light(2, {1, 1, 2}, KX_LIGHT_ORIENT, {});  // orient without circular
    const std::string text = exportScene(KX_FILETYPE_POVRAY3, false);
    auto block = [&](const char* name) {
        const size_t from = text.find(std::string("// LIGHT ") + name);
        return from == std::string::npos ? std::string() : text.substr(from, text.find("\r\n}\r\n", from) + 2 - from);
    };
    struct Case {
        const char* light;
        std::vector<const char*> present, absent;
    } cases[] = {
        {"_light0", {"shadowless\r\n"}, {"circular", "fade_"}},
        {"_light1", {"circular\r\n", "orient\r\n", "fade_distance 4\r\n", "fade_power 2\r\n"}, {"shadowless"}},
        {"_light2", {"area_light"}, {"orient", "circular"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.light);
        const std::string b = block(c.light);
        ASSERT_FALSE(b.empty()) << text;
        for (const char* word : c.present) EXPECT_NE(b.find(word), std::string::npos) << word << "\n" << b;
        for (const char* word : c.absent) EXPECT_EQ(b.find(word), std::string::npos) << word << "\n" << b;
    }
    const std::string older = exportScene(KX_FILETYPE_POVRAY2, false);
    for (const char* word : {"shadowless", "circular", "fade_distance"}) EXPECT_EQ(older.find(word), std::string::npos);
}

TEST_F(PovExportTest, GroupsDeclareOnlyWhatTheyWrite) {
    CadObject* group = CreateDefaultGroup();
    group->extraPoint.x = 3;
    CadObject* sphere = add(CreateDefaultSphere);
    CadObject* light = add(CreateDefaultLight);
    CadObject* emptyMesh = NewDefaultCadObject("empty", KX_POLYGON);
    for (CadObject* o : {sphere, light, emptyMesh}) o->groupId = group->groupId;
    std::string text = exportScene(11);
    EXPECT_NE(text.find("#declare _sphere0 = \r\n// SPHERE _sphere0"), std::string::npos);
    EXPECT_EQ(text.find("#declare _light0"), std::string::npos);
    EXPECT_EQ(text.find("#declare empty"), std::string::npos);
    EXPECT_NE(text.find("// DEFAULT GROUP\r\ndifference {\r\n  object { _sphere0 }\r\n}\r\n"), std::string::npos);
    EXPECT_EQ(text.find("object { empty }"), std::string::npos);
}

// A group whose group object stands in another group is one of that group's
// members: written first under its name, then taken in by the outer
// operation, at its place among the members. Groups are made as the window
// makes them (grouping a selection that holds a group) and as a scene file
// nests them.
TEST_F(PovExportTest, NestedGroupsAreMembersOfTheGroupsTheyStandIn) {
    auto sphere = [this](const char* name) {
        CadObject* o = add(CreateDefaultSphere);
        SetCadObjectProperty(o, "Name", name);
        return o;
    };
    // The objects grouped as one operation, as the window groups a selection.
    auto group = [](const char* name, unsigned op, std::initializer_list<CadObject*> members) {
        CadObject* g = groupAsTheWindowDoes(members, op);
        SetCadObjectProperty(g, "Name", name);
        return g;
    };
    const std::string fromFile =
        "version 2.0\nGroup\n{\n\tName outer\n" + groupHead(3) + member("Box", "base", "2 2 2", "0 0 0", 1, "Green") +
        innerUnion("inner", member("Sphere", "s1", "1 1 1", "1 1 0", 2, "Red", 2) +
                                member("Sphere", "s2", "1 1 1", "-1 1 0", 2, "Red", 2)) +
        "}\n";
    struct Case {
        const char* name;
        std::function<void()> build;
        unsigned format;
        std::vector<std::string> inOrder;  // each found after the one before
        size_t blocks;                     // "// DEFAULT GROUP" lines
    };
    const std::string unionOfTwo = "#declare _inner = \r\n// DEFAULT GROUP\r\nunion {\r\n  object { _s1 }\r\n  object { _s2 }\r\n}\r\n";
    const std::string takenFromBase = "// DEFAULT GROUP\r\ndifference {\r\n  object { _base }\r\n  object { _inner }\r\n}\r\n";
    const Case cases[] = {
        {"a union taken from a sphere, grouped in the window",
         [&] {
             CadObject* base = sphere("base");
             CadObject* inner = group("inner", KX_CSG_UNION, {sphere("s1"), sphere("s2")});
             group("outer", KX_CSG_DIFFERENCE, {base, inner});
         },
         KX_FILETYPE_POVRAY3, {unionOfTwo, takenFromBase}, 2},
        {"the same saved and read back",
         [&] {
             CadObject* base = sphere("base");
             CadObject* inner = group("inner", KX_CSG_UNION, {sphere("s1"), sphere("s2")});
             group("outer", KX_CSG_DIFFERENCE, {base, inner});
             const std::string path = dir.file("saved.cad");
             ASSERT_EQ(SaveScene2(GetCurrentScene(), path.c_str()), 1);
             ClearScene(GetCurrentScene());
             InitScene();
             ASSERT_EQ(LoadScene(GetCurrentScene(), path.c_str()), 1);
         },
         KX_FILETYPE_POVRAY3, {unionOfTwo, takenFromBase}, 2},
        {"a scene file nesting them",
         [&] {
             const std::string path = dir.file("nested.cad");
             std::ofstream(path) << fromFile;
             ASSERT_EQ(LoadScene(GetCurrentScene(), path.c_str()), 1);
         },
         KX_FILETYPE_POVRAY3, {unionOfTwo, takenFromBase}, 2},
        {"a group holding only a group",
         [&] {
             CadObject* inner = group("inner", KX_CSG_INTERSECTION, {sphere("a"), sphere("b")});
             group("outer", KX_CSG_UNION, {inner});
         },
         KX_FILETYPE_POVRAY3,
         {"#declare _inner = \r\n// DEFAULT GROUP\r\nintersection {",
          "// DEFAULT GROUP\r\nunion {\r\n  object { _inner }\r\n}\r\n"},
         2},
        {"three deep, the innermost first",
         [&] {
             CadObject* base = sphere("base");
             CadObject* c = sphere("c");
             CadObject* bottom = group("bottom", KX_CSG_INTERSECTION, {sphere("d"), sphere("e")});
             CadObject* middle = group("middle", KX_CSG_UNION, {c, bottom});
             group("top", KX_CSG_DIFFERENCE, {base, middle});
         },
         KX_FILETYPE_POVRAY3,
         {"#declare _bottom = \r\n// DEFAULT GROUP\r\nintersection {",
          "#declare _middle = \r\n// DEFAULT GROUP\r\nunion {\r\n  object { _c }\r\n  object { _bottom }\r\n}",
          "difference {\r\n  object { _base }\r\n  object { _middle }\r\n}"},
         3},
        {"the other dialect that names its objects",
         [&] {
             CadObject* base = sphere("base");
             CadObject* inner = group("inner", KX_CSG_UNION, {sphere("s1")});
             group("outer", KX_CSG_DIFFERENCE, {base, inner});
         },
         KX_FILETYPE_POLYRAY, {"define _inner\r\n// DEFAULT GROUP\r\nobject {\r\n  _s1 \r\n}", "  _base \r\n  -   _inner \r\n}"},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearScene(GetCurrentScene());
        InitScene();
        c.build();
        const std::string text = exportScene(c.format);
        size_t at = 0;
        for (const std::string& piece : c.inOrder) {
            at = text.find(piece, at);
            ASSERT_NE(at, std::string::npos) << piece << "\n" << text;
            at += piece.size();
        }
        size_t blocks = 0;
        for (size_t p = text.find("// DEFAULT GROUP"); p != std::string::npos; p = text.find("// DEFAULT GROUP", p + 1))
            ++blocks;
        EXPECT_EQ(blocks, c.blocks) << text;
    }
}

// Names that read alike as identifiers each get their own, the same in every
// export: no member of a group is declared twice and none lost.
TEST_F(PovExportTest, IdentifiersAreUniqueAndStable) {
    CadObject* group = CreateDefaultGroup();
    const char* names[] = {"a", "_a", "a b", "a_b", "a.b"};
    for (const char* name : names) {
        CadObject* o = add(CreateDefaultSphere);
        SetCadObjectProperty(o, "Name", name);
        o->groupId = group->groupId;
    }
    const std::string first = exportScene(11);
    for (const char* declared : {"#declare _a = ", "#declare _a_2 = ", "#declare _a_b = ", "#declare _a_b_2 = ",
                                 "#declare _a_b_3 = "}) {
        SCOPED_TRACE(declared);
        EXPECT_NE(first.find(declared), std::string::npos);
    }
    for (const char* used : {"object { _a }", "object { _a_2 }", "object { _a_b }", "object { _a_b_2 }",
                             "object { _a_b_3 }"}) {
        SCOPED_TRACE(used);
        EXPECT_NE(first.find(used), std::string::npos);
    }
    EXPECT_EQ(exportScene(11), first);
}

// A light's looks_like text is any shape text, written as it stands; only
// one whose braces do not balance is left out.
TEST_F(PovExportTest, LooksLikeTakesShapeText) {
    struct Case {
        const char* text;
        const char* written;  // null: left out
    } cases[] = {
        {"sphere { 0, 0.2 }", "looks_like { sphere { 0, 0.2 } }\r\n"},
        {"Lamp", "looks_like { Lamp }\r\n"},
        {"sphere { 0, 0.2 } }", nullptr},
        {"sphere { 0, 0.2", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ClearScene(GetCurrentScene());
        InitScene();
        CadObject* light = add(CreateDefaultLight);
        SetCadObjectProperty(light, "LightLooksLike", c.text);
        std::string text = exportScene(11);
        if (c.written) EXPECT_NE(text.find(c.written), std::string::npos) << text;
        else EXPECT_EQ(text.find("looks_like"), std::string::npos) << text;
    }
}

TEST_F(PovExportTest, FarApartGroupIdsWriteOnlyTheirGroups) {
    CadObject* a = add(CreateDefaultSphere);
    CadObject* b = add(CreateDefaultBox);
    a->groupId = 2;
    b->groupId = 0xFFFFFFF0u;  // a vast range must not be walked id by id
    std::string text = exportScene(11);
    size_t first = text.find("// DEFAULT GROUP");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find("// DEFAULT GROUP", first + 1), std::string::npos);
    EXPECT_NE(text.find("union {\r\n  object { _sphere0 }\r\n}"), std::string::npos);
}

TEST_F(PovExportTest, TexturesAndHostileNames) {
    CadObject* box = add(CreateDefaultBox);
    SetObjectMaterial(box, "Jade+Gold_Metal+Clouds", 2);
    CadObject* evil = add(CreateDefaultSphere);
    SetCadObjectProperty(evil, "Name", "x\n} #system");
    SetObjectMaterial(evil, "T } #exec", 2);
    evil->groupId = 4;
    std::string text = exportScene(11);
    EXPECT_NE(text.find(" texture { Jade }\r\n texture { Gold_Metal }\r\n texture { Clouds }\r\n"), std::string::npos);
    EXPECT_EQ(text.find("#system"), text.find("// SPHERE x } #system") + 14);  // only inside a comment
    EXPECT_NE(text.find("#declare _x____system = "), std::string::npos);
    EXPECT_EQ(text.find("#exec"), std::string::npos);
    EXPECT_NE(text.find(" texture { pigment { White } }"), std::string::npos);
}

TEST_F(PovExportTest, HeightFieldKeywords) {
    struct Case {
        const char* file;
        const char* expected;
    } cases[] = {
        {"maps/hills.PNG", "png \"maps/hills.PNG\" "},
        {"./maps/hf", "gif \"./maps/hf\" "},
        {"../hf.tga", "tga \"../hf.tga\" "},
        {"~/.x/hf.pgm", "pgm \"~/.x/hf.pgm\" "},
        {"odd.xyz", "gif \"odd.xyz\" "},
        {"say\"hi.png", "png \"say_hi.png\" "},
        {"", "gif \"\" "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_STREQ(GetPovHeightField(c.file), c.expected);
    }
    CadObject* hf = add(CreateDefaultHeightfield);
    std::string text = exportScene(11);
    EXPECT_EQ(ui.lastMessage(), "Warning height field not image not specified");
    SetCadObjectProperty(hf, "HeightfieldFile", "hills.png");
    hf->extraPoint.y = 0.2f;
    hf->flags |= KX_FLAG_SMOOTH;
    text = exportScene(11);
    EXPECT_NE(text.find("height_field { \r\n  png \"hills.png\" \r\n  smooth\r\n  water_level 0.2\r\n"
                        " translate < -0.5, -0.5, -0.5 >\r\n"),
              std::string::npos);
}

TEST_F(PovExportTest, MeshesAndSelection) {
    Point3d tri[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    AddObject("mesh", AddEntry(3, nullptr, tri), 1, KX_POLYGON);
    add(CreateDefaultSphere);
    SetObjectsUnSelected();
    SetExportSelected(1);
    std::string text = exportScene(11);
    EXPECT_EQ(text.find("// OBJECT mesh"), std::string::npos);
    EXPECT_NE(text.find("// SPHERE _sphere0"), std::string::npos);
    SetExportSelected(0);
    text = exportScene(11);
    EXPECT_NE(text.find("// OBJECT mesh\r\nobject { \r\nmesh { \r\ntriangle { "), std::string::npos);
    text = exportScene(10);
    EXPECT_NE(text.find("object { \r\nunion { \r\n"), std::string::npos);
}

TEST_F(PovExportTest, Mesh2WritesEachCornerOnceWhenAsked) {
    // Two triangles sharing an edge: four corners, six indices.
    Point3d tris[6] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    ListEntry* list = AddEntry(3, nullptr, tris);
    AddEntry(3, list, tris + 3);
    CadObject* mesh = AddObject("m", list, 2, KX_POLYGON);
    const std::string triangles = exportScene(11);
    SetExportMesh2(1);
    EXPECT_EQ(exportScene(11),
              "\r\n// OBJECT m\r\nobject { \r\nmesh2 { \r\n vertex_vectors { 4,\r\n"
              "  <  0.0000,  0.0000,  0.0000 >,\r\n  <  1.0000,  0.0000,  0.0000 >,\r\n"
              "  <  0.0000,  1.0000,  0.0000 >,\r\n  <  1.0000,  1.0000,  0.0000 >\r\n }\r\n"
              " face_indices { 2,\r\n  < 0, 1, 2 >,\r\n  < 1, 3, 2 >\r\n }\r\n}\r\n pigment { White }\r\n}\r\n");
    // Other dialects, and the setting off, are as ever.
    EXPECT_EQ(exportScene(10).find("mesh2"), std::string::npos);
    SetExportMesh2(0);
    EXPECT_EQ(exportScene(11), triangles);
    // Smooth: a corner is one vertex only with one normal.
    SetExportMesh2(1);
    SmoothObject(mesh);
    std::string smooth = exportScene(11);
    EXPECT_NE(smooth.find(" normal_vectors { 4,"), std::string::npos) << smooth;
    SetExportMesh2(0);
}

TEST_F(PovExportTest, EmptySceneAndBusyFlag) {
    EXPECT_EQ(exportScene(11, false), kHeader + kCamera);
    EXPECT_EQ(lastResult, 0);
    add(CreateDefaultSphere);
    exportScene(11);
    EXPECT_EQ(lastResult, 1);  // the empty run did not leave the export marked busy
}

TEST_F(PovExportTest, BackgroundAndInclude) {
    add(CreateDefaultSphere);
    SetSceneProperty(GetCurrentScene(), "BackColor", 0x0000FFu);
    SetSceneProperty(GetCurrentScene(), "Include", "#include \"metals.inc\"");
    std::string text = exportScene(11, false);
    EXPECT_NE(text.find("#include \"metals.inc\"\r\n\r\nbackground { color rgb < 1, 0, 0 > }\r\n\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace kxtest
