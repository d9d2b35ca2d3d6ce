// Exports of a scene holding every kind of object are read back by real
// readers (assimp for OBJ, NFF and DXF; tovrmlx3d for both VRMLs) and by the
// structural checks for RIB, Polyray and OBJ indices. Failed writes keep the
// previous file.
#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/resource.h>

#include "comma_locale.h"
#include "core_fixture.h"
#include "files/formats_internal.h"
#include "kxplatform/process.h"
#include "scene_checks.h"

namespace kxtest {
namespace {

struct ToolRun {
    int exitCode = -1;
    std::string output;
};

// Runs a shell command line in the folder; its output (what the line sends to it).
ToolRun runTool(const std::string& line, const std::string& folder) {
    kx::platform::CommandRunner runner;
    ToolRun r;
    if (!runner.start({"/bin/sh", "-c", line}, folder, true, {})) return r;
    r.exitCode = runner.wait().exitCode;
    r.output = runner.output();
    return r;
}

// "Faces:" and the like from assimp's summary; -1 when missing.
long assimpCount(const std::string& output, const std::string& label) {
    std::smatch m;
    if (!std::regex_search(output, m, std::regex("\\n" + label + ":\\s+([0-9]+)"))) return -1;
    return std::stol(m[1]);
}

size_t occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

class ExportReadersTest : public SceneTest {
protected:
    CadObject* mesh(const char* name, std::initializer_list<Point3d> corners, unsigned perNode) {
        std::vector<Point3d> all(corners);
        ListEntry* head = nullptr;
        ListEntry* tail = nullptr;
        unsigned nodes = 0;
        for (size_t i = 0; i + perNode <= all.size(); i += perNode, ++nodes) {
            tail = AddEntry(perNode, tail, &all[i]);
            if (!head) head = tail;
        }
        return AddObject(name, head, nodes, KX_POLYGON);
    }
    // Every primitive, flat and smooth meshes (a quad node, a degenerate
    // facet), points, lines, CSG groups, each light kind, colours, extra
    // texts and odd names.
    void richScene() {
        float x = -6;
        for (int (*create)() : {CreateDefaultSphere, CreateDefaultPlane, CreateDefaultDisc, CreateDefaultCylinder,
                                CreateDefaultCone, CreateDefaultTorus, CreateDefaultBox, CreateDefaultBlob,
                                CreateDefaultPatch, CreateDefaultUserDefined, CreateDefaultHeightfield}) {
            CadObject* o = add(create);
            o->translate = Point3d{x, 0, 0};
            x += 1.5f;
            RebuildObjectEx(o, 0);
        }
        SetEncodedRgb(GetCadObjectByName("_sphere0"), 255, 128, 0);
        SetObjectMaterial(GetCadObjectByName("_box0"), "Red", 1);
        SetCadObjectProperty(GetCadObjectByName("_heightfield0"), "HeightfieldFile", "hills.pgm");
        SetCadObjectProperty(GetCadObjectByName("_userdefined0"), "UserInline", "sphere { 0, 0.5 }");
        // The cone lies on its side, so NFF writes its triangles.
        CadObject* cone = GetCadObjectByName("_cone0");
        cone->rotate = Point3d{90, 0, 0};
        RebuildObjectEx(cone, 0);
        CadObject* flat = mesh("flat quad {x}", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, 4);
        SetObjectMaterial(flat, "Rgb.0.255.0", 1);
        mesh("degenerate", {{0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {0, 0, 2}, {1, 0, 2}, {0, 1, 2}}, 3);
        CadObject* smooth = mesh("smooth one", {{0, 0, 3}, {1, 0, 3}, {0, 1, 3}, {1, 0, 3}, {1, 1, 3}, {0, 1, 3}}, 3);
        SmoothObject(smooth);
        mesh("plain between", {{0, 0, 4}, {1, 0, 4}, {0, 1, 4}}, 3);
        CadObject* smooth2 = mesh("smooth two", {{0, 0, 5}, {1, 0, 5}, {0, 1, 5}, {1, 0, 5}, {1, 1, 5}, {0, 1, 5}}, 3);
        SmoothObject(smooth2);
        NewDefaultCadObject("hollow", KX_POLYGON);
        Point3d dots[3] = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
        ListEntry* p = AddEntry(1, nullptr, dots);
        AddEntry(1, AddEntry(1, p, dots + 1), dots + 2);
        AddObject("dots", p, 3, KX_POINTS);
        Point3d seg[2] = {{0, 0, 0}, {0, 5, 0}};
        AddObject("segment", AddEntry(2, nullptr, seg), 1, KX_LINESEG);
        for (unsigned op = 0; op < 4; ++op) {
            CadObject* group = CreateDefaultGroup();
            group->extraPoint.x = static_cast<float>(op);
            CadObject* a = add(CreateDefaultSphere);
            CadObject* b = add(CreateDefaultBox);
            a->groupId = b->groupId = group->groupId;
            // Apart, or a reader may take equal meshes for one.
            a->translate = Point3d{static_cast<float>(op) * 2 - 3, 2, 0};
            a->size = Point3d{0.5f, 0.5f + 0.1f * static_cast<float>(op), 0.5f};
            b->translate = Point3d{static_cast<float>(op) * 2 - 3, -2, 0};
            RebuildObjectEx(a, 0);
            RebuildObjectEx(b, 0);
        }
        CadObject* blobGroup = CreateDefaultGroup();
        for (int i = 0; i < 2; ++i) {
            CadObject* blob = add(CreateDefaultBlob);
            blob->groupId = blobGroup->groupId;
            blob->translate = Point3d{static_cast<float>(i), 4, 0};
            RebuildObjectEx(blob, 0);
        }
        add(CreateDefaultLight)->translate = Point3d{10, 20, 30};
        CadObject* spot = add(CreateDefaultLight);
        spot->translate = Point3d{0, 10, 10};
        SetCadObjectProperty(spot, "LightType", 1u);
        CadObject* area = add(CreateDefaultLight);
        area->translate = Point3d{-10, 10, 10};
        SetCadObjectProperty(area, "LightType", 2u);
        CadObject* s = GetCadObjectByName("_sphere0");
        SetCadObjectProperty(s, "Comment", "a comment\nover two lines");
        SetCadObjectProperty(s, "VrmlAnchor", "http://example.org/\"x\"");
        SetCadObjectProperty(GetCadObjectByName("_box0"), "VrmlInline", "inlined.wrl");
        SetCadObjectProperty(GetCadObjectByName("_torus0"), "Name", "odd {name} \"#1\"");
    }
    std::string write(unsigned format, const std::string& name) {
        EXPECT_EQ(Write3Dfile(GetCurrentScene(), dir.file(name).c_str(), format), 1) << ui.lastMessage();
        std::string written = format == KX_FILETYPE_WAVEFRONT
                                  ? name
                                  : std::filesystem::path(name).replace_extension(GetCadFileExtension(format)).string();
        return written;
    }
    size_t trianglesOf(const char* name) {
        size_t n = 0;
        kx::files::forEachTriangle(GetCadObjectByName(name), [&n](const kx::files::Triangle&) { ++n; });
        return n;
    }
};

TEST_F(ExportReadersTest, AssimpReadsObjNffAndDxf) {
    richScene();
    {
        const std::string file = write(KX_FILETYPE_WAVEFRONT, "scene.obj");
        const std::string text = dir.read(file);
        EXPECT_EQ(checkObjIndices(text), "");
        ToolRun r = runTool("assimp info " + file, dir.path().string());
        ASSERT_EQ(r.exitCode, 0) << r.output;
        EXPECT_EQ(assimpCount(r.output, "Faces"), static_cast<long>(occurrences(text, "\nf ")));
        EXPECT_EQ(assimpCount(r.output, "Meshes"), static_cast<long>(occurrences(text, "\ng ")));
        // The facet writer's count of one object: a quad is two triangles, the degenerate one is left out.
        EXPECT_TRUE(std::regex_search(
            text, std::regex("\ng flat_quad_\\{x\\}\r\nusemtl Rgb\\.0\\.255\\.0\r\n(f [0-9]+ [0-9]+ [0-9]+ \r\n){2}\r\ng ")));
        EXPECT_EQ(trianglesOf("degenerate"), 1u);
    }
    {
        const std::string file = write(KX_FILETYPE_NFF, "scene.nff");
        const std::string text = dir.read(file);
        ToolRun r = runTool("assimp info " + file, dir.path().string());
        ASSERT_EQ(r.exitCode, 0) << r.output;
        // Counted without post-processing, which would take spheres of one kind for one mesh.
        r = runTool("assimp info " + file + " -r", dir.path().string());
        ASSERT_EQ(r.exitCode, 0) << r.output;
        // The polygons are one mesh of exactly our facets; each "s" and "c" is one more.
        const std::string polygons = "/ 0 / " + std::to_string(occurrences(text, "p 3\r\n")) + " | triangle]";
        EXPECT_NE(r.output.find(polygons), std::string::npos) << r.output;
        EXPECT_EQ(occurrences(text, "\ns "), 5u);
        EXPECT_EQ(occurrences(text, "\nc\r\n"), 1u);
        EXPECT_EQ(assimpCount(r.output, "Meshes"), 7);
        EXPECT_EQ(assimpCount(r.output, "Lights"), 3);
        EXPECT_EQ(assimpCount(r.output, "Cameras"), 1);
    }
    {
        const std::string file = write(KX_FILETYPE_DXF, "scene.dxf");
        const std::string text = dir.read(file);
        ToolRun r = runTool("assimp info " + file, dir.path().string());
        ASSERT_EQ(r.exitCode, 0) << r.output;
        const size_t faces = occurrences(text, "3DFACE");
        EXPECT_GT(faces, 100u);
        // Polylines come as line pieces; the faces are all 3DFACEs.
        EXPECT_GE(assimpCount(r.output, "Faces"), static_cast<long>(faces));
        // Each polyline: its header, one vertex a point, the end.
        EXPECT_NE(text.find("0\r\nPOLYLINE\r\n8\r\nSURFACE\r\n62\r\n7\r\n66\r\n1\r\n10\r\n1\r\n20\r\n1\r\n30\r\n1\r\n"
                            "70\r\n8\r\n0\r\nVERTEX\r\n8\r\nSURFACE\r\n10\r\n1\r\n20\r\n1\r\n30\r\n1\r\n"
                            "0\r\nVERTEX\r\n8\r\nSURFACE\r\n10\r\n2\r\n20\r\n2\r\n30\r\n2\r\n"
                            "0\r\nVERTEX\r\n8\r\nSURFACE\r\n10\r\n3\r\n20\r\n3\r\n30\r\n3\r\n0\r\nSEQEND\r\n"),
                  std::string::npos);
        EXPECT_EQ(occurrences(text, "POLYLINE"), 2u);
        EXPECT_EQ(occurrences(text, "SEQEND"), 2u);
        EXPECT_EQ(occurrences(text, "VERTEX"), 5u);
        const std::string end = "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
        EXPECT_EQ(text.substr(text.size() - end.size()), end);
    }
}

TEST_F(ExportReadersTest, VrmlReaderTakesBothVersions) {
    richScene();
    std::ofstream(dir.file("inlined.wrl")) << "#VRML V2.0 utf8\nShape { geometry Box { } }\n";
    for (unsigned format : {KX_FILETYPE_VRML, KX_FILETYPE_VRML2}) {
        SCOPED_TRACE(format);
        std::string file = write(format, "world.txt");
        const std::string text = dir.read(file);
        EXPECT_EQ(checkBalanced(text), "");
        // The reader does not know ".vrm".
        std::filesystem::copy_file(dir.file(file), dir.file("check.wrl"),
                                   std::filesystem::copy_options::overwrite_existing);
        if (format == KX_FILETYPE_VRML) std::ofstream(dir.file("inlined.wrl")) << "#VRML V1.0 ascii\nCube { }\n";
        ToolRun r = runTool("tovrmlx3d check.wrl --encoding classic 2>&1 >/dev/null", dir.path().string());
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.output, "") << text;
        std::ofstream(dir.file("inlined.wrl")) << "#VRML V2.0 utf8\nShape { geometry Box { } }\n";
    }
}

TEST_F(ExportReadersTest, RibAndPolyrayPassTheirChecks) {
    richScene();
    const std::string rib = dir.read(write(KX_FILETYPE_RENDERMAN, "scene.rib"));
    EXPECT_EQ(checkRib(rib), "") << rib;
    EXPECT_EQ(occurrences(rib, "LightSource"), 3u);
    const std::string pi = dir.read(write(KX_FILETYPE_POLYRAY, "scene.pi"));
    EXPECT_EQ(checkPolyray(pi), "") << pi;
    // Four CSG groups, each joining its two members by the group's operator.
    for (const char* op : {"  + ", "  ^ ", "  * ", "  - "}) {
        SCOPED_TRACE(op);
        EXPECT_NE(pi.find(std::string("// DEFAULT GROUP\r\nobject {\r\n  _sphere") ), std::string::npos);
        EXPECT_NE(pi.find(std::string(" \r\n") + op + "  _box"), std::string::npos) << pi;
    }
    EXPECT_NE(pi.find("// BLOB _blob1\r\nobject {  blob 1:\r\n sphere < 0, 4, 0 >, 1, 1\r\n sphere < 1, 4, 0 >, 1, 1\r\n}"),
              std::string::npos);
    // The checks do catch what they look for.
    EXPECT_NE(checkRib("TransformBegin\nSphere 1 --2 1 360\nTransformEnd\n"), "");
    EXPECT_NE(checkRib("WorldBegin\nTransformBegin\nWorldEnd\n"), "");
    EXPECT_NE(checkPolyray("// DEFAULT GROUP\nobject {\n  ghost \n}\n"), "");
    EXPECT_NE(checkObjIndices("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1//1 2//2 3//3\n"), "");
    EXPECT_NE(checkBalanced("Separator { point [ 1 2 3, }"), "");
}

TEST_F(ExportReadersTest, ObjFacesReferToWhatWasWritten) {
    richScene();
    // Only some objects selected: the others write neither vertices nor faces.
    SetObjectsUnSelected();
    AddSelectedObject(GetCadObjectByName("smooth one"));
    AddSelectedObject(GetCadObjectByName("degenerate"));
    AddSelectedObject(GetCadObjectByName("smooth two"));
    AddSelectedObject(GetCadObjectByName("segment"));
    SetExportSelected(1);
    const std::string text = dir.read(write(KX_FILETYPE_WAVEFRONT, "selected.obj"));
    SetExportSelected(0);
    EXPECT_EQ(checkObjIndices(text), "") << text;
    EXPECT_NE(text.find("\r\ng degenerate\r\nf 1 2 3 \r\n"
                        "\r\ng smooth_one\r\nf 4//1 5//2 6//3 \r\nf 7//4 8//5 9//6 \r\n"
                        "\r\ng smooth_two\r\nf 10//7 11//8 12//9 \r\nf 13//10 14//11 15//12 \r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(occurrences(text, "\nv "), 15u);
    EXPECT_EQ(occurrences(text, "\nvn "), 12u);
    ToolRun r = runTool("assimp info selected.obj", dir.path().string());
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(assimpCount(r.output, "Faces"), 5);
}

TEST_F(ExportReadersTest, VrmlMeshBlocksCloseAndNormalsFollowTheirFacets) {
    mesh("degenerate first", {{0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {0, 0, 2}, {1, 0, 2}, {0, 1, 2}}, 3);
    SmoothObject(GetCadObjectByName("degenerate first"));
    NewDefaultCadObject("hollow", KX_POLYGON);
    for (unsigned format : {KX_FILETYPE_VRML, KX_FILETYPE_VRML2}) {
        SCOPED_TRACE(format);
        std::string text = dir.read(write(format, "mesh.txt"));
        EXPECT_EQ(checkBalanced(text), "");
        EXPECT_EQ(occurrences(text, ", -1,"), 1u);  // one facet written, one index line
        // Its three normals, not those of the skipped facet.
        const ListEntry* second = GetCadObjectByName("degenerate first")->points->next;
        char line[64];
        std::snprintf(line, sizeof line, "[\r\n    %g %g %g,\r\n", second->normals[0].x, second->normals[0].y,
                      second->normals[0].z);
        EXPECT_NE(text.find(line), std::string::npos) << text;
        EXPECT_EQ(text.find("hollow"), std::string::npos);  // nothing opened for a mesh without facets
    }
}

TEST_F(ExportReadersTest, TheExampleSceneInEveryFormat) {
    ASSERT_EQ(LoadScene(GetCurrentScene(), (std::string(KALVEX_EXAMPLES_DIR) + "/showcase.cad").c_str()), 1);
    for (unsigned format : {KX_FILETYPE_WAVEFRONT, KX_FILETYPE_NFF, KX_FILETYPE_DXF}) {
        SCOPED_TRACE(format);
        std::string file = write(format, format == KX_FILETYPE_WAVEFRONT ? "show.obj" : "show.txt");
        ToolRun r = runTool("assimp info " + file, dir.path().string());
        EXPECT_EQ(r.exitCode, 0) << r.output;
        EXPECT_GT(assimpCount(r.output, "Faces"), 100);
    }
    EXPECT_EQ(checkObjIndices(dir.read("show.obj")), "");
    for (unsigned format : {KX_FILETYPE_VRML, KX_FILETYPE_VRML2}) {
        SCOPED_TRACE(format);
        std::filesystem::copy_file(dir.file(write(format, "show.txt")), dir.file("check.wrl"),
                                   std::filesystem::copy_options::overwrite_existing);
        ToolRun r = runTool("tovrmlx3d check.wrl --encoding classic 2>&1 >/dev/null", dir.path().string());
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.output, "");
    }
    EXPECT_EQ(checkRib(dir.read(write(KX_FILETYPE_RENDERMAN, "show.txt"))), "");
    EXPECT_EQ(checkPolyray(dir.read(write(KX_FILETYPE_POLYRAY, "show.txt"))), "");
}

TEST_F(ExportReadersTest, FailedWritesKeepThePreviousFile) {
    richScene();
    std::ofstream(dir.file("kept.wrl")) << "the old world";
    std::ofstream(dir.file("kept.obj")) << "the old mesh";
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1000;
    auto previous = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int vrml = Write3Dfile(GetCurrentScene(), dir.file("kept.txt").c_str(), KX_FILETYPE_VRML);
    std::string vrmlMessage = ui.lastMessage();
    int obj = WriteOBJ(dir.file("kept.obj").c_str());
    std::string objMessage = ui.lastMessage();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, previous);
    EXPECT_EQ(vrml, 0);
    EXPECT_EQ(obj, 0);
    EXPECT_EQ(vrmlMessage.rfind("Unable to export", 0), 0u) << vrmlMessage;
    EXPECT_EQ(objMessage.rfind("Unable to export Wavefront OBJ", 0), 0u) << objMessage;
    EXPECT_EQ(dir.read("kept.wrl"), "the old world");
    EXPECT_EQ(dir.read("kept.obj"), "the old mesh");
}

// The list formats hold point sets only: a scene without one writes no file
// (an empty one would pass for a good export) and says what it left out.
TEST_F(ExportReadersTest, ListFormatsOfASceneWithoutPointsWriteNothing) {
    richScene();
    for (unsigned format : {5u, 26u, 27u, 28u, 29u}) {
        SCOPED_TRACE(format);
        const std::string name = std::string("list") + GetCadFileExtension(format);
        EXPECT_EQ(Write3Dfile(GetCurrentScene(), dir.file(name).c_str(), format), 0);
        EXPECT_EQ(ui.lastMessage().rfind("Nothing to export to " + dir.file(name), 0), 0u) << ui.lastMessage();
        EXPECT_NE(ui.lastMessage().find("(left out: "), std::string::npos) << ui.lastMessage();
        EXPECT_FALSE(std::filesystem::exists(dir.file(name)));
    }
}

TEST_F(ExportReadersTest, NumbersIgnoreACommaLocale) {
    CadObject* s = add(CreateDefaultSphere);
    s->size = Point3d{0.5f, 0.5f, 0.5f};
    s->translate = Point3d{0.25f, 0, 0};
    RebuildObjectEx(s, 0);
    add(CreateDefaultLight)->translate = Point3d{1.5f, 0, 0};
    CommaLocale comma;
    ASSERT_TRUE(comma.active()) << "the test build makes de_DE.UTF-8 under LOCPATH";
    for (unsigned format : {KX_FILETYPE_NFF, KX_FILETYPE_POLYRAY, KX_FILETYPE_DXF, KX_FILETYPE_RENDERMAN,
                            KX_FILETYPE_VRML, KX_FILETYPE_VRML2, KX_FILETYPE_WAVEFRONT}) {
        SCOPED_TRACE(format);
        std::string text = dir.read(write(format, "comma.txt"));
        EXPECT_FALSE(std::regex_search(text, std::regex("[0-9],[0-9]"))) << text.substr(0, 2000);
        EXPECT_TRUE(std::regex_search(text, std::regex("[0-9]\\.[0-9]")));
    }
}

}  // namespace
}  // namespace kxtest
