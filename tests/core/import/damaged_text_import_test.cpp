// The text importers against damaged input: every truncation of the samples,
// NUL bytes, very long lines and counts far beyond the data.
#include "import_fixture.h"

namespace kxtest {
namespace {

struct Format {
    const char* sample;
    const char* extension;
    int (*read)(const char*) noexcept;
};
constexpr Format kFormats[] = {
    {"scene.nff", ".nff", ReadNFF},
    {"quads.obj", ".obj", ReadOBJ},
    {"faces.dxf", ".dxf", ReadDXF},
    {"blocks.dxf", ".dxf", ReadDXF},
};

class DamagedTextImportTest : public ImportTest {};

TEST_F(DamagedTextImportTest, EveryTruncationOfTheSamples) {
    for (const Format& f : kFormats) {
        const std::string whole = sample(f.sample);
        ASSERT_FALSE(whole.empty()) << f.sample;
        for (size_t n = 0; n <= whole.size(); ++n) {
            SCOPED_TRACE(std::string(f.sample) + " cut at " + std::to_string(n));
            InitScene();
            ui.clear();
            const int result = f.read(write(std::string("cut") + f.extension, whole.substr(0, n)).c_str());
            // Either read, or one report of what stopped it.
            if (result == 1) EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
            else EXPECT_EQ(ui.messages.size(), 1u);
            for (CadObject* o : objects()) EXPECT_EQ(o->count, nodes(o));
            ClearScene(GetCurrentScene());
        }
    }
}

TEST_F(DamagedTextImportTest, HostileInputs) {
    const std::string megabyteLine(1 << 20, 'x');
    const std::string nuls("v 1 2 3\0\0\0\nf 1 1 1\n\0", 20);
    const std::string damagedNff = "Error reading Neutral File Format file: damaged data at offset ";
    struct Case {
        const char* name;
        int (*read)(const char*) noexcept;
        const char* extension;
        std::string text;
        int result;
        std::vector<std::string> messages;
    } cases[] = {
        {"NFF huge count", ReadNFF, ".nff", "p 2000000000\n1 2 3\n", 0, {damagedNff + "19"}},
        {"NFF negative count", ReadNFF, ".nff", "p -3\n", 0, {damagedNff + "2"}},
        {"NFF count not a number", ReadNFF, ".nff", "p x\n", 0, {damagedNff + "2"}},
        {"NFF long line", ReadNFF, ".nff", "# " + megabyteLine + "\nl 1 2 3\n" + megabyteLine, 1, {}},
        {"NFF open comment", ReadNFF, ".nff", "/* never closed l 1 2 3", 1, {}},
        {"NFF NULs", ReadNFF, ".nff", std::string("l 1\0 2 3\n", 9), 0, {damagedNff + "2"}},
        {"OBJ index 2^40", ReadOBJ, ".obj", "v 0 0 0\nf 1 1 1099511627776\n", 1, {}},
        {"OBJ NULs", ReadOBJ, ".obj", nuls, 1, {}},
        {"OBJ long face", ReadOBJ, ".obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf" + [] {
             std::string corners;
             for (int i = 0; i < 10000; ++i) corners += " 1 2 3";
             return corners;
         }() + "\n", 1, {}},
        {"OBJ long line", ReadOBJ, ".obj", "g " + megabyteLine + "\n" + megabyteLine, 1, {}},
        {"DXF long line", ReadDXF, ".dxf", "999\n" + megabyteLine + "\n0\nEOF\n", 1, {}},
        {"DXF NULs", ReadDXF, ".dxf", std::string("0\nSEC\0TION\n", 11), 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitScene();
        ui.clear();
        EXPECT_EQ(c.read(write(std::string("h") + c.extension, c.text).c_str()), c.result);
        EXPECT_EQ(ui.texts(), c.messages);
    }
}

TEST_F(DamagedTextImportTest, ImportersAreDispatchedByTheirRows) {
    struct Case {
        const char* file;
        unsigned id;
        const char* label;
    } cases[] = {
        {"a.nff", 14, "Neutral File Format"},
        {"a.dxf", 22, "AutoCAD DXF"},
        {"a.3ds", 25, "3D-Studio"},
        {"a.obj", 34, "Wavefront OBJ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ui.clear();
        EXPECT_EQ(Read3Dfile(GetCurrentScene(), dir.file(c.file).c_str(), c.id), 0);
        EXPECT_EQ(ui.lastMessage().rfind(std::string("Unable to import ") + c.label + " file ", 0), 0u);
        ui.clear();
        EXPECT_EQ(Read3Dfile(GetCurrentScene(), dir.file(c.file).c_str(), 0), 0);
        EXPECT_EQ(ui.lastMessage().rfind(std::string("Unable to import ") + c.label + " file ", 0), 0u);
    }
    EXPECT_EQ(Write3DS("x.3ds"), 0);
    EXPECT_EQ(WriteNFF("x.nff"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.3ds")) || std::filesystem::exists(dir.file("x.nff")));
}

}  // namespace
}  // namespace kxtest
