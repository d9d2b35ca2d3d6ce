// The file-type table and the dispatch of reading and writing by type.
#include <cctype>
#include <fstream>
#include <string>

#include "core_fixture.h"
#include "files/formats_internal.h"

namespace kxtest {
namespace {

class FileTypesTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
        InitCamera();
    }
    void TearDown() override {
        kx::files::exportHooks() = kx::files::ExportHooks{};
        CoreTest::TearDown();
    }
    void writeFile(const std::string& name, const std::string& content) {
        std::ofstream(dir.file(name), std::ios::binary) << content;
    }
};

// What a stand-in export driver saw of the file it was given.
struct DriverLog {
    unsigned type = 0;
    CadScene* scene = nullptr;
    int calls = 0;
    int lightResets = 0;
};
DriverLog driverLog;

TEST_F(FileTypesTest, EveryRowAnswersItsIdExtensionAndDescription) {
    struct Row {
        unsigned id;
        const char* extension;
        const char* description;
    } rows[] = {
        {1, ".cad", "Kalvex"},
        {5, ".raw", "ASCII Facet List"},
        {11, ".pov", "Persistence of Vision"},
        {10, ".pov", "Persistence of Vision"},
        {12, ".pov", "Persistence of Vision"},
        {25, ".3ds", "Autodesk 3D-Studio"},
        {26, ".pts", "ASCII Point List Files"},
        {27, ".pgn", "ASCII Polygon List Files"},
        {28, ".psf", "ASCII Point Surface"},
        {29, ".vec", "ASCII Vector List"},
        {14, ".nff", "Neutral file format"},
        {15, ".viv", "Vivid"},
        {16, ".rsh", "Rayshade"},
        {17, ".rt", "Rtrace"},
        {19, ".pi", "Polyray"},
        {20, ".qrt", "Qraytrace"},
        {21, ".art", "Art"},
        {22, ".dxf", "AutoCAD DXF Files"},
        {23, ".rib", "RenderMAN RIB"},
        {24, ".wrl", "VRML 1.1"},
        {38, ".vrm", "VRML 2.0"},
        {34, ".obj", "Wavefront OBJ"},
        {35, ".3mf", "Quicktime 3DMF"},
        {36, ".wtk", "World toolkit NFF"},
        {37, ".cob", "Truespace COB"},
        {30, ".stk", "Stik Figure Format"},
        {9, ".3d", "ComputerScape 3D File"},
        {31, ".d3d", "D3D File"},
        {32, ".dat", "Interactive CAD File"},
        {39, ".stl", "STL triangle mesh"},
        {40, ".ply", "PLY polygon mesh"},
        {41, ".gltf", "glTF 2.0 model"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.id);
        EXPECT_STREQ(GetCadFileExtension(r.id), r.extension);
        EXPECT_STREQ(GetCadFileDescription(r.id), r.description);
        // Each extension maps back to its first row (".pov" to 11).
        std::string upper = std::string("/tmp/x") + r.extension;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        unsigned expected = std::string(r.extension) == ".pov" ? 11 : r.id;
        EXPECT_EQ(GetCadFileType((std::string("scene") + r.extension).c_str()), expected);
        EXPECT_EQ(GetCadFileType(upper.c_str()), expected);
    }
    for (unsigned id : {0u, 2u, 13u, 18u, 33u, 42u, 1000u}) {
        SCOPED_TRACE(id);
        EXPECT_STREQ(GetCadFileDescription(id), "Kalvex");
        EXPECT_STREQ(GetCadFileExtension(id), ".cad");
    }
}

TEST_F(FileTypesTest, TheExtensionIsFoundInTheFileNameOnly) {
    struct Case {
        const char* name;
        unsigned type;
    } cases[] = {
        {"scene.POV", 11},
        {"scene", 0},
        {"", 0},
        {"scene.", 0},           // a dot at the end starts no extension
        {"scene..pov", 11},      // a dot followed by a dot is passed over
        {"scene.old.pov", 0},    // everything from the first dot: ".old.pov"
        {"scene.txt", 0},
        {"/home/u/my.models/scene", 0},
        {"/home/u/my.pov/scene", 0},
        {"/home/u/.hidden/scene.dxf", 22},
        {"C:\\models.v2\\ship.3ds", 25},
        {"./scene.obj", 34},
        {".wrl", 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GetCadFileType(c.name), c.type);
    }
    EXPECT_EQ(GetCadFileType(nullptr), 0u);
}

TEST_F(FileTypesTest, ReadingGoesToTheReaderOfTheType) {
    writeFile("a.cad", "version 1.5\n_sphere ball size 1 1 1\n");
    writeFile("b.pts", "1 2 3\n");
    writeFile("c.pgn", "0 0 0 1 0 0 0 1 0\n");
    writeFile("d.raw", "0 0 0 1 0 0 0 1 0\n");
    EXPECT_EQ(Read3Dfile(GetCurrentScene(), dir.file("a.cad").c_str(), 0), 1);
    EXPECT_EQ(Read3Dfile(GetCurrentScene(), dir.file("b.pts").c_str(), 0), 1);
    EXPECT_EQ(Read3Dfile(GetCurrentScene(), dir.file("c.pgn").c_str(), 0), 1);
    EXPECT_EQ(Read3Dfile(GetCurrentScene(), dir.file("d.raw").c_str(), 0), 1);
    // An explicit id wins over the name.
    EXPECT_EQ(Read3Dfile(GetCurrentScene(), dir.file("d.raw").c_str(), KX_FILETYPE_PTS), 1);
    EXPECT_NE(GetCadObjectByName("ball"), nullptr);
    EXPECT_EQ(GetCadObjectByName("b")->type, static_cast<uint32_t>(KX_POINTS));
    EXPECT_EQ(GetCadObjectByName("c")->type, static_cast<uint32_t>(KX_POLYGON));
    EXPECT_EQ(GetCadObjectByName("d")->type, static_cast<uint32_t>(KX_POLYGON));
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
}

TEST_F(FileTypesTest, TypesThatCannotBeRead) {
    struct Case {
        const char* name;
        unsigned id;
        const char* message;
    } cases[] = {
        {"scene", 0, "Unsupported import type"},
        {"scene.txt", 0, "Unsupported import type"},
        {"v.vec", 0, "Unable to import ASCII Vector List file"},
        {"v.vec", 29, "Unable to import ASCII Vector List file"},
        {"p.pov", 0, "Unable to import Persistence of Vision file"},
        {"x", 99, "Unable to import Kalvex file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.clear();
        EXPECT_EQ(Read3Dfile(GetCurrentScene(), c.name, c.id), 0);
        EXPECT_EQ(ui.lastMessage(), c.message);
        EXPECT_EQ(ui.messages.size(), 1u);
    }
}

TEST_F(FileTypesTest, WritingAKalvexSceneUsesTheStatementForm) {
    CreateDefaultSphere();
    EXPECT_EQ(Write3Dfile(GetCurrentScene(), dir.file("s.cad").c_str(), 0), 1);
    EXPECT_EQ(dir.read("s.cad").rfind("version 1.5\r\n", 0), 0u);
    EXPECT_EQ(Write3Dfile(GetCurrentScene(), "", KX_FILETYPE_KALVEX), 1);
    EXPECT_EQ(dir.read("untitled").rfind("version 1.5\r\n", 0), 0u);
}

TEST_F(FileTypesTest, ExportTypesGoThroughTheDriverWithTheirExtension) {
    driverLog = DriverLog{};
    kx::files::exportHooks().exportObjects = [](StandardFile* f) {
        driverLog.type = f->type;
        driverLog.scene = f->scene;
        ++driverLog.calls;
        StdPutLine(f, "exported\n");
        return 1;
    };
    kx::files::exportHooks().resetLightCounter = [] { ++driverLog.lightResets; };
    CreateDefaultSphere();
    std::filesystem::create_directory(dir.file("my.models"));
    struct Case {
        const char* name;
        unsigned id;
        const char* written;
    } cases[] = {
        {"scene.txt", KX_FILETYPE_POVRAY2, "scene.pov"},
        {"my.models/scene.cad", KX_FILETYPE_POVRAY3, "my.models/scene.pov"},  // never beside the folder
        {"", KX_FILETYPE_RAW, "untitled.raw"},
        {"shape.pts", 0, "shape.pts"},
        {"mesh", KX_FILETYPE_PGN, "mesh.pgn"},
        {"world", KX_FILETYPE_VRML2, "world.vrm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        const std::string name = *c.name ? dir.file(c.name) : "";
        const int calls = driverLog.calls;
        EXPECT_EQ(Write3Dfile(GetCurrentScene(), name.c_str(), c.id), 1);
        EXPECT_EQ(driverLog.calls, calls + 1);
        EXPECT_EQ(driverLog.type, c.id ? c.id : unsigned{KX_FILETYPE_PTS});
        EXPECT_EQ(driverLog.scene, GetCurrentScene());
        EXPECT_EQ(driverLog.lightResets, driverLog.calls);
        EXPECT_EQ(dir.read(c.written), "exported\r\n");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("my.pov")));
    EXPECT_EQ(Write3Dfile(GetCurrentScene(), dir.file("no/such/x.pov").c_str(), KX_FILETYPE_POVRAY3), 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to export  file " + dir.file("no/such/x.pov") + "\n", 0), 0u);
}

TEST_F(FileTypesTest, TypesThatCannotBeWritten) {
    // As long as no writer is set for the export formats.
    kx::files::exportHooks().exportObjects = nullptr;
    kx::files::exportHooks().writeObj = nullptr;
    CreateDefaultSphere();
    struct Case {
        const char* name;
        unsigned id;
    } cases[] = {
        {"s.viv", 15}, {"s.3ds", 25}, {"s", 0}, {"s.txt", 0}, {"s", 99}, {"s.art", 0},
        {"s.pov", 11}, {"s.raw", 5}, {"s.obj", 34}, {"", 34},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.clear();
        const std::string name = *c.name ? dir.file(c.name) : "";
        EXPECT_EQ(Write3Dfile(GetCurrentScene(), name.c_str(), c.id), 0);
        EXPECT_EQ(ui.lastMessage(), "Unsupported export type");
    }
    // Nothing is created for a type that cannot be written.
    for (const char* file : {"s.pov", "s.raw", "s.obj", "s", "untitled", "untitled.obj"}) {
        SCOPED_TRACE(file);
        EXPECT_FALSE(std::filesystem::exists(dir.file(file)));
    }
}

}  // namespace
}  // namespace kxtest
