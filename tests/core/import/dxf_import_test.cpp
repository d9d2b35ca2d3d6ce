// AutoCAD DXF import: entities, blocks, colours and the two format errors.
#include <cstring>

#include "import_fixture.h"

namespace kxtest {
namespace {

class DxfImportTest : public ImportTest {
protected:
    // One ENTITIES section holding the given entity text, ended properly.
    static std::string drawing(const std::string& entities) {
        return "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
    }
    static std::string face(const std::string& extra) {
        return "0\n3DFACE\n" + extra +
               "10\n0\n20\n0\n30\n0\n11\n1\n21\n0\n31\n0\n12\n0\n22\n1\n32\n0\n13\n0\n23\n1\n33\n0\n";
    }
};

TEST_F(DxfImportTest, FacesLinesAndPolylinesOfTheSample) {
    for (bool crlf : {false, true}) {
        SCOPED_TRACE(crlf ? "CR LF" : "LF");
        InitScene();
        const std::string text = sample("faces.dxf");
        ASSERT_EQ(ReadDXF(write("faces.dxf", crlf ? withCrLf(text) : text).c_str()), 1);
        ASSERT_EQ(objects().size(), 1u);
        CadObject* obj = objects()[0];
        EXPECT_STREQ(obj->name, "faces");  // named after the file
        EXPECT_EQ(obj->type, static_cast<uint32_t>(KX_POLYGON));
        // A quad: two triangles; a face whose fourth corner repeats the third:
        // one; the line; the polyface mesh's face of its three vertices (the
        // last given after the face): a triangle, not the segments between them.
        std::vector<unsigned> counts;
        for (ListEntry* e = obj->points; e; e = e->next) counts.push_back(e->count);
        EXPECT_EQ(counts, (std::vector<unsigned>{3, 3, 3, 2, 3}));
        EXPECT_EQ(obj->count, 5u);
        const std::vector<Triangle> t = triangles(obj);
        ASSERT_EQ(t.size(), 4u);
        EXPECT_TRUE(near(t[1][0], 1, 1, 0) && near(t[1][1], 0, 1, 0) && near(t[1][2], 0, 0, 0));
        EXPECT_TRUE(near(t[2][2], 1, 1, 2));
        EXPECT_TRUE(near(t[3][0], 3, 0, 0) && near(t[3][1], 3, 1, 0) && near(t[3][2], 4, 1, 0));
        EXPECT_STREQ(obj->material, "Yellow");  // colour 12
    }
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
}

// A polyface mesh as other programs write it: its vertices first, then its
// faces of three and four corners (a negative corner hides an edge only).
TEST_F(DxfImportTest, PolyfaceMeshesBecomeTheirFaces) {
    auto vertex = [](int flags, const std::string& xyz) {
        return "0\nVERTEX\n70\n" + std::to_string(flags) + "\n" + xyz;
    };
    auto at = [](int x, int y, int z) {
        return "10\n" + std::to_string(x) + "\n20\n" + std::to_string(y) + "\n30\n" + std::to_string(z) + "\n";
    };
    auto corners = [](std::initializer_list<int> k) {
        std::string out;
        int code = 71;
        for (int v : k) out += std::to_string(code++) + "\n" + std::to_string(v) + "\n";
        return out;
    };
    std::string mesh = "0\nPOLYLINE\n66\n1\n70\n64\n71\n4\n72\n2\n";
    mesh += vertex(192, at(0, 0, 0)) + vertex(192, at(1, 0, 0)) + vertex(192, at(1, 1, 0)) + vertex(192, at(0, 1, 0));
    mesh += vertex(128, corners({1, 2, -3, 4})) + vertex(128, corners({1, 2, 3})) + vertex(128, corners({1, 9, 3}));
    mesh += "0\nSEQEND\n";
    ASSERT_EQ(ReadDXF(write("pf.dxf", drawing(mesh)).c_str()), 1) << ui.lastMessage();
    ASSERT_EQ(objects().size(), 1u);
    const std::vector<Triangle> t = triangles(objects()[0]);
    ASSERT_EQ(t.size(), 3u) << "a quad, a triangle, and nothing of the face naming vertex 9";
    EXPECT_TRUE(near(t[1][2], 0, 1, 0));
    EXPECT_TRUE(near(t[2][1], 1, 0, 0) && near(t[2][2], 1, 1, 0));
    std::vector<unsigned> counts;
    for (ListEntry* e = objects()[0]->points; e; e = e->next) counts.push_back(e->count);
    EXPECT_EQ(counts, (std::vector<unsigned>{3, 3, 3})) << "no segments between the vertices";
}

TEST_F(DxfImportTest, BlocksBecomeObjects) {
    ASSERT_EQ(ReadDXF(write("blocks.dxf", sample("blocks.dxf")).c_str()), 1);
    ASSERT_EQ(objects().size(), 2u);
    CadObject* red = named("redpart");
    CadObject* plain = named("plain");
    ASSERT_TRUE(red && plain);
    EXPECT_EQ(red->count, 1u);
    EXPECT_STREQ(red->material, "Red");
    // The geometry after the last block, entities included, stays with it.
    EXPECT_EQ(plain->count, 2u);
    EXPECT_STREQ(plain->material, "White");
    EXPECT_EQ(plain->rgb, 0xFFFFFFu);
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
}

TEST_F(DxfImportTest, ColourNumbers) {
    struct Case {
        const char* code;
        const char* name;
    } cases[] = {
        {"", "White"},       {"62\n1\n", "Red"},     {"62\n12\n", "Yellow"}, {"62\n-3\n", "Green"},
        {"62\n-10\n", "Black"}, {"62\n0\n", "Black"}, {"62\n5\n", "Blue"},    {"62\n256\n", "Magenta"},
        {"62\n-9223372036854775808\n", "White"},  // the most negative number: 8 modulo 10, no overflow
        {"62\n4\n", "Cyan"}, {"62\n8\n", "White"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        InitScene();
        ASSERT_EQ(ReadDXF(write("c.dxf", drawing(face(c.code))).c_str()), 1);
        ASSERT_EQ(objects().size(), 1u);
        EXPECT_STREQ(objects()[0]->material, c.name);
        EXPECT_EQ(objects()[0]->materialType, 1u);
    }
}

TEST_F(DxfImportTest, FormatErrorsStopTheDrawing) {
    struct Case {
        const char* name;
        std::string text;
        int result;
        const char* message;  // null: none
    } cases[] = {
        {"bad code", drawing(face("") + "x\n1\n"), 0, "Error: Invalid Group Code 0"},
        {"code out of range", drawing(face("") + "99999\n1\n"), 0, "Error: Invalid Group Code 99999"},
        {"y missing", drawing("0\n3DFACE\n10\n1\n30\n0\n"), 0, "Error: Invalid Y Coord Code"},
        {"y alone", drawing("0\n3DFACE\n20\n1\n"), 0, "Error: Invalid Y Coord Code"},
        {"binary", std::string("AutoCAD Binary DXF\r\n\x1a\0\0\0", 24), 0,
         "Error: Invalid Group Code 0 (this is a binary DXF file, which is not read: save the drawing as a text DXF "
         "file)"},
        {"empty", "", 1, nullptr},
        {"no EOF", "0\nSECTION\n2\nENTITIES\n" + face(""), 1, nullptr},
        {"other sections", "0\nSECTION\n2\nHEADER\n" + face("") + "0\nENDSEC\n0\nEOF\n", 1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitScene();
        ui.clear();
        EXPECT_EQ(ReadDXF(write("e.dxf", c.text).c_str()), c.result);
        if (c.message) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.lastMessage(), c.message);
        } else {
            EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
        }
    }
    // What an error stops does not become an object.
    InitScene();
    EXPECT_EQ(ReadDXF(write("e.dxf", "0\nSECTION\n2\nENTITIES\n" + face("") + "0\nBLOCK\n2\nb\n" + face("") +
                                         "x\n").c_str()),
              0);
    ASSERT_EQ(objects().size(), 1u);
    EXPECT_STREQ(objects()[0]->name, "e");
}

TEST_F(DxfImportTest, DispatchedByExtension) {
    write("d.dxf", drawing(face("")));
    EXPECT_EQ(Read3Dfile(GetCurrentScene(), dir.file("d.dxf").c_str(), 0), 1);
    EXPECT_EQ(objects().size(), 1u);
    EXPECT_EQ(Read3Dfile(GetCurrentScene(), dir.file("none.dxf").c_str(), 0), 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to import AutoCAD DXF file " + dir.file("none.dxf") + "\n", 0), 0u);
}

// Damage is reported at the offset of the line after the bad value, also when
// a long comment before it made the file be read in several pieces.
TEST_F(DxfImportTest, DamageOffsetsCountFromTheFileStart) {
    const std::string head = "0\nSECTION\n2\nENTITIES\n";
    const std::string comment = "999\n" + std::string(1536 * 1024, 'c') + "\r\n";
    struct Case {
        const char* name;
        std::string text;
    } cases[] = {
        {"bad x", head + "0\n3DFACE\n10\nabc\n20\n1\n"},
        {"bad y", head + "0\n3DFACE\n10\n1\n20\n1,5\n30\n0\n"},
        {"bad x after a long comment", head + comment + "0\n3DFACE\n10\nabc\n20\n1\n"},
        {"value missing after a long comment", head + comment + "0\n3DFACE\n10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.clear();
        InitScene();
        EXPECT_EQ(ReadDXF(write("damaged.dxf", c.text).c_str()), 0);
        // The offset is where the line after the damage starts.
        size_t offset = c.text.size();
        for (const char* bad : {"abc\n", "1,5\n"})
            if (size_t at = c.text.find(bad); at != std::string::npos) offset = at + std::strlen(bad);
        EXPECT_EQ(ui.lastMessage(), "Error reading AutoCAD DXF file: damaged data at offset " + std::to_string(offset));
    }
}

}  // namespace
}  // namespace kxtest
