// The sample plug-ins shipped with the program, run through the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "program_fixture.h"
#include "kxplatform/process.h"

namespace {

namespace fs = std::filesystem;

class CliSamplesTest : public kxtest::ProgramTest {
protected:
    std::string read(const char* name) const {
        std::ifstream in(dir.path() / name);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static size_t count(const std::string& text, const std::string& word) {
        size_t n = 0;
        for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
        return n;
    }
};

TEST_F(CliSamplesTest, SamplesAreListed) {
    std::string output;
    ASSERT_EQ(kalvex({"--list-plugins"}, output).exitCode, 0) << output;
    for (const char* line : {"BUILD\tSpring\tspring\n", "SAVE\tSTL\tstlSave\n", "LOAD\tSTL\tstlLoad\n",
                             "RENDER\tFlat shaded\tflatRender\n"}) {
        SCOPED_TRACE(line);
        EXPECT_NE(output.find(line), std::string::npos) << output;
    }
}

TEST_F(CliSamplesTest, SpringIsBuiltSavedAsStlAndReadBack) {
    struct Row {
        std::vector<std::string> args;
        const char* file;
        const char* word;  // counted in the file; null: a binary STL of `times` triangles
        size_t times;
    };
    const Row rows[] = {
        // 8 turns of 24 steps with 8 sides: one quad node each.
        {{"--plugin", "Spring", "--set", "Turns=8", "spring.cad"}, "spring.cad", "Spring", 1},
        {{"--plugin", "spring", "--set", "Sides=4", "--set", "Steps=6", "spring.stl"}, "spring.stl", nullptr,
         5 * 6 * 4 * 2},
        // The STL file read by the program's own reader and written as a scene.
        {{"--export", "spring.stl", "back.cad"}, "back.cad", "spring", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        std::string output;
        EXPECT_EQ(kalvex(row.args, output).exitCode, 0) << output;
        const std::string text = read(row.file);
        if (row.word) {
            EXPECT_GE(count(text, row.word), row.times) << text.substr(0, 400);
        } else {
            // Written by the program's binary STL writer: 50 bytes a triangle.
            EXPECT_EQ(text.size(), 84u + row.times * 50u);
        }
    }
    // --type names a SAVE function by its export name, or the program's own
    // (binary) STL writer; an unknown name is a usage error.
    std::string typed;
    EXPECT_EQ(kalvex({"--export", "back.cad", "typed.out", "--type", "stlSave"}, typed).exitCode, 0) << typed;
    EXPECT_EQ(count(read("typed.out"), "facet normal"), 5u * 6u * 4u * 2u);
    EXPECT_EQ(kalvex({"--export", "back.cad", "own.out", "--type", "STL"}, typed).exitCode, 0) << typed;
    EXPECT_EQ(read("own.out").size(), 84u + 5u * 6u * 4u * 2u * 50u);
    EXPECT_EQ(kalvex({"--export", "back.cad", "other.out", "--type", "Nothing"}, typed).exitCode, 2);
    EXPECT_NE(typed.find("unknown file type Nothing"), std::string::npos) << typed;
    EXPECT_FALSE(fs::exists(dir.path() / "other.out"));
    if (kx::platform::findProgram("assimp").empty()) GTEST_SKIP() << "assimp is not installed";
    std::string info;
    ASSERT_EQ(run({"assimp", "info", (dir.path() / "spring.stl").string()}, info).exitCode, 0) << info;
    // "Faces:" and the count, however the columns are spaced.
    const size_t at = info.find("Faces:");
    ASSERT_NE(at, std::string::npos) << info;
    EXPECT_EQ(std::stoul(info.substr(at + 6)), 240u) << info;
}

TEST_F(CliSamplesTest, TheFlatRendererDrawsTheScene) {
    // Renderer 0 is the preview, 1 the shipped ray tracer, 2 the first plug-in's.
    fs::create_directories(dir.path() / ".config/Velmora");
    std::ofstream(dir.path() / ".config/Velmora/Kalvex.ini") << "[Render]\nType=2\nRenderX=64\nRenderY=48\n";
    std::string output;
    ASSERT_EQ(kalvex({"--plugin", "Spring", "spring.cad"}, output).exitCode, 0) << output;
    ASSERT_EQ(kalvex({"--render", "spring.cad"}, output).exitCode, 0) << output;
    const std::string image = (dir.path() / "spring.tga").string();
    EXPECT_NE(output.find("Image: " + image), std::string::npos) << output;
    const std::vector<uint32_t> pixels = kxtest::imagePixels(image, 64, 48);
    ASSERT_EQ(pixels.size(), 64u * 48u);
    size_t drawn = 0;
    for (uint32_t p : pixels) drawn += p != pixels.front();
    EXPECT_GT(drawn, 10u) << "the spring stands out from the background";
}

TEST_F(CliSamplesTest, ABrokenStlFileIsRefused) {
    std::ofstream(dir.path() / "broken.stl") << "solid x\n facet normal 0 0 1\n outer loop\n vertex 1 2\n";
    std::ofstream(dir.path() / "binary.stl") << "\x01\x02\x03 not ascii";
    for (const char* name : {"broken.stl", "binary.stl"}) {
        SCOPED_TRACE(name);
        std::string output;
        EXPECT_NE(kalvex({"--export", name, "out.cad"}, output).exitCode, 0) << output;
        EXPECT_FALSE(fs::exists(dir.path() / "out.cad"));
    }
}

// A value the property cannot hold is refused by name and kind before the
// plug-in runs, and nothing is written; a long text is not echoed whole.
TEST_F(CliSamplesTest, SpringPropertiesTakeOnlyValuesOfTheirKind) {
    const std::string longName(100000, 'N');
    struct Row {
        std::string set;
        const char* says;  // null: taken
    } rows[] = {
        {"Turns=many", "kalvex: Turns takes a whole number from -2147483648 to 2147483647, not many"},
        {"Turns=1e308", "Turns takes a whole number"},
        {"Turns=2.5", "Turns takes a whole number"},
        {"Radius=inf", "kalvex: Radius takes a finite number, not inf"},
        {"Radius=1e999", "Radius takes a finite number"},
        {longName + "=1", "(100000 characters)"},
        {"Radius=2", nullptr},
        {"Turns=3", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.set.substr(0, 20));
        fs::remove(dir.path() / "spring.cad");
        std::string output;
        EXPECT_EQ(kalvex({"--plugin", "Spring", "--set", row.set, "spring.cad"}, output).exitCode, row.says ? 1 : 0)
            << output.substr(0, 400);
        EXPECT_EQ(fs::exists(dir.path() / "spring.cad"), row.says == nullptr);
        if (row.says) {
            EXPECT_NE(output.find(row.says), std::string::npos) << output.substr(0, 400);
        }
        EXPECT_LT(output.size(), 2000u);
    }
}

}  // namespace
