// Wavefront OBJ import: groups, fanned faces, corners and their indices.
#include <cctype>
#include <cmath>
#include <filesystem>

#include "comma_locale.h"
#include "import_fixture.h"
#include "model/text.h"

namespace kxtest {
namespace {

class ObjImportTest : public ImportTest {};

TEST_F(ObjImportTest, GroupsQuadsAndAttributesOfTheSample) {
    for (bool crlf : {false, true}) {
        SCOPED_TRACE(crlf ? "CR LF" : "LF");
        InitScene();
        const std::string text = sample("quads.obj");
        ASSERT_EQ(ReadOBJ(write("quads.obj", crlf ? withCrLf(text) : text).c_str()), 1);
        ASSERT_EQ(objects().size(), 2u);
        CadObject* front = named("front");
        CadObject* side = named("side");
        ASSERT_TRUE(front && side);
        EXPECT_EQ(front->type, static_cast<uint32_t>(KX_POLYGON));
        // The quad gives two triangles sharing its first corner; the second
        // "g front" continues the same object.
        const std::vector<Triangle> f = triangles(front);
        ASSERT_EQ(f.size(), 3u);
        EXPECT_EQ(front->count, 3u);
        EXPECT_EQ(nodes(front), 3u);
        EXPECT_TRUE(near(f[0][0], 0, 0, 0) && near(f[0][1], 1, 0, 0) && near(f[0][2], 1, 1, 0));
        EXPECT_TRUE(near(f[1][0], 0, 0, 0) && near(f[1][1], 1, 1, 0) && near(f[1][2], 0, 1, 0));
        EXPECT_TRUE(near(f[2][0], 0, 0, 0) && near(f[2][1], 1, 0, 0) && near(f[2][2], 0, 1, 0));
        // Corners with normals keep them; the bare face has none.
        ASSERT_NE(front->points->normals, nullptr);
        EXPECT_TRUE(near(front->points->normals[2], 0, 0, 1));
        EXPECT_EQ(front->points->next->next->normals, nullptr);
        // Texture coordinates: three per facet, zero for the facet without.
        ASSERT_NE(front->uv, nullptr);
        ASSERT_EQ(front->uvCount, 9u);
        EXPECT_TRUE(near(front->uv[1], 1, 0, 0));
        EXPECT_TRUE(near(front->uv[5], 0, 0, 0));
        EXPECT_TRUE(near(front->uv[8], 0, 0, 0));
        EXPECT_STREQ(front->material, "red_1");
        EXPECT_EQ(front->materialType, 1u);

        const std::vector<Triangle> s = triangles(side);
        ASSERT_EQ(s.size(), 2u);
        // -5, -1, -3 count back from the sixth vertex.
        EXPECT_TRUE(near(s[1][0], 1, 0, 0) && near(s[1][1], 1, 0, 1) && near(s[1][2], 0, 1, 0));
        ASSERT_NE(side->points->normals, nullptr);
        EXPECT_STREQ(side->material, "blue");
        // Normalised: the triangle array stands where the file put it, the
        // list around the origin, and nothing is selected.
        EXPECT_EQ(side->polygonCount, side->count);
        EXPECT_FALSE(front->selected || side->selected);
        EXPECT_EQ(GetObjectsSelectedCount(), 0u);
    }
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
}

TEST_F(ObjImportTest, FacesWithBadCorners) {
    const std::string head = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nvt 0.5 0.5\ng m\n";
    struct Case {
        const char* face;
        unsigned triangles;
        bool normals;
        bool uv;
    } cases[] = {
        {"f 1 2 3", 1, false, false},
        {"f 1 2 4", 0, false, false},              // a vertex not read
        {"f 1 2 1099511627776", 0, false, false},  // far beyond any count
        {"f 0 1 2", 0, false, false},              // numbers start at 1
        {"f -4 1 2", 0, false, false},             // counting back too far
        {"f -3 -2 -1", 1, false, false},
        {"f 1 2", 0, false, false},                // not a face
        {"f 1/x 2 3", 1, false, false},
        {"f 1/9 2/1 3/1", 1, false, true},         // a missing uv drops only the uv
        {"f 1//9 2//1 3//1", 1, false, false},     // a missing normal drops the normals
        {"f 1//1 2//1 3//1", 1, true, false},
        {"f 1/1/1 2/1/1 3/1/1", 1, true, true},
        {"f 1 2 3 1 2 3 1 2", 6, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face);
        InitScene();
        ASSERT_EQ(ReadOBJ(write("f.obj", head + c.face + "\n").c_str()), 1);
        CadObject* m = named("m");
        if (c.triangles == 0) {
            // A group that received no face is not left behind empty.
            EXPECT_EQ(m, nullptr);
            continue;
        }
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->count, c.triangles);
        EXPECT_EQ(triangles(m).size(), c.triangles);
        EXPECT_EQ(m->points->normals != nullptr, c.normals);
        EXPECT_EQ(m->uv != nullptr, c.uv);
    }
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
}

TEST_F(ObjImportTest, FacesBeforeAnyGroupAndMaterialsBeforeAnyObject) {
    ASSERT_EQ(ReadOBJ(write("p.obj", "usemtl Green\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n").c_str()), 1);
    CadObject* p = named("_polygon");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->count, 1u);
    EXPECT_STREQ(p->material, "Green");
    EXPECT_EQ(p->rgb, 0x00FF00u);
}

TEST_F(ObjImportTest, AGroupContinuesOnlyAFacetsObject) {
    CreateDefaultSphere();
    CadObject* sphere = GetLastCadObject();
    kx::text::copyField(sphere->name, "ball");
    const unsigned sphereNodes = sphere->count;
    CadObject* mesh = makeMesh("mesh", 2);
    NormalizeObject(mesh, 3);
    ASSERT_NE(mesh->polygons, nullptr);

    const std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\ng ball\nf 1 2 3\ng mesh\nf 1 2 3\nf 3 2 1\n";
    ASSERT_EQ(ReadOBJ(write("c.obj", text).c_str()), 1);
    // The sphere keeps its own mesh; a new `_facets` object takes the faces.
    EXPECT_EQ(sphere->count, sphereNodes);
    int balls = 0;
    for (CadObject* o : objects())
        if (std::string(o->name) == "ball") ++balls;
    EXPECT_EQ(balls, 2);
    // The mesh keeps its two triangles where they stood and gains two.
    EXPECT_EQ(mesh->count, 4u);
    EXPECT_EQ(nodes(mesh), 4u);
    EXPECT_EQ(mesh->polygonCount, 4u);
    const std::vector<Triangle> t = triangles(mesh);
    ASSERT_EQ(t.size(), 4u);
    EXPECT_TRUE(near(t[1][0], 1, 0, 0));
    EXPECT_TRUE(near(t[3][0], 0, 1, 0));
}

TEST_F(ObjImportTest, FaceModelMaterialsMarkTheTextureIndex) {
    struct Case {
        const char* materials;
        bool tindex;
        uint32_t rgb;
    } cases[] = {
        {"skin lips", true, 0x555289},
        {"lips", false, 0x555289},
        {"lips default", false, 0xffffff},
        {"skin brass", false, 0xffffff},  // not a face-model name: the list decides
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.materials);
        InitScene();
        std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\ng face\n";
        std::istringstream names(c.materials);
        for (std::string name; names >> name;) text += "usemtl " + name + "\nf 1 2 3\n";
        ASSERT_EQ(ReadOBJ(write("m.obj", text).c_str()), 1);
        CadObject* face = named("face");
        ASSERT_NE(face, nullptr);
        EXPECT_EQ((face->flags & KX_FLAG_TINDEX) != 0, c.tindex);
        EXPECT_EQ(face->rgb, c.rgb);
    }
}

TEST_F(ObjImportTest, NumbersIgnoreTheLocaleAndMissingFilesAreReported) {
    CommaLocale comma;
    ASSERT_EQ(ReadOBJ(write("n.obj", "v 1.5 -2.25e1 +3\nv 0 0 0\nv 0 1 0\ng n\nf 1 2 3\n").c_str()), 1);
    const std::vector<Triangle> t = triangles(named("n"));
    ASSERT_EQ(t.size(), 1u);
    EXPECT_TRUE(near(t[0][0], 1.5f, -22.5f, 3));
    // A name whose letter case differs from the file's is found.
    write("UPPER.OBJ", "v 0 0 0\nv 1 0 0\nv 0 1 0\ng upper\nf 1 2 3\n");
    EXPECT_EQ(ReadOBJ(dir.file("upper.obj").c_str()), 1);
    EXPECT_NE(named("upper"), nullptr);
    EXPECT_EQ(ReadOBJ(dir.file("missing").c_str()), 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to import Wavefront OBJ file " + dir.file("missing.OBJ") + "\n", 0), 0u);
}

// Corners of plain numbers are read by a shortcut; spelled with a "+" (or
// with a sign) they go the general way. Both must give the same facets,
// normals and mapping, whatever the corner's form.
TEST_F(ObjImportTest, CornerFormsReadTheSameEitherWay) {
    const std::string points =
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\nvn 0 1 0\nvt 0.5 0.25\nvt 1 1\n";
    const char* const faces[] = {
        "f 1 2 3",           "f 1/1 2/2 3/1",       "f 1//1 2//2 3//1",  "f 1/2/1 2/1/2 3/2/1 4/1/1",
        "f 1/ 2// 3/1/",     "f 1/9/1 2/1/9 3/1/1", "f 1 2 3/1/1/1",    "f 01 002 0003",
        "f 1 2 9",           "f 1 2",               "f 1 2 3 x",         "f 1/1/1\t2/2/2  3/1/2 ",
        "f 1 2 3 4 1 2",     "f 1/0/1 2/1/0 0/1/1", "f 1 2 123456789012345678901",
    };
    size_t withFacets = 0;
    for (const char* face : faces) {
        SCOPED_TRACE(face);
        std::string plus = face;
        for (size_t i = 1; i < plus.size(); ++i)
            if (std::isdigit(static_cast<unsigned char>(plus[i])) &&
                (plus[i - 1] == ' ' || plus[i - 1] == '/' || plus[i - 1] == '\t'))
                plus.insert(i++, "+");
        std::vector<std::vector<float>> results;
        for (const std::string& text : {std::string(face), plus}) {
            InitScene();
            ASSERT_EQ(ReadOBJ(write("forms.obj", points + "g forms\n" + text + "\n").c_str()), 1);
            std::vector<float> numbers;
            if (CadObject* obj = named("forms")) {
                for (const Triangle& t : triangles(obj))
                    for (const Point3d& p : t) numbers.insert(numbers.end(), {p.x, p.y, p.z});
                for (ListEntry* e = obj->points; e; e = e->next)
                    for (unsigned k = 0; k < e->count; ++k)
                        numbers.insert(numbers.end(), e->normals ? std::initializer_list<float>{e->normals[k].x, e->normals[k].y, e->normals[k].z}
                                                                 : std::initializer_list<float>{-9});
                for (unsigned k = 0; k < obj->uvCount; ++k) numbers.insert(numbers.end(), {obj->uv[k].x, obj->uv[k].y});
            }
            results.push_back(numbers);
        }
        EXPECT_EQ(results[0], results[1]);
        withFacets += results[0].empty() ? 0 : 1;
    }
    EXPECT_EQ(withFacets, 10u);  // the five faces with a missing vertex or too few corners make none
}

// Materials of the file's library give their diffuse colour and an entry of
// the texture list; a library outside the model's folder, or missing, is not
// read and the model still is.
TEST_F(ObjImportTest, LibraryMaterialsGiveTheirColours) {
    std::filesystem::create_directories(dir.file("model"));
    write("model/looks.mtl", "# made elsewhere\nnewmtl Brick\nKa 0 0 0\nKd 0.8 0.2 0.1\nd 1\nmap_Kd brick.png\n"
                             "newmtl Plain\nNs 10\n");
    write("outside.mtl", "newmtl Stolen\nKd 0 1 0\n");
    const std::string obj = "mtllib looks.mtl ../outside.mtl missing.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                            "g wall\nusemtl Brick\nf 1 2 3\ng other\nusemtl Stolen\nf 1 2 3\ng plain\nusemtl Plain\nf 1 2 3\n";
    ASSERT_EQ(ReadOBJ(write("model/house.obj", obj).c_str()), 1);
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
    CadObject* wall = named("wall");
    ASSERT_NE(wall, nullptr);
    EXPECT_STREQ(wall->material, "Brick");
    EXPECT_EQ(wall->rgb, 204u | (51u << 8) | (25u << 16));
    const TextureInfo* brick = GetTextureInfoByName("Brick");
    ASSERT_NE(brick, nullptr);
    EXPECT_EQ(brick->colour[0], 204);
    EXPECT_EQ(brick->colour[2], 25);
    // Not from outside the folder; a material without a colour keeps its name only.
    EXPECT_EQ(GetTextureInfoByName("Stolen"), nullptr);
    EXPECT_STREQ(named("other")->material, "Stolen");
    EXPECT_EQ(GetTextureInfoByName("Plain"), nullptr);
}

}  // namespace
}  // namespace kxtest
