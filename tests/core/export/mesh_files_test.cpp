// STL and PLY in both directions: what is written reads back the same, files
// of other writers' habits are read, damaged files add nothing, and an export
// with nothing to hold fails instead of leaving an empty file.
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "core_fixture.h"
#include "files/formats_internal.h"
#include "model/memory.h"

namespace kxtest {
namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<CadObject*> meshObjects() {
    std::vector<CadObject*> out;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        if (o->type != KX_LIGHT && o->type != KX_CAMERA) out.push_back(o);
    return out;
}

// Every corner of every mesh object, in scene order.
std::vector<float> corners() {
    std::vector<float> out;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        if (o->type != KX_LIGHT && o->type != KX_CAMERA)
            kx::files::forEachTriangle(o, [&out](const kx::files::Triangle& t) {
                for (const Point3d& p : t.point) out.insert(out.end(), {p.x, p.y, p.z});
            });
    return out;
}

size_t triangleCount(CadObject* o) {
    size_t n = 0;
    kx::files::forEachTriangle(o, [&n](const kx::files::Triangle&) { ++n; });
    return n;
}

struct Format {
    const char* name;
    int (*write)(const char*, int);
    int (*read)(const char*);
    int binary;
    bool colours;
    int colourSlack;  // STL keeps five bits a channel
    bool sameBytes;   // written again after reading, the file is the same
};
int writeGltf(const char* path, int) { return WriteGLTF(path); }
const Format kFormats[] = {
    {"binary.stl", WriteSTL, ReadSTL, 1, true, 5, true},
    {"text.stl", WriteSTL, ReadSTL, 0, false, 0, true},
    {"binary.ply", WritePLY, ReadPLY, 1, true, 0, true},
    {"text.ply", WritePLY, ReadPLY, 0, true, 0, true},
    // The camera's lens is not kept whole: the files differ in that.
    {"model.glb", writeGltf, ReadGLTF, 1, true, 0, false},
    {"model.gltf", writeGltf, ReadGLTF, 0, true, 0, false},
};

class MeshFilesTest : public SceneTest {
protected:
    // A red sphere, a green box and a blue mesh of two triangles.
    void buildScene() {
        CadObject* sphere = add(CreateDefaultSphere);
        SetEncodedRgb(sphere, 200, 10, 10);
        CadObject* box = add(CreateDefaultBox);
        SetEncodedRgb(box, 10, 200, 10);
        CadObject* mesh = makeMesh("strip", 2);
        SetEncodedRgb(mesh, 10, 10, 200);
        ASSERT_EQ(AllocCadObjectUV(mesh, 6), 1);
        for (int k = 0; k < 6; ++k) mesh->uv[k] = MakePoint(k * 0.125, 1 - k * 0.0625, 0);
        CreateDefaultLight();
        GetActiveCamera()->location = Point3d{3, 7, 11};
        GetActiveCamera()->lookAt = Point3d{0, 1, 0};
    }
    std::string file(const char* name) { return dir.file(name); }
};

TEST_F(MeshFilesTest, EveryEncodingReadsBackTheSameTrianglesAndColours) {
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        InitScene();
        buildScene();
        size_t written = 0;
        std::vector<unsigned> colours;
        for (CadObject* o : meshObjects()) {
            written += triangleCount(o);
            colours.push_back(o->rgb);
        }
        ASSERT_GT(written, 20u);
        const std::vector<float> before = corners();
        const CameraInfo camera = *GetActiveCamera();
        ASSERT_EQ(f.write(file(f.name).c_str(), f.binary), 1) << ui.lastMessage();
        const std::string first = readAll(file(f.name));

        InitScene();
        GetActiveCamera()->location = Point3d{0, 0, 0};
        GetActiveCamera()->lookAt = Point3d{0, 0, -1};
        ASSERT_EQ(f.read(file(f.name).c_str()), 1) << ui.lastMessage();
        size_t read = 0;
        for (CadObject* o : meshObjects()) read += triangleCount(o);
        EXPECT_EQ(read, written);
        const std::vector<float> after = corners();
        ASSERT_EQ(after.size(), before.size());
        for (size_t i = 0; i < after.size(); ++i) ASSERT_NEAR(after[i], before[i], 1e-6) << i;
        if (f.colours) {
            // One object per colour, in the order they were written.
            const std::vector<CadObject*> back = meshObjects();
            ASSERT_EQ(back.size(), colours.size());
            for (size_t i = 0; i < back.size(); ++i)
                for (int shift : {0, 8, 16}) {
                    const int want = static_cast<int>((colours[i] >> shift) & 0xFF);
                    const int got = static_cast<int>((back[i]->rgb >> shift) & 0xFF);
                    EXPECT_LE(std::abs(want - got), f.colourSlack) << i << " " << shift;
                }
        }
        // The scene formats bring the light and the camera back where they stood.
        if (f.write == writeGltf) {
            // The mesh's texture coordinates come back with it.
            CadObject* strip = GetCadObjectByName("strip");
            ASSERT_NE(strip, nullptr);
            ASSERT_NE(strip->uv, nullptr);
            ASSERT_GE(strip->uvCount, 6u);
            for (int k = 0; k < 6; ++k) {
                EXPECT_NEAR(strip->uv[k].x, k * 0.125, 1e-6) << k;
                EXPECT_NEAR(strip->uv[k].y, 1 - k * 0.0625, 1e-6) << k;
            }
            unsigned lights = 0;
            for (CadObject* o = GetCadObject(nullptr); o; o = o->next) lights += o->type == KX_LIGHT;
            EXPECT_EQ(lights, 1u);
            // The format keeps where the camera looks, not how far.
            const CameraInfo& now = *GetActiveCamera();
            auto direction = [](const CameraInfo& c) {
                const double d[3] = {double{c.lookAt.x} - c.location.x, double{c.lookAt.y} - c.location.y,
                                     double{c.lookAt.z} - c.location.z};
                const double l = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
                return std::array<double, 3>{d[0] / l, d[1] / l, d[2] / l};
            };
            EXPECT_NEAR(now.location.x, camera.location.x, 1e-5);
            EXPECT_NEAR(now.location.z, camera.location.z, 1e-5);
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(direction(now)[i], direction(camera)[i], 1e-5) << i;
        }
        // Written again, the file is the same to the byte: nothing moved.
        if (f.sameBytes) {
            ASSERT_EQ(f.write(file("again").c_str(), f.binary), 1);
            EXPECT_EQ(readAll(file("again")), first);
        }
        EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
    }
}

std::string littleFloats(std::initializer_list<float> values) {
    std::string out;
    for (float v : values) out.append(reinterpret_cast<const char*>(&v), 4);
    return out;
}
std::string bigFloats(std::initializer_list<float> values) {
    std::string out;
    for (float v : values) {
        char b[4];
        std::memcpy(b, &v, 4);
        out += {b[3], b[2], b[1], b[0]};
    }
    return out;
}

// Files as other programs write them.
TEST_F(MeshFilesTest, FilesOfOtherWritersAreRead) {
    struct Case {
        const char* name;
        std::string bytes;
        size_t objects, triangles;
        unsigned firstColour;  // 0: not checked
    };
    const std::string ply = "ply\nformat ascii 1.0\ncomment x\nelement vertex 4\nproperty float x\nproperty float y\n"
                            "property float z\n";
    std::string binaryStl(80, 'x');
    binaryStl += std::string("\x01\x00\x00\x00", 4) + littleFloats({0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0}) +
                 std::string("\x00\x00", 2);
    const Case cases[] = {
        {"one.stl", "solid part\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\n"
                    "endfacet\nendsolid part\n", 1, 1, 0},
        // Two solids keep their names; a facet of four corners is fanned.
        {"two.stl", "solid a\r\n facet normal 0 0 1\r\n outer loop\r\n vertex 0 0 0\r\n vertex 1 0 0\r\n vertex 1 1 0\r\n"
                    " vertex 0 1 0\r\n endloop\r\n endfacet\r\nendsolid a\r\nsolid b\r\nfacet\r\nvertex 0 0 1\r\n"
                    "vertex 1 0 1\r\nvertex 0 1 1\r\nendfacet\r\nendsolid\r\n", 2, 3, 0},
        // A binary header may begin with "solid": the length decides.
        {"solid.stl", "solid" + binaryStl.substr(5), 1, 1, 0},
        {"quad.ply", ply + "element face 1\nproperty list uchar int vertex_indices\nend_header\n"
                     "0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n", 1, 2, 0},
        // Float colours run 0..1; an element nobody knows is read past.
        {"colours.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty double x\nproperty double y\n"
                        "property double z\nproperty float red\nproperty float green\nproperty float blue\n"
                        "element material 2\nproperty list uchar float values\nelement face 1\n"
                        "property list uchar uint vertex_index\nend_header\n0 0 0 1 0 0\n1 0 0 1 0 0\n0 1 0 1 0 0\n"
                        "2 0.5 0.5\n0\n3 0 1 2\n", 1, 1, 0x0000FF},
        // Per-face colours split the mesh; a face naming a missing vertex is dropped.
        {"faces.ply", ply + "element face 3\nproperty list uchar int vertex_indices\nproperty uchar red\n"
                      "property uchar green\nproperty uchar blue\nend_header\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n"
                      "3 0 1 2 0 255 0\n3 0 2 3 0 0 255\n3 0 1 9 0 0 255\n", 2, 2, 0x00FF00},
        {"strips.ply", ply + "element tristrips 1\nproperty list int int vertex_indices\nend_header\n"
                       "0 0 0\n1 0 0\n0 1 0\n1 1 0\n6 0 1 2 3 -1 0\n", 1, 2, 0},
        {"big.ply", "ply\nformat binary_big_endian 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                    "property float z\nelement face 1\nproperty list uchar ushort vertex_indices\nend_header\n" +
                        bigFloats({0, 0, 0, 1, 0, 0, 0, 1, 0}) + std::string("\x03\x00\x00\x00\x01\x00\x02", 7),
         1, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitScene();
        writeFile(file(c.name), c.bytes);
        const bool stl = std::strstr(c.name, ".stl") != nullptr;
        ASSERT_EQ((stl ? ReadSTL : ReadPLY)(file(c.name).c_str()), 1) << ui.lastMessage();
        const std::vector<CadObject*> objs = meshObjects();
        ASSERT_EQ(objs.size(), c.objects);
        size_t triangles = 0;
        for (CadObject* o : objs) triangles += triangleCount(o);
        EXPECT_EQ(triangles, c.triangles);
        if (c.firstColour) {
            EXPECT_EQ(objs[0]->rgb, c.firstColour);
        }
    }
    InitScene();
    ASSERT_EQ(ReadSTL(file("two.stl").c_str()), 1);
    EXPECT_STREQ(meshObjects()[0]->name, "a");
    EXPECT_STREQ(meshObjects()[1]->name, "b");
    InitScene();
    ASSERT_EQ(ReadSTL(file("one.stl").c_str()), 1);
    EXPECT_STREQ(meshObjects()[0]->name, "one") << "one solid is the file's";
}

// A damaged file is refused with its reason and leaves the scene as it was.
TEST_F(MeshFilesTest, DamagedFilesAddNothing) {
    const std::string head = "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\n"
                             "property float y\nproperty float z\n";
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"empty.stl", "", "neither a binary STL file"},
        {"words.stl", "solid x\nfacet\nvertex 1 2 nope\n", "damaged vertex on line 3"},
        {"notply.ply", "plx\n", "not a PLY file"},
        {"noformat.ply", "ply\nelement vertex 0\nend_header\n", "names no format"},
        {"noend.ply", head, "no end_header"},
        {"huge.ply", head + "end_header\n" + littleFloats({0, 0}), "more items than the file has room for"},
        {"count.ply", "ply\nformat ascii 1.0\nelement vertex 99999999999\nproperty float x\nend_header\n1\n",
         "more items than the file has room for"},
        {"list.ply", head + "element face 1\nproperty list uint uint vertex_indices\nend_header\n" +
                         littleFloats({0, 0, 0, 1, 0, 0, 0, 1, 0}) + std::string("\xff\xff\xff\x7f", 4),
         "more list values than the file has room for"},
        {"type.ply", "ply\nformat ascii 1.0\nelement vertex 1\nproperty quad x\nend_header\n", "unknown property type"},
        {"cut.ply", head + "element face 1\nproperty list uchar int vertex_indices\nend_header\n" +
                        littleFloats({0, 0, 0, 1, 0, 0, 0, 1, 0}),
         "ends inside its data"},
        // Five indices announced where two fit.
        {"short.ply", head + "element face 1\nproperty list uchar int vertex_indices\nend_header\n" +
                          littleFloats({0, 0, 0, 1, 0, 0, 0, 1, 0}) + "\x05" + std::string(8, '\0'),
         "more list values than the file has room for"},
        {"nan.ply", "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nend_header\nnan\n", "damaged number"},
        {"textcount.ply", "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nelement face 1\n"
                          "property list uchar int vertex_indices\nend_header\n0\n1e300 1 2 3\n",
         "more list values than the file has room for"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitScene();
        CadObject* kept = makeMesh("kept", 1);
        ui.messages.clear();
        writeFile(file(c.name), c.bytes);
        const bool stl = std::strstr(c.name, ".stl") != nullptr;
        EXPECT_EQ((stl ? ReadSTL : ReadPLY)(file(c.name).c_str()), 0);
        EXPECT_NE(ui.lastMessage().find(std::string("Unable to import ") + (stl ? "STL" : "PLY") + " file"),
                  std::string::npos)
            << ui.lastMessage();
        EXPECT_NE(ui.lastMessage().find(c.reason), std::string::npos) << ui.lastMessage();
        ASSERT_EQ(meshObjects().size(), 1u);
        EXPECT_EQ(meshObjects()[0], kept);
    }
    // Memory running out half way through the objects takes back those made.
    InitScene();
    buildScene();
    ASSERT_EQ(WriteSTL(file("whole.stl").c_str(), 1), 1);
    InitScene();
    kx::mem::failAllocationsAfter(40);
    EXPECT_EQ(ReadSTL(file("whole.stl").c_str()), 0);
    kx::mem::failAllocationsAfter(-1);
    EXPECT_NE(ui.lastMessage().find("out of memory"), std::string::npos) << ui.lastMessage();
    EXPECT_TRUE(meshObjects().empty());
}

// Nothing a mesh format holds: no file replaced, and the message says what
// was left out.
TEST_F(MeshFilesTest, AnExportWithNothingToHoldFailsAndKeepsTheOldFile) {
    struct Case {
        const char* name;
        int (*write)(const char*);
        const char* says;
    };
    const Case cases[] = {
        {"old.stl", [](const char* p) { return WriteSTL(p, 1); }, "STL holds triangles"},
        {"old.ply", [](const char* p) { return WritePLY(p, 0); }, "PLY holds triangles"},
        {"old.obj", WriteOBJ, "Wavefront OBJ holds triangles"},
        {"old.raw", [](const char* p) { return Write3Dfile(GetCurrentScene(), p, KX_FILETYPE_RAW); },
         "no object of the scene is one the ASCII Facet List format holds"},
    };
    CreateDefaultLight();
    CreateDefaultLight();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(file(c.name), "the user's own\n");
        ui.messages.clear();
        EXPECT_EQ(c.write(file(c.name).c_str()), 0);
        EXPECT_NE(ui.lastMessage().find("Nothing to export to " + file(c.name)), std::string::npos) << ui.lastMessage();
        EXPECT_NE(ui.lastMessage().find(c.says), std::string::npos) << ui.lastMessage();
        EXPECT_EQ(readAll(file(c.name)), "the user's own\n");
    }
    ui.messages.clear();
    WriteSTL(file("old.stl").c_str(), 1);
    EXPECT_NE(ui.lastMessage().find("(left out: 2 lights)"), std::string::npos) << ui.lastMessage();
}

// With the setting, the formats with shapes of their own write a sphere
// and a cone as the triangles the views draw; without it, as their shapes.
TEST_F(MeshFilesTest, PrimitivesAreWrittenAsTrianglesWhenAsked) {
    add(CreateDefaultSphere);
    add(CreateDefaultCone);
    struct Case {
        unsigned format;
        const char* file;
        const char* shape;  // what the format's own shape begins with
        const char* face;   // what a face of the mesh begins with
    } cases[] = {
        {KX_FILETYPE_NFF, "t.nff", "\ns ", "\np "},
        {KX_FILETYPE_VRML2, "t.vrm", "Sphere", "coordIndex"},
        {KX_FILETYPE_VRML, "t.wrl", "Sphere", "IndexedFaceSet"},
    };
    auto count = [](const std::string& text, const std::string& word) {
        size_t n = 0;
        for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
        return n;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        for (unsigned on : {0u, 1u}) {
            SetCoreParamInt(KX_COREPARAM_TESSELLATE_PRIMITIVES, on);
            ASSERT_EQ(WriteExportFile(GetCurrentScene(), file(c.file).c_str(), c.format), 1) << ui.lastMessage();
            const std::string text = readAll(file(c.file));
            if (on) {
                EXPECT_EQ(count(text, c.shape), 0u);
                EXPECT_GT(count(text, c.face), c.format == KX_FILETYPE_NFF ? 20u : 1u);
            } else {
                EXPECT_GE(count(text, c.shape), 1u);
            }
        }
    }
}

}  // namespace
}  // namespace kxtest
