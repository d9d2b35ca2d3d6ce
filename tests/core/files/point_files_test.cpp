// Point and facet files, and the point and facet writers of the exporters.
#include <fstream>
#include <string>

#include "comma_locale.h"
#include "core_fixture.h"

namespace kxtest {
namespace {

class PointFilesTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
    }
    void writeFile(const std::string& name, const std::string& content) {
        std::ofstream(dir.file(name), std::ios::binary) << content;
    }
    // The facets of obj in a format, as the file holds them.
    std::string facets(CadObject* obj, unsigned format, int* result = nullptr, unsigned* count = nullptr) {
        StandardFile* f = StdOpenFile(dir.file("out.txt").c_str(), KX_OPEN_CREATE);
        f->type = format;
        int r = WriteFacetsEx(obj, f);
        if (result) *result = r;
        if (count) *count = f->facetCount;
        StdCloseFile(f);
        return dir.read("out.txt");
    }
    std::string points(CadObject* obj, int format) {
        StandardFile* f = StdOpenFile(dir.file("out.txt").c_str(), KX_OPEN_CREATE);
        WritePointsAs(obj, f, format);
        StdCloseFile(f);
        return dir.read("out.txt");
    }
    CadObject* triangle(const char* name, bool normals = false) {
        Point3d tri[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        Point3d up[3] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
        return AddObject(name, AddEntryEx(3, nullptr, tri, normals ? up : nullptr), 1, KX_POLYGON);
    }
};

TEST_F(PointFilesTest, PointFileRunsBecomeNamedObjects) {
    writeFile("shapes.PTS", "1 2 3\n\nfirst\r\n1 2 3\r\n4,5\r\nsecond one\n\t7\t8\t9\n");
    ASSERT_EQ(ReadPTS(dir.file("shapes").c_str()), 1);
    ASSERT_EQ(GetCadObjectsCount(), 3u);
    CadObject* lead = GetCadObjectByName("shapes");  // points before any name line
    ASSERT_NE(lead, nullptr);
    EXPECT_EQ(lead->count, 1u);
    CadObject* first = GetCadObjectByName("first");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->type, static_cast<uint32_t>(KX_POINTS));
    ASSERT_EQ(first->count, 2u);
    // A number missing on the line keeps the previous point's coordinate.
    const Point3d p = first->points->next->points[0];
    EXPECT_EQ(p.x, 4.0f);
    EXPECT_EQ(p.y, 5.0f);
    EXPECT_EQ(p.z, 3.0f);
    CadObject* second = GetCadObjectByName("second one");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->count, 1u);
    EXPECT_EQ(second->points->points[0].z, 9.0f);
}

TEST_F(PointFilesTest, AnEmptyPointFileGivesAnEmptyObject) {
    writeFile("none.pts", "");
    ASSERT_EQ(ReadPTS(dir.file("none.pts").c_str()), 1);
    CadObject* obj = GetCadObjectByName("none");
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->points, nullptr);
    EXPECT_EQ(obj->count, 0u);
    EXPECT_EQ(ReadPTS(dir.file("missing").c_str()), 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to open/load Points file " + dir.file("missing.PTS") + "\n", 0), 0u);
}

TEST_F(PointFilesTest, FacetFilesGiveOnePolygonObject) {
    std::string seven;
    for (int v = 0; v < 7; ++v) seven += "vertex " + std::to_string(v) + " " + std::to_string(v * 2) + ",0\n";
    writeFile("mesh.PGN", seven);
    ASSERT_EQ(ReadFacets(dir.file("mesh").c_str()), 1);
    CadObject* obj = GetCadObjectByName("mesh");
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->type, static_cast<uint32_t>(KX_POLYGON));
    ASSERT_EQ(obj->count, 2u);  // the seventh vertex is dropped
    EXPECT_EQ(obj->points->next->points[2].x, 5.0f);
    EXPECT_EQ(obj->points->next->points[2].y, 10.0f);
    EXPECT_EQ(ReadFacets(dir.file("missing.raw").c_str()), 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to open/load Facets file ", 0), 0u);
}

TEST_F(PointFilesTest, PointAndFacetFilesRoundTrip) {
    Point3d pts[3] = {{1.5f, -2, 3}, {0, 0, 0}, {1e6f, 0.25f, -7}};
    ListEntry* list = AddEntry(1, nullptr, &pts[0]);
    AddEntry(1, AddEntry(1, list, &pts[1]), &pts[2]);
    CadObject* dots = AddObject("dots", list, 3, KX_POINTS);
    for (int comma = 0; comma < 2; ++comma) {
        SCOPED_TRACE(comma);
        SetExportComma(comma);
        writeFile("dots.pts", points(dots, 5));
        ASSERT_EQ(ReadPTS(dir.file("dots.pts").c_str()), 1);
        CadObject* back = GetLastCadObject();
        ASSERT_NE(back, dots);
        ASSERT_EQ(back->count, 3u);
        const ListEntry* n = back->points;
        for (const Point3d& p : pts) {
            EXPECT_EQ(n->points[0].x, p.x);
            EXPECT_EQ(n->points[0].y, p.y);
            EXPECT_EQ(n->points[0].z, p.z);
            n = n->next;
        }
        DeleteCadObject(back);
    }

    Point3d a[3] = {{0, 0, 0}, {1.25f, 0, 0}, {0, 2.5f, -1}};
    Point3d b[3] = {{3, 3, 3}, {4, 3, 3}, {3, 4.0625f, 3}};
    ListEntry* tris = AddEntry(3, nullptr, a);
    AddEntry(3, tris, b);
    CadObject* mesh = AddObject("mesh", tris, 2, KX_POLYGON);
    for (int comma = 0; comma < 2; ++comma) {
        SCOPED_TRACE(comma);
        SetExportComma(comma);
        ASSERT_EQ(WriteFacetFile(mesh, dir.file("copy.obj").c_str(), 18), 1);
        ASSERT_EQ(ReadFacets(dir.file("copy.RAW").c_str()), 1);
        CadObject* back = GetLastCadObject();
        ASSERT_STREQ(back->name, "copy");
        ASSERT_EQ(back->count, 2u);
        const ListEntry* n = back->points;
        for (const Point3d* tri : {a, b}) {
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(n->points[k].x, tri[k].x);
                EXPECT_EQ(n->points[k].y, tri[k].y);
                EXPECT_EQ(n->points[k].z, tri[k].z);
            }
            n = n->next;
        }
        DeleteCadObject(back);
    }
}

TEST_F(PointFilesTest, FacetSyntaxOfEachFormat) {
    CadObject* tri = triangle("t");
    struct Case {
        unsigned format;
        int comma;
        const char* text;
    } cases[] = {
        {10, 0, "triangle { <  0.0000,  0.0000,  0.0000 > <  1.0000,  0.0000,  0.0000 > "
                "<  0.0000,  1.0000,  0.0000 > }\r\n"},
        {12, 0, "triangle { <  0.0000  0.0000  0.0000 > <  1.0000  0.0000  0.0000 > <  0.0000  1.0000  0.0000 > }\r\n"},
        {14, 0, "p 3\r\n 0.0000  0.0000  0.0000\r\n 1.0000  0.0000  0.0000\r\n 0.0000  1.0000  0.0000\r\n\r\n"},
        {15, 0, "polygon { points 3 vertex 0, 0, 0 \r\nvertex 1, 0, 0 \r\nvertex 0, 1, 0 \r\n}\r\n\r\n"},
        {16, 0, "triangle 0, 0, 0 1, 0, 0 0, 1, 0 \r\n"},
        {18, 0, " 0.0000  0.0000  0.0000   1.0000  0.0000  0.0000   0.0000  1.0000  0.0000  \r\n"},
        {18, 1, " 0.0000,  0.0000,  0.0000\r\n 1.0000,  0.0000,  0.0000\r\n 0.0000,  1.0000,  0.0000\r\n"},
        {19, 0, "object { polygon 3,< 0, 0, 0 > , < 1, 0, 0 > , < 0, 1, 0 > }\r\n"},
        {22, 0, "  0\r\n3DFACE\r\n8\r\n0\r\n62\r\n7\r\n10\r\n0.0000\r\n20\r\n0.0000\r\n30\r\n0.0000\r\n"
                "11\r\n1.0000\r\n21\r\n0.0000\r\n31\r\n0.0000\r\n12\r\n0.0000\r\n22\r\n1.0000\r\n32\r\n0.0000\r\n"
                "13\r\n0.0000\r\n23\r\n1.0000\r\n33\r\n0.0000\r\n "},
        {23, 0, "Polygon \"P\" [ 0.00000 0.00000 0.00000 1.00000 0.00000 0.00000 0.00000 1.00000 0.00000 ]\r\n"},
        {24, 0, "    0.00000 0.00000 0.00000,\r\n    1.00000 0.00000 0.00000,\r\n    0.00000 1.00000 0.00000,\r\n"},
        {38, 0, "    0.00000 0.00000 0.00000,\r\n    1.00000 0.00000 0.00000,\r\n    0.00000 1.00000 0.00000,\r\n"},
        {34, 0, "v 0.00000 0.00000 0.00000\r\nv 1.00000 0.00000 0.00000\r\nv 0.00000 1.00000 0.00000\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        SetExportComma(c.comma);
        int result = 0;
        unsigned count = 0;
        EXPECT_EQ(facets(tri, c.format, &result, &count), c.text);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(count, 1u);
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PointFilesTest, FormatsWithoutFacetSyntax) {
    CadObject* tri = triangle("t");
    for (unsigned format : {13u, 17u, 20u, 21u}) {
        SCOPED_TRACE(format);
        int result = 1;
        EXPECT_EQ(facets(tri, format, &result), "");
        EXPECT_EQ(result, 0);
    }
    EXPECT_TRUE(ui.messages.empty());
    int result = 1;
    EXPECT_EQ(facets(tri, 5, &result), "");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ui.lastMessage(), "Unknown polygon type: 5");
}

TEST_F(PointFilesTest, SmoothFacetsCarryNormalsAndMapping) {
    CadObject* tri = triangle("t", true);
    AllocCadObjectUV(tri, 3);
    tri->uv[1] = Point3d{0.5f, 0.25f, 0};
    EXPECT_EQ(facets(tri, 10),
              "smooth_triangle { <  0.0000,  0.0000,  0.0000 > <  0.0000,  0.0000,  1.0000 > "
              "<  1.0000,  0.0000,  0.0000 > <  0.0000,  0.0000,  1.0000 > "
              "<  0.0000,  1.0000,  0.0000 > <  0.0000,  0.0000,  1.0000 > }\r\n");
    EXPECT_EQ(facets(tri, 19),
              "object { patch < 0, 0, 0 > , < 0, 0, 1 > uv 0, 0, < 1, 0, 0 > , < 0, 0, 1 > uv 0.5, 0.25, "
              "< 0, 1, 0 > , < 0, 0, 1 > uv 0, 0}\r\n");
    // Formats and switches without normals.
    EXPECT_EQ(facets(tri, 12).find("0.0000  0.0000  1.0000"), std::string::npos);
    EXPECT_EQ(facets(tri, 34).rfind("v 0.00000 0.00000 0.00000\r\nv 1.00000", 0), 0u);
    SetCoreParamInt(0, 1);
    EXPECT_EQ(facets(tri, 10).rfind("triangle { ", 0), 0u);
    SetCoreParamInt(0, 0);
    SetCoreParamInt(1, 1);
    EXPECT_EQ(facets(tri, 19).find("uv"), std::string::npos);
}

TEST_F(PointFilesTest, MappingEntriesFollowTheirFacetsAndNeverOverrun) {
    // Three facets but mapping for one; the first facet is degenerate and skipped.
    Point3d flat[3] = {{0, 0, 0}, {0, 0, 0}, {1, 1, 1}};
    Point3d tri[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    Point3d quad[4] = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
    Point3d up[4] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    ListEntry* list = AddEntryEx(3, nullptr, flat, up);
    AddEntryEx(4, AddEntryEx(3, list, tri, up), quad, up);
    CadObject* obj = AddObject("m", list, 3, KX_POLYGON);
    AllocCadObjectUV(obj, 6);
    for (unsigned i = 0; i < 6; ++i) obj->uv[i] = Point3d{static_cast<float>(i), 0, 0};
    unsigned count = 0;
    const std::string text = facets(obj, 19, nullptr, &count);
    EXPECT_EQ(count, 3u);  // the quad is two triangles
    // The second node uses entries 3 to 5 wherever the first went.
    EXPECT_NE(text.find("uv 3, 0, < 1, 0, 0 > , < 0, 0, 1 > uv 4, 0,"), std::string::npos) << text;
    // The quad is beyond the mapping: zeros, also for its fourth corner.
    EXPECT_NE(text.find("< 2, 0, 0 > , < 0, 0, 1 > uv 0, 0, < 2, 2, 0 >"), std::string::npos) << text;
    // Its second triangle fans from the first corner: corners 0, 2 and 3.
    EXPECT_NE(text.find("+object { patch < 0, 0, 0 > , < 0, 0, 1 > uv 0, 0, < 2, 2, 0 > , < 0, 0, 1 > uv 0, 0, "
                        "< 0, 2, 0 >"),
              std::string::npos)
        << text;
    // Facets of a triangle array: one per record, as many as are allocated.
    obj->polygons = CopyListToPolygons(obj->points, 3);
    obj->polygonCount = 2;
    obj->count = 3;
    EXPECT_EQ(facets(obj, 24, nullptr, &count).size(), 3 * 30u);
    EXPECT_EQ(count, 1u);  // the degenerate record is skipped
}

TEST_F(PointFilesTest, FacetTooLongForItsLineIsLeftOut) {
    Point3d huge[3] = {{3e38f, 3e38f, 3e38f}, {-3e38f, 3e38f, 3e38f}, {3e38f, -3e38f, -3e38f}};
    Point3d tri[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    ListEntry* list = AddEntryEx(3, nullptr, huge, huge);
    AddEntryEx(3, list, tri, huge);
    CadObject* obj = AddObject("big", list, 2, KX_POLYGON);
    int result = 0;
    unsigned count = 0;
    const std::string text = facets(obj, 22, &result, &count);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(ui.lastMessage(), "Error string too long");
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(text.find("11\r\n1.0000\r\n"), std::string::npos);
    EXPECT_LT(text.size(), 1024u);
}

TEST_F(PointFilesTest, WhatIsNotWrittenAsFacets) {
    int result = 1;
    Point3d seg[2] = {{0, 0, 0}, {1, 1, 1}};
    CadObject* lines = AddObject("l", AddEntry(2, nullptr, seg), 1, KX_LINESEG);
    EXPECT_EQ(facets(lines, 10, &result), "");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ui.lastMessage(), "Error, Attempt to Save Points as Facets");
    CadObject* empty = NewCadObject("e");
    EXPECT_EQ(facets(empty, 10, &result), "");
    EXPECT_EQ(result, 0);
    // Only selected objects when the switch says so.
    CadObject* tri = triangle("t");
    SetObjectsUnSelected();
    SetExportSelected(1);
    EXPECT_EQ(facets(tri, 10, &result), "");
    EXPECT_EQ(result, 1);
    AddSelectedObject(tri);
    EXPECT_NE(facets(tri, 10), "");
}

TEST_F(PointFilesTest, PolyrayFacetsAfterTheFirstOfAnObjectAreJoined) {
    // Each mesh is its own object block: its first facet starts it without "+".
    CadObject* a = triangle("a");
    CadObject* b = triangle("b");
    Point3d quad[4] = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
    AddEntry(4, b->points, quad);
    b->count = 2;
    StandardFile* f = StdOpenFile(dir.file("p.pi").c_str(), KX_OPEN_CREATE);
    f->type = KX_FILETYPE_POLYRAY;
    WriteFacetsEx(a, f);
    WriteFacetsEx(b, f);
    StdCloseFile(f);
    const std::string text = dir.read("p.pi");
    EXPECT_EQ(text.rfind("object { polygon 3,", 0), 0u);
    EXPECT_EQ(text.find("}\r\n+object { polygon 3,< 0, 0, 0 > , < 1, 0, 0 >"), std::string::npos) << text;
    EXPECT_NE(text.find("}\r\nobject { polygon 3,< 0, 0, 0 > , < 1, 0, 0 >"), std::string::npos) << text;
    EXPECT_NE(text.find("}\r\n+object { polygon 3,< 0, 0, 0 > , < 2, 0, 0 >"), std::string::npos) << text;
}

TEST_F(PointFilesTest, PointLinesOfEachFormat) {
    struct Case {
        int format;
        int comma;
        const char* text;
        int result;
    } cases[] = {
        {5, 0, "1.5 -2 3\r\n", 1},
        {5, 1, "1.5,-2,3\r\n", 1},
        {7, 0, "1.5,-2,3\r\n", 1},
        {8, 0, "\"SPH .5 0.0 0.0 0.0 1.5 -2 3 1 1 1\"\r\n", 1},
        {9, 0, "Point 1.5 -2 3\r\n", 1},
        {10, 0, "sphere { <1.5, -2, 3> 2.0 pigment {color RichBlue } }\r\n", 1},
        {11, 0, "sphere { <1.5, -2, 3> 2.0 pigment {color RichBlue } }\r\n", 1},
        {20, 0,
         "    SPHERE ( loc      = (1.5, -2, 3),\r\n             radius   = 2,\r\n"
         "             diff     = (.3, .3, .8),\r\n             amb      = (.32, .32, .32),\r\n"
         "             reflect  = .60\r\n             sreflect = 20\r\n             pattern = CHECK_BLUE,\r\n"
         "             xmult   = 1.0,\r\n             ymult   = 1.0\r\n           )\r\n",
         1},
        {22, 0, "", 0},
        {6, 0, "", 1},
        {4, 0, "", 1},
        {23, 0, "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        SetExportComma(c.comma);
        StandardFile* f = StdOpenFile(dir.file("pt.txt").c_str(), KX_OPEN_CREATE);
        EXPECT_EQ(WritePointsEx(f, c.format, 1.5, -2, 3), c.result);
        StdCloseFile(f);
        EXPECT_EQ(dir.read("pt.txt"), c.text);
    }
}

TEST_F(PointFilesTest, PointObjectsAsPointLines) {
    Point3d seg[2] = {{1, 2, 3}, {4, 5, 6}};
    CadObject* lines = AddObject("l", AddEntry(2, nullptr, seg), 1, KX_LINESEG);
    EXPECT_EQ(points(lines, 9), "Point 1 2 3\r\nPoint 4 5 6\r\n");
    CadObject* empty = NewCadObject("e");
    StandardFile* f = StdOpenFile(dir.file("x.txt").c_str(), KX_OPEN_CREATE);
    EXPECT_EQ(WritePointsAs(empty, f, KX_FILETYPE_3D), 0);
    EXPECT_EQ(ui.lastMessage(), "Error unable to save zero points");
    SetExportSelected(1);
    SetObjectsUnSelected();
    EXPECT_EQ(WritePointsAs(lines, f, KX_FILETYPE_3D), 1);
    StdCloseFile(f);
    EXPECT_EQ(dir.read("x.txt"), "");
    // DXF: one polyline of every point, the first too (readers skip the header's point).
    SetExportSelected(0);
    f = StdOpenFile(dir.file("y.dxf").c_str(), KX_OPEN_CREATE);
    EXPECT_EQ(WritePointsAs(lines, f, KX_FILETYPE_DXF), 1);
    StdCloseFile(f);
    EXPECT_EQ(dir.read("y.dxf"),
              "0\r\nPOLYLINE\r\n8\r\nSURFACE\r\n62\r\n7\r\n66\r\n1\r\n10\r\n1\r\n20\r\n2\r\n30\r\n3\r\n70\r\n8\r\n"
              "0\r\nVERTEX\r\n8\r\nSURFACE\r\n10\r\n1\r\n20\r\n2\r\n30\r\n3\r\n"
              "0\r\nVERTEX\r\n8\r\nSURFACE\r\n10\r\n4\r\n20\r\n5\r\n30\r\n6\r\n0\r\nSEQEND\r\n");
}

// A triangle array made by the core's own allocators and attached by a caller
// (a plug-in or a program) without the bookkeeping count is used whole by
// every road: writing, copying, moving, bounds.
TEST_F(PointFilesTest, ACallersTriangleArrayIsUsedWhole) {
    CadObject* tri = triangle("t");
    Point3d second[3] = {{0, 0, 2}, {1, 0, 2}, {0, 1, 2}};
    AddEntryEx(3, tri->points, second, nullptr);
    tri->count = 2;
    tri->polygons = CopyListToPolygons(tri->points, 2);
    ASSERT_EQ(tri->polygonCount, 0u);
    unsigned written = 0;
    int result = 0;
    EXPECT_EQ(facets(tri, 16, &result, &written),
              "triangle 0, 0, 0 1, 0, 0 0, 1, 0 \r\ntriangle 0, 0, 2 1, 0, 2 0, 1, 2 \r\n");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(written, 2u);

    CadObject* copy = AddObject("c", nullptr, 0, KX_POLYGON);
    ASSERT_EQ(CopyCadObject(tri, copy), 1);
    ASSERT_NE(copy->polygons, nullptr);
    EXPECT_EQ(copy->polygonCount, 2u);
    EXPECT_EQ(copy->polygons[1].vertex[0].z, 2.0f);

    SetObjectsUnSelected();
    AddSelectedObject(tri);
    Point3d by{0, 0, 1};
    TranslateObjectsEx(&by);
    EXPECT_EQ(tri->polygons[1].vertex[0].z, 3.0f);  // the array is what moves
}

TEST_F(PointFilesTest, FacetFileNames) {
    CadObject* tri = triangle("t");
    std::filesystem::create_directory(dir.file("my.models"));
    ASSERT_EQ(WriteFacetFile(tri, dir.file("my.models/scene.cad").c_str(), KX_FILETYPE_RAYSHADE), 1);
    EXPECT_EQ(dir.read("my.models/scene.RAW"), "triangle 0, 0, 0 1, 0, 0 0, 1, 0 \r\n");
    EXPECT_EQ(WriteFacetFile(tri, dir.file("none/x").c_str(), KX_FILETYPE_RAYSHADE), 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to open/load Facets file " + dir.file("none/x") + "\n", 0), 0u);
}

TEST_F(PointFilesTest, NumbersIgnoreACommaLocale) {
    CommaLocale comma;
    ASSERT_TRUE(comma.active());
    CadObject* tri = triangle("t");
    tri->points->points[1].x = 1.5f;
    ASSERT_EQ(WriteFacetFile(tri, dir.file("c").c_str(), 18), 1);
    EXPECT_EQ(dir.read("c.RAW").substr(0, 24), " 0.0000  0.0000  0.0000 ");
    ASSERT_EQ(ReadFacets(dir.file("c.RAW").c_str()), 1);
    EXPECT_EQ(GetLastCadObject()->points->points[1].x, 1.5f);
}

}  // namespace
}  // namespace kxtest
