// glTF models as other programs write them: indexed and plain primitives,
// strips and fans, sparse accessors, node transforms, several scenes, data
// URIs and buffers beside the file; and damaged ones, which add nothing.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "files/files_internal.h"
#include "import_fixture.h"

namespace kxtest {
namespace {

std::string base64(const std::string& bytes) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        for (int k = 18; k >= 0; k -= 6) out += digits[(v >> k) & 63];
    }
    if (i + 1 == bytes.size()) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        out += {digits[(v >> 18) & 63], digits[(v >> 12) & 63], '=', '='};
    } else if (i + 2 == bytes.size()) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        out += {digits[(v >> 18) & 63], digits[(v >> 12) & 63], digits[(v >> 6) & 63], '='};
    }
    return out;
}

template <typename T>
std::string bytesOf(std::initializer_list<T> values) {
    std::string out;
    for (T v : values) out.append(reinterpret_cast<const char*>(&v), sizeof v);
    return out;
}

// A unit square in z = 0: four corners, then six ushort indices.
const std::string kSquare = bytesOf<float>({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}) +
                            bytesOf<uint16_t>({0, 1, 2, 0, 2, 3});

// A model over one buffer holding `data`, with the given JSON members.
std::string model(const std::string& data, const std::string& members, const std::string& uri = "") {
    const std::string bufferUri = uri.empty() ? "data:application/octet-stream;base64," + base64(data) : uri;
    return "{\"asset\":{\"version\":\"2.0\"},\"buffers\":[{\"byteLength\":" + std::to_string(data.size()) +
           ",\"uri\":\"" + bufferUri + "\"}]," + members + "}";
}

const std::string kSquareViews =
    "\"bufferViews\":[{\"buffer\":0,\"byteOffset\":0,\"byteLength\":48},{\"buffer\":0,\"byteOffset\":48,\"byteLength\":12}],"
    "\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":4,\"type\":\"VEC3\"},"
    "{\"bufferView\":1,\"componentType\":5123,\"count\":6,\"type\":\"SCALAR\"}]";

std::string withMesh(const std::string& primitive, const std::string& nodes) {
    return kSquareViews + ",\"meshes\":[{\"name\":\"sq\",\"primitives\":[" + primitive + "]}],\"nodes\":" + nodes;
}

class GltfImportTest : public ImportTest {
protected:
    static std::vector<Triangle> all() {
        std::vector<Triangle> out;
        for (CadObject* o : objects())
            for (const Triangle& t : triangles(o)) out.push_back(t);
        return out;
    }
};

TEST_F(GltfImportTest, PrimitivesNodesAndScenesOfOtherWriters) {
    const std::string material = ",\"materials\":[{\"pbrMetallicRoughness\":{\"baseColorFactor\":[1,0.5,0,1]}}]";
    struct Case {
        const char* name;
        std::string json;
        size_t objects, triangles;
        Point3d someCorner;  // where one corner of the first triangle stands
    };
    const Case cases[] = {
        {"indexed", model(kSquare, withMesh("{\"attributes\":{\"POSITION\":0},\"indices\":1}", "[{\"mesh\":0}]")), 1, 2,
         {1, 1, 0}},
        // Without indices the four corners give one triangle and a spare corner.
        {"plain", model(kSquare, withMesh("{\"attributes\":{\"POSITION\":0}}", "[{\"mesh\":0}]")), 1, 1, {1, 0, 0}},
        {"strip", model(kSquare, withMesh("{\"attributes\":{\"POSITION\":0},\"mode\":5}", "[{\"mesh\":0}]")), 1, 2,
         {1, 1, 0}},
        {"fan", model(kSquare, withMesh("{\"attributes\":{\"POSITION\":0},\"mode\":6}", "[{\"mesh\":0}]")), 1, 2,
         {1, 1, 0}},
        // Lines are not triangles: left out, the rest still read.
        {"lines", model(kSquare, withMesh("{\"attributes\":{\"POSITION\":0},\"mode\":1},{\"attributes\":{\"POSITION\":0},"
                                          "\"indices\":1}", "[{\"mesh\":0}]")), 1, 2, {1, 1, 0}},
        // A parent moves and scales its child; the child's mesh stands where both put it.
        {"nested", model(kSquare, withMesh("{\"attributes\":{\"POSITION\":0},\"indices\":1}",
                                           "[{\"translation\":[10,0,0],\"scale\":[2,2,2],\"children\":[1]},"
                                           "{\"name\":\"child\",\"translation\":[0,0,1],\"mesh\":0}]") +
                                      ",\"scenes\":[{\"nodes\":[0]}]"), 1, 2, {12, 2, 2}},
        // Of two scenes the default one is read.
        {"scenes", model(kSquare, withMesh("{\"attributes\":{\"POSITION\":0},\"indices\":1}",
                                           "[{\"mesh\":0},{\"mesh\":0,\"translation\":[0,5,0]}]") +
                                      ",\"scenes\":[{\"nodes\":[0]},{\"nodes\":[1]}],\"scene\":1"), 1, 2, {1, 6, 0}},
        // A matrix (column-major) turns the square a quarter about z.
        {"matrix", model(kSquare, withMesh("{\"attributes\":{\"POSITION\":0},\"indices\":1}",
                                           "[{\"mesh\":0,\"matrix\":[0,1,0,0,-1,0,0,0,0,0,1,0,0,0,0,1]}]")), 1, 2,
         {-1, 1, 0}},
        {"material", model(kSquare, withMesh("{\"attributes\":{\"POSITION\":0},\"indices\":1,\"material\":0}",
                                             "[{\"mesh\":0}]") + material), 1, 2, {1, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitScene();
        ASSERT_EQ(ReadGLTF(write(std::string(c.name) + ".gltf", c.json).c_str()), 1) << ui.lastMessage();
        ASSERT_EQ(objects().size(), c.objects);
        const std::vector<Triangle> t = all();
        ASSERT_EQ(t.size(), c.triangles);
        bool found = false;
        for (const Point3d& p : t[0]) found = found || near(p, c.someCorner.x, c.someCorner.y, c.someCorner.z);
        EXPECT_TRUE(found) << t[0][0].x << " " << t[0][0].y << " " << t[0][0].z;
    }
    EXPECT_EQ(objects()[0]->rgb, 0x007FFFu) << "the base colour";
    InitScene();
    ASSERT_EQ(ReadGLTF(dir.file("nested.gltf").c_str()), 1);
    EXPECT_STREQ(objects()[0]->name, "child");
}

// The scene's tree as text: each object no group holds, in scene order, a
// group as name{operation}(members).
std::string sceneTree() {
    auto describe = [](auto&& self, const CadObject* o) -> std::string {
        if (o->type != KX_GROUP) return o->name;
        std::string text = std::string(o->name) + "{" + kx::files::csgKeyword(static_cast<unsigned>(o->extraPoint.x)) + "}(";
        for (const CadObject* c = o->firstChild; c; c = c->nextSibling)
            text += self(self, c) + (c->nextSibling ? "," : "");
        return text + ")";
    };
    std::string out;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        if (!o->parent) out += (out.empty() ? "" : ",") + describe(describe, o);
    return out;
}

// A node whose tree holds two objects or more is a group of them; a node that
// only places one object adds none, unless it is a group of ours, which comes
// back with its operation.
TEST_F(GltfImportTest, NodeTreesBecomeGroups) {
    const std::string square = "{\"attributes\":{\"POSITION\":0},\"indices\":1}";
    struct Case {
        const char* name;
        std::string nodes;
        const char* tree;
    };
    const Case cases[] = {
        {"nested",
         "[{\"name\":\"car\",\"children\":[1,2]},{\"name\":\"body\",\"mesh\":0},{\"name\":\"wheels\",\"children\":[3,4]},"
         "{\"name\":\"w1\",\"mesh\":0},{\"name\":\"w2\",\"mesh\":0,\"translation\":[0,0,2]}]",
         "car{union}(body,wheels{union}(w1,w2))"},
        // A node with a mesh of its own and children holds both.
        {"own mesh", "[{\"name\":\"lamp\",\"mesh\":0,\"children\":[1]},{\"name\":\"shade\",\"mesh\":0}]",
         "lamp{union}(lamp,shade)"},
        {"wrappers", "[{\"name\":\"outer\",\"children\":[1]},{\"name\":\"inner\",\"children\":[2,3]},"
                     "{\"name\":\"a\",\"mesh\":0},{\"name\":\"b\",\"mesh\":0}]",
         "inner{union}(a,b)"},
        {"roots", "[{\"name\":\"a\",\"mesh\":0},{\"name\":\"b\",\"mesh\":0}]", "a,b"},
        {"ours", "[{\"name\":\"cut\",\"children\":[1],\"extras\":{\"csg\":\"difference\"}},{\"name\":\"a\",\"mesh\":0}]",
         "cut{difference}(a)"},
        // An operation the format's other writers never note is no operation.
        {"odd note", "[{\"name\":\"g\",\"children\":[1,2],\"extras\":{\"csg\":7}},{\"name\":\"a\",\"mesh\":0},"
                     "{\"name\":\"b\",\"mesh\":0}]",
         "g{union}(a,b)"},
        // A node with nothing to draw holds nothing.
        {"empty", "[{\"name\":\"g\",\"children\":[1,2]},{\"name\":\"a\",\"mesh\":0},{\"name\":\"nothing\"}]", "a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitScene();
        const std::string json = model(kSquare, withMesh(square, c.nodes) + ",\"scenes\":[{\"nodes\":[0" +
                                                     (std::string(c.name) == "roots" ? ",1" : "") + "]}]");
        ASSERT_EQ(ReadGLTF(write("tree.gltf", json).c_str()), 1) << ui.lastMessage();
        EXPECT_EQ(sceneTree(), c.tree);
    }
    // The window's groups go out as nodes and come back as they were.
    InitScene();
    auto group = [](std::initializer_list<CadObject*> members, unsigned op, const char* name) {
        CadObject* g = groupAsTheWindowDoes(members, op);
        std::strcpy(g->name, name);
        return g;
    };
    CadObject* a = makeMesh("a", 2);
    CadObject* b = makeMesh("b", 2);
    CadObject* cut = group({a, b}, 3, "cut");
    CadObject* c = makeMesh("c", 2);
    group({cut, c}, 0, "all");
    makeMesh("alone", 1);
    const std::string before = sceneTree();
    ASSERT_EQ(before, "all{union}(cut{difference}(a,b),c),alone");
    ASSERT_EQ(WriteGLTF(dir.file("groups.glb").c_str()), 1) << ui.lastMessage();
    InitScene();
    ASSERT_EQ(ReadGLTF(dir.file("groups.glb").c_str()), 1) << ui.lastMessage();
    EXPECT_EQ(sceneTree(), before);
}

// A named material joins the scene's texture list in its colour; unnamed,
// or named beyond what the list holds, it gives the colour by value.
TEST_F(GltfImportTest, NamedMaterialsJoinTheTextureList) {
    const std::string longName(40, 'm');
    struct Case {
        std::string name;
        const char* material;  // the object's
        bool listed;
    } cases[] = {{"Brass", "Brass", true}, {"", "Rgb.255.127.0", false}, {longName, "Rgb.255.127.0", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitScene();
        const std::string material =
            ",\"materials\":[{\"name\":\"" + c.name + "\",\"pbrMetallicRoughness\":{\"baseColorFactor\":[1,0.5,0,1]}}]";
        const std::string json =
            model(kSquare, withMesh("{\"attributes\":{\"POSITION\":0},\"indices\":1,\"material\":0}", "[{\"mesh\":0}]") +
                               material);
        ASSERT_EQ(ReadGLTF(write("named.gltf", json).c_str()), 1) << ui.lastMessage();
        ASSERT_EQ(objects().size(), 1u);
        EXPECT_STREQ(objects()[0]->material, c.material);
        EXPECT_EQ(objects()[0]->materialType & 3, 1u);
        EXPECT_EQ(objects()[0]->rgb, 0x007FFFu);
        TextureInfo* entry = nullptr;
        for (TextureInfo* t = GetTexture(nullptr); t; t = GetTexture(t))
            if (c.name == t->name) entry = t;
        ASSERT_EQ(entry != nullptr, c.listed);
        if (entry) {
            EXPECT_EQ(entry->kind, KX_TEXTURE_COLOUR);
            EXPECT_EQ(entry->colour[0], 255);
            EXPECT_EQ(entry->colour[1], 127);
            EXPECT_EQ(entry->colour[2], 0);
        }
        ClearTexture(GetTexture(nullptr));
        SetFirstTexture(nullptr);
    }
}

TEST_F(GltfImportTest, SparseValuesAndBuffersBesideTheFile) {
    // The square's corner 2 moved to (5, 5, 0) by a sparse accessor.
    const std::string data = kSquare + bytesOf<uint16_t>({2, 0}) + bytesOf<float>({5, 5, 0});
    const std::string sparse =
        "\"bufferViews\":[{\"buffer\":0,\"byteOffset\":0,\"byteLength\":48},{\"buffer\":0,\"byteOffset\":48,"
        "\"byteLength\":12},{\"buffer\":0,\"byteOffset\":60,\"byteLength\":4},{\"buffer\":0,\"byteOffset\":64,"
        "\"byteLength\":12}],\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":4,\"type\":\"VEC3\","
        "\"sparse\":{\"count\":1,\"indices\":{\"bufferView\":2,\"componentType\":5123},\"values\":{\"bufferView\":3}}},"
        "{\"bufferView\":1,\"componentType\":5123,\"count\":6,\"type\":\"SCALAR\"}],\"meshes\":[{\"primitives\":"
        "[{\"attributes\":{\"POSITION\":0},\"indices\":1}]}],\"nodes\":[{\"mesh\":0}]";
    for (bool beside : {false, true}) {
        SCOPED_TRACE(beside ? "beside" : "inside");
        InitScene();
        if (beside) write("square.bin", data);
        ASSERT_EQ(ReadGLTF(write("sparse.gltf", model(data, sparse, beside ? "square.bin" : "")).c_str()), 1)
            << ui.lastMessage();
        const std::vector<Triangle> t = all();
        ASSERT_EQ(t.size(), 2u);
        EXPECT_TRUE(near(t[0][2], 5, 5, 0) || near(t[0][1], 5, 5, 0) || near(t[0][0], 5, 5, 0));
    }
}

// Damaged models and models that reach outside their folder add nothing.
TEST_F(GltfImportTest, DamagedModelsAndOutsideFilesAddNothing) {
    const std::string indexed = "{\"attributes\":{\"POSITION\":0},\"indices\":1}";
    std::string glbTooLong = "glTF" + bytesOf<uint32_t>({2, 1000, 100}) + "JSON{}";
    struct Case {
        const char* name;
        std::string text;
        const char* says;  // in the message
    };
    const Case cases[] = {
        {"json", "{\"asset\":", ""},
        {"version", "{\"asset\":{}}", ""},
        {"container", glbTooLong, ""},
        {"accessor", model(kSquare, withMesh(indexed, "[{\"mesh\":0}]")).replace(
                         model(kSquare, withMesh(indexed, "[{\"mesh\":0}]")).find("\"count\":4"), 9, "\"count\":9"),
         "runs past its buffer view"},
        {"index", model(kSquare.substr(0, 48) + bytesOf<uint16_t>({0, 1, 7, 0, 2, 3}), withMesh(indexed, "[{\"mesh\":0}]")),
         "names a vertex"},
        // The largest 32-bit index names no vertex (and is not rounded to one).
        {"largest", [&] {
             std::string json = model(kSquare.substr(0, 48) + bytesOf<uint32_t>({0, 1, 0xFFFFFFFFu}),
                                      withMesh(indexed, "[{\"mesh\":0}]"));
             return json.replace(json.find("\"componentType\":5123,\"count\":6"), 30,
                                 "\"componentType\":5125,\"count\":3");
         }(),
         "names a vertex"},
        {"missing", model(kSquare, withMesh("{\"attributes\":{\"POSITION\":5}}", "[{\"mesh\":0}]")), "missing"},
        {"loop", model(kSquare, withMesh(indexed, "[{\"mesh\":0,\"children\":[1]},{\"children\":[0]}]") +
                                    ",\"scenes\":[{\"nodes\":[0]}]"),
         ""},
        {"parent", model(kSquare, withMesh(indexed, "[{\"mesh\":0}]"), "../outside.bin"), ""},
        {"absolute", model(kSquare, withMesh(indexed, "[{\"mesh\":0}]"), "/etc/hostname"), ""},
        {"scheme", model(kSquare, withMesh(indexed, "[{\"mesh\":0}]"), "http://example.org/square.bin"), ""},
    };
    // The models stand in a folder of their own; the file beside that folder is outside.
    write("outside.bin", kSquare);
    std::filesystem::create_directories(dir.file("model"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitScene();
        CadObject* kept = makeMesh("kept", 1);
        ui.messages.clear();
        EXPECT_EQ(ReadGLTF(write("model/" + std::string(c.name) + ".gltf", c.text).c_str()), 0);
        EXPECT_NE(ui.lastMessage().find("Unable to import glTF file"), std::string::npos) << ui.lastMessage();
        EXPECT_NE(ui.lastMessage().find(c.says), std::string::npos) << ui.lastMessage();
        std::printf("%s: %s\n", c.name, ui.lastMessage().c_str());
        ASSERT_EQ(objects().size(), 1u);
        EXPECT_EQ(objects()[0], kept);
    }
}

}  // namespace
}  // namespace kxtest
