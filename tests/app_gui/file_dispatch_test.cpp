// Opening and saving by file type and extension, with the texts shown when
// that cannot be done.
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "document/file_dispatch.h"
#include "kxcore.h"
#include "mainframe/file_commands.h"
#include "model/scene_model.h"
#include "window_fixture.h"

namespace {

namespace fs = std::filesystem;

class FileDispatchTest : public kxtest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        emptyScene();
    }
    QString file(const std::string& name) const { return QString::fromStdString(dir->file(name)); }
    std::string read(const std::string& name) const { return dir->read(name); }
};

TEST_F(FileDispatchTest, NativeSceneSavesAndOpensBack) {
    CadObject* ball = addObject(KX_SPHERE, {1, 2, 3});
    SetCadObjectProperty(ball, KX_PROP_NAME, "ball");
    doc()->setModified(true);
    ASSERT_TRUE(doc()->save(file("scene.cad")));
    EXPECT_FALSE(doc()->isModified());
    EXPECT_EQ(doc()->title(), QStringLiteral("scene.cad"));
    EXPECT_EQ(read("scene.cad").rfind("version 2.0", 0), 0u);
    // The camera's image size became the render size before the save.
    EXPECT_EQ(GetActiveCamera()->width, session->settings().render.renderX);

    emptyScene();
    EXPECT_EQ(GetCadObjectByName("ball"), nullptr);
    ASSERT_TRUE(doc()->open(file("scene.cad")));
    CadObject* back = GetCadObjectByName("ball");
    ASSERT_NE(back, nullptr);
    EXPECT_FLOAT_EQ(back->translate.z, 3);
    EXPECT_EQ(doc()->path(), QFileInfo(file("scene.cad")).absoluteFilePath());
    // Opening changes to the file's folder.
    EXPECT_EQ(fs::current_path(), dir->path());
    EXPECT_TRUE(boxes.empty()) << boxes.front().text.toStdString();
}

TEST_F(FileDispatchTest, UnknownTypesAreRefusedWithTheirName) {
    addObject(KX_SPHERE, {0, 0, 0});
    std::ofstream(dir->file("notes.xyz")) << "hello";
    EXPECT_FALSE(doc()->open(file("notes.xyz")));
    // The scene is not thrown away for a file that cannot be read.
    EXPECT_EQ(GetCadObjectsCount(), 1u);
    EXPECT_FALSE(doc()->save(file("out.xyz")));
    EXPECT_FALSE(doc()->save(file("out.cad"), 77));
    const std::string in = "Error unknown file type: " + dir->file("notes.xyz");
    const std::string out = "Error unknown file type: " + dir->file("out.xyz");
    const std::string plugin = "Error unknown file type: " + dir->file("out.cad");
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{in, out, plugin}));
    EXPECT_EQ(boxes.front().caption, QStringLiteral("Kalvex"));
}

TEST_F(FileDispatchTest, ExportsGoByExtensionOrByChosenType) {
    addObject(KX_SPHERE, {0, 0, 0});
    struct Case {
        std::string name;
        unsigned type;
        std::string written;
    };
    const Case cases[] = {
        {"ball.pov", 0, "ball.pov"},    // POV-Ray, by extension
        {"ball2.txt", 11, "ball2.pov"}, // a chosen type takes its own extension
        {"ball.dxf", 0, "ball.dxf"},
        {"ball.wrl", 0, "ball.wrl"},
        // Every other renderer format by its chosen type.
        {"other.txt", 14, "other.nff"},
        {"other.txt", 19, "other.pi"},
        {"other.txt", 22, "other.dxf"},
        {"other.txt", 23, "other.rib"},
        {"other.txt", 24, "other.wrl"},
        {"other.txt", 38, "other.wrl"},  // what VRML 2 readers expect
        {"other", 34, "other.OBJ"},
        {"ball.obj", 0, "ball.obj"},
        // The last extension names the type; the name is kept whole.
        {"my.scene.pov", 0, "my.scene.pov"},
        {"ball.v2.stl", 0, "ball.v2.stl"},
        {"ball.ply", 0, "ball.ply"},
        {"ball.glb", 0, "ball.glb"},
        {"ball.gltf", 0, "ball.gltf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(doc()->save(file(c.name), c.type));
        EXPECT_FALSE(read(c.written).empty());
    }
    // An export does not make the file the document's.
    EXPECT_TRUE(doc()->path().isEmpty());
}

TEST_F(FileDispatchTest, SavingAlsoExportsWhenAutoSaveIsOn) {
    addObject(KX_SPHERE, {0, 0, 0});
    session->settings().exports.autoSave = 1;
    ASSERT_TRUE(doc()->save(file("auto.cad")));
    EXPECT_FALSE(read("auto.pov").empty());
}

TEST_F(FileDispatchTest, PointAndFacetFilesNeedASelectedObject) {
    EXPECT_FALSE(doc()->save(file("facets.raw")));
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"No objects selected"});
    boxes.clear();

    // A mesh goes out as facets.
    CadObject* ball = addObject(KX_SPHERE, {0, 0, 0});
    AddSelectedObject(ball);
    ASSERT_TRUE(doc()->save(file("facets.raw")));
    // All 120 triangles of the ball, in the plain facet syntax.
    const std::string facets = read("facets.RAW");
    EXPECT_GE(std::count(facets.begin(), facets.end(), '\n'), 120);
    EXPECT_EQ(facets.find_first_not_of("0123456789.,- \r\n"), std::string::npos);
    EXPECT_TRUE(boxes.empty()) << boxes.front().text.toStdString();

    // A point object as a point file, in the chosen point format.
    SetObjectsUnSelected();
    CadObject* points = NewPointObject("_points");
    Point3d p{1, 2, 3};
    points->points = AddEntry(1, nullptr, &p);
    points->count = 1;
    ASSERT_TRUE(doc()->save(file("dots.3d"), 9));
    EXPECT_EQ(read("dots.PTS"), "Point 1 2 3\r\n");

    // One include file per point.
    ASSERT_TRUE(doc()->save(file("series.inc"), 6));
    EXPECT_NE(read("series0.INC").find("sphere"), std::string::npos);

    // An object without points has nothing to write.
    CadObject* empty = nullptr;
    {
        kx::app::SceneModel::Transaction change;
        SetObjectsUnSelected();
        empty = CreateDefaultObjectEx(nullptr, KX_POLYGON, nullptr);
    }
    ASSERT_NE(empty, nullptr);
    EXPECT_FALSE(doc()->save(file("none.inc"), 6));
    EXPECT_EQ(messageTexts().back(), "Error unable to save zero points");
}

TEST_F(FileDispatchTest, OtherFormatsOpenAsANewUnsavedScene) {
    std::ofstream(dir->file("tri.raw")) << "0 0 0 1 0 0 0 1 0\n0 0 1 1 0 1 0 1 1\n";
    ASSERT_TRUE(doc()->open(file("tri.raw")));
    ASSERT_EQ(GetCadObjectsCount(), 1u);
    EXPECT_EQ(GetCadObject(nullptr)->count, 2u);
    EXPECT_TRUE(doc()->path().isEmpty());
    // Importing adds to the scene.
    ASSERT_TRUE(doc()->import(file("tri.raw")));
    EXPECT_EQ(GetCadObjectsCount(), 2u);
    EXPECT_TRUE(doc()->isModified());
}

// A 3D Studio triangle: main, editor, named object, mesh, vertices, faces.
std::string threeDsTriangle() {
    auto u16 = [](unsigned v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; };
    auto chunk = [&](unsigned id, const std::string& body) {
        const uint32_t n = static_cast<uint32_t>(body.size() + 6);
        return u16(id) + u16(n & 0xFFFF) + u16(n >> 16) + body;
    };
    std::string vertices = u16(3);
    for (float v : {0.f, 0.f, 0.f, 20.f, 0.f, 0.f, 0.f, 20.f, 0.f}) {
        char bytes[4];
        std::memcpy(bytes, &v, 4);
        vertices.append(bytes, 4);
    }
    const std::string faces = u16(1) + u16(0) + u16(1) + u16(2) + u16(0);
    const std::string object = std::string("tri", 4) + chunk(0x4100, chunk(0x4110, vertices) + chunk(0x4120, faces));
    return chunk(0x4D4D, chunk(0x3D3D, chunk(0x4000, object)));
}

TEST_F(FileDispatchTest, ImportedFormatsOpenAsNewScenesOrJoinTheCurrentOne) {
    std::ofstream(dir->file("m.obj")) << "v 0 0 0\nv 1 0 0\nv 0 1 0\ng tri\nf 1 2 3\n";
    std::ofstream(dir->file("m.nff")) << "p 3\n0 0 0\n1 0 0\n0 1 0\n";
    std::ofstream(dir->file("m.dxf")) << "0\nSECTION\n2\nENTITIES\n0\n3DFACE\n10\n0\n20\n0\n30\n0\n11\n1\n21\n0\n"
                                         "31\n0\n12\n0\n22\n1\n32\n0\n13\n0\n23\n1\n33\n0\n0\nENDSEC\n0\nEOF\n";
    std::ofstream(dir->file("m.3ds"), std::ios::binary) << threeDsTriangle();
    auto count = [](unsigned type) {
        unsigned n = 0;
        for (CadObject* o = GetCadObject(nullptr); o; o = GetCadObject(o)) n += o->type == type;
        return n;
    };
    auto facets = [] {
        unsigned n = 0;
        for (CadObject* o = GetCadObject(nullptr); o; o = GetCadObject(o)) n += o->type == KX_POLYGON ? o->count : 0;
        return n;
    };
    for (const char* name : {"m.obj", "m.nff", "m.dxf", "m.3ds"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(doc()->open(file(name))) << (messageTexts().empty() ? "" : messageTexts().back());
        // A new scene as File > New makes it, holding the file's mesh.
        EXPECT_EQ(count(KX_LIGHT), 2u);
        EXPECT_EQ(count(KX_POLYGON), 1u);
        EXPECT_EQ(facets(), 1u);
        EXPECT_TRUE(doc()->path().isEmpty());
        // Framed by the default camera, not left where a new scene has it.
        EXPECT_FALSE(GetActiveCamera()->location.x == 0 && GetActiveCamera()->location.y == 4 &&
                     GetActiveCamera()->location.z == 20);
        ASSERT_TRUE(doc()->import(file(name)));
        // Imported into the current scene (an OBJ group continues its object).
        EXPECT_EQ(count(KX_LIGHT), 2u);
        EXPECT_EQ(facets(), 2u);
        EXPECT_TRUE(doc()->isModified());
    }
}

// A file chosen in a dialog is read by its own extension whatever filter the
// dialog showed; a file that gives nothing leaves the scene unmodified.
TEST_F(FileDispatchTest, AChosenFileGoesByItsExtensionAndAFailedImportChangesNothing) {
    const QString ext = QString::fromLatin1(GetCadFileExtension(KX_FILETYPE_KALVEX));
    const QString sceneFilter = QStringLiteral("%1 (*%2 *%3)")
                                    .arg(QString::fromLatin1(GetCadFileDescription(KX_FILETYPE_KALVEX)), ext, ext.toUpper());
    ASSERT_EQ(FileCommands::typeOfFilter(sceneFilter), static_cast<unsigned>(KX_FILETYPE_KALVEX));
    struct Case {
        const char* name;
        unsigned type;
    } cases[] = {{"jeep1.3ds", 0}, {"m.obj", 0}, {"scene.cad", 0}, {"no extension", KX_FILETYPE_KALVEX}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FileCommands::typeOfChosenFile(file(c.name), sceneFilter), c.type);
    }
    std::ofstream(dir->file("m.obj")) << "v 0 0 0\nv 1 0 0\nv 0 1 0\ng tri\nf 1 2 3\n";
    ASSERT_TRUE(doc()->open(file("m.obj")));
    ASSERT_TRUE(doc()->save(file("saved.cad")));
    ASSERT_FALSE(doc()->isModified());
    std::ofstream(dir->file("bad.3ds")) << "not a 3D Studio file";
    EXPECT_FALSE(doc()->import(file("bad.3ds")));
    EXPECT_FALSE(doc()->isModified());
}

// An import is one step of Undo, both when it adds objects and when an OBJ
// group continues an object of the scene, and with the materials it brings
// to the texture list: undo takes the scene back to its saved state, redo
// brings the import again.
TEST_F(FileDispatchTest, AnImportIsOneStep) {
    std::ofstream(dir->file("m.obj")) << "v 0 0 0\nv 1 0 0\nv 0 1 0\ng tri\nf 1 2 3\n";
    std::ofstream(dir->file("m.stl")) << "solid s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\n"
                                         "vertex 0 1 0\nendloop\nendfacet\nendsolid s\n";
    std::ofstream(dir->file("m.mtl")) << "newmtl paint\nKd 1 0 0\n";
    std::ofstream(dir->file("painted.obj")) << "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\ng red\nusemtl paint\nf 1 2 3\n";
    // Two triangles under one node: a group of two.
    std::ofstream(dir->file("tree.gltf"))
        << "{\"asset\":{\"version\":\"2.0\"},\"buffers\":[{\"byteLength\":36,\"uri\":\"data:application/"
           "octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA\"}],\"bufferViews\":[{\"buffer\":0,"
           "\"byteLength\":36}],\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":3,\"type\":\"VEC3\"}],"
           "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0}}]}],\"nodes\":[{\"name\":\"pair\","
           "\"children\":[1,2]},{\"name\":\"a\",\"mesh\":0},{\"name\":\"b\",\"mesh\":0,\"translation\":[0,0,1]}],"
           "\"scenes\":[{\"nodes\":[0]}]}";
    // Objects, facets, texture list records and objects held by a group.
    auto shape = [] {
        std::array<unsigned, 4> counts{GetCadObjectsCount(), 0, 0, 0};
        for (CadObject* o = GetCadObject(nullptr); o; o = GetCadObject(o)) {
            counts[1] += CountEntry(o->points);
            counts[3] += o->parent && o->parent->type == KX_GROUP;
        }
        for (const TextureInfo* t = GetTexture(nullptr); t; t = t->next) ++counts[2];
        return counts;
    };
    for (const char* name : {"m.stl", "m.obj", "painted.obj", "tree.gltf"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(doc()->open(file("m.obj")));
        ASSERT_TRUE(doc()->save(file("saved.cad")));
        const auto before = shape();
        ASSERT_TRUE(doc()->import(file(name)));
        const auto after = shape();
        EXPECT_NE(after, before);
        EXPECT_TRUE(doc()->isModified());
        EXPECT_EQ(doc()->history().undoName(), "Import " + std::string(name));
        ASSERT_TRUE(doc()->undo());
        EXPECT_EQ(shape(), before);
        EXPECT_FALSE(doc()->isModified());
        ASSERT_TRUE(doc()->redo());
        EXPECT_EQ(shape(), after);
        if (std::string(name) == "tree.gltf") {
            EXPECT_EQ(after[3] - before[3], 2u) << "the node's two objects in its group";
        }
    }
}

// The dialogs start beside the scene, or where the program was started from
// (not in the data folder it works in), with a name to keep or change.
TEST_F(FileDispatchTest, FileDialogsStartBesideTheSceneWithItsNameFilledIn) {
    using D = FileCommands::Dialog;
    const QString started = QString::fromStdString(session->core().startFolder());
    ASSERT_FALSE(started.isEmpty());
    ASSERT_TRUE(doc()->save(file("still.life.cad")));
    const QString here = QFileInfo(file("still.life.cad")).absolutePath();
    struct Case {
        const char* what;
        bool saved;
        D dialog;
        QString expected;
    };
    const Case cases[] = {
        {"open, new scene", false, D::Open, started},
        {"import, new scene", false, D::Import, started},
        {"save as, new scene", false, D::SaveAs, started + "/Untitled.cad"},
        {"export, new scene", false, D::Export, started + "/Untitled.pov"},
        {"open beside the scene", true, D::Open, here},
        {"import beside the scene", true, D::Import, here},
        {"save as, the scene's name", true, D::SaveAs, here + "/still.life.cad"},
        {"export, the scene's name", true, D::Export, here + "/still.life.pov"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.saved) ASSERT_TRUE(doc()->open(file("still.life.cad")));
        else emptyScene();
        EXPECT_EQ(frame->fileCommands()->dialogStart(c.dialog).toStdString(), c.expected.toStdString());
    }
}

}  // namespace
