#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/option_table.h"
#include "cli/png_file.h"
#include "png_picture.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using kx::app::CommandOption;

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An option the table lists is one the parser takes, and one it does not
// list is refused by name.
TEST(OptionTableTest, TheParserTakesEveryOptionOfTheTableAndNoOther) {
    for (const CommandOption& o : kx::app::commandOptions()) {
        for (const char* name : {o.name, o.shortName}) {
            if (!name) continue;
            SCOPED_TRACE(name);
            std::vector<std::string> args = {name};
            if (o.value) args.emplace_back("1");
            const kx::app::CommandLine cl = kx::app::parseCommandLine(args);
            EXPECT_EQ(cl.error.rfind("unknown option", 0), std::string::npos) << cl.error;
        }
    }
    EXPECT_EQ(kx::app::parseCommandLine({"--thumbnails"}).error, "unknown option --thumbnails");
    EXPECT_EQ(kx::app::findCommandOption("-h"), kx::app::findCommandOption("--help"));
}

// --help, the manual page and the three completions are all written from
// the table: each names every option (the manual in roff's own spelling).
TEST(OptionTableTest, HelpManualAndCompletionsNameEveryOption) {
    const fs::path docs = KALVEX_DOCS_DIR;
    const std::string help = kx::app::helpText(kx::app::writableTypeList(true));
    const std::string manual = readText(docs / "kalvex.1");
    const std::string bash = readText(docs / "kalvex.bash");
    const std::string zsh = readText(docs / "_kalvex");
    const std::string fish = readText(docs / "kalvex.fish");
    ASSERT_FALSE(manual.empty());
    ASSERT_FALSE(bash.empty());
    auto roffBold = [](const std::string& option) {
        std::string text = "\\fB";
        for (char c : option) text += c == '-' ? std::string("\\-") : std::string(1, c);
        return text + "\\fR";
    };
    for (const CommandOption& o : kx::app::commandOptions()) {
        SCOPED_TRACE(o.name);
        const std::string name = o.name;
        const std::string shortName = o.shortName ? o.shortName : "";
        const std::string both = shortName.empty() ? name : shortName + ", " + name;
        const std::string roffBoth = shortName.empty() ? roffBold(name) : roffBold(shortName) + ", " + roffBold(name);
        EXPECT_NE(help.find("\n  " + both), std::string::npos);
        EXPECT_NE(manual.find(".TP\n" + roffBoth), std::string::npos);
        EXPECT_TRUE(bash.find(" " + name + " ") != std::string::npos || bash.find("\"" + name + " ") != std::string::npos);
        EXPECT_NE(zsh.find(shortName.empty() ? name + "[" : "{" + shortName + "," + name + "}'["), std::string::npos);
        EXPECT_NE(fish.find(" -l " + name.substr(2) + " "), std::string::npos);
        if (o.value) {
            EXPECT_NE(help.find(name + " " + o.value), std::string::npos);
        }
    }
    // Every type --type takes by name is listed in --help, with its number.
    const std::string types = help.substr(help.find("\nExport types"));
    for (const char* listed : {"Povray3 (11)", "RenderMan (23, also RIB)", "Wavefront (34)", "Vrml2 (38)", "Kalvex1.5"})
        EXPECT_NE(types.find(listed), std::string::npos) << listed << "\n" << types;
    // The sections a manual page of a command is expected to have.
    for (const char* section : {".SH SYNOPSIS", ".SH OPTIONS", ".SH ENVIRONMENT", ".SH FILES", ".SH EXIT STATUS"})
        EXPECT_NE(manual.find(section), std::string::npos) << section;
    // Every export type name is offered after --type.
    for (const char* type : {"Povray3", "Vrml2", "Gltf", "Kalvex1.5"}) {
        SCOPED_TRACE(type);
        EXPECT_NE(bash.find(type), std::string::npos);
        EXPECT_NE(zsh.find(type), std::string::npos);
        EXPECT_NE(fish.find(type), std::string::npos);
    }
}

TEST(OptionTableTest, ThumbnailShapes) {
    struct Case {
        int size, renderWidth, renderHeight;
        kx::app::ThumbnailShape shape;
    } cases[] = {
        {128, 640, 480, {171, 128, 21, 0}},   // wide: the middle of the width
        {100, 480, 640, {100, 133, 0, 16}},   // tall: the middle of the height
        {64, 100, 100, {64, 64, 0, 0}},
        {256, 0, 0, {256, 256, 0, 0}},        // no render size: the square itself
        {1024, 16384, 1, {4096, 1024, 1536, 0}},  // never wider than the preview draws
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const kx::app::ThumbnailShape s = kx::app::thumbnailShape(c.size, c.renderWidth, c.renderHeight);
        EXPECT_EQ(s.width, c.shape.width);
        EXPECT_EQ(s.height, c.shape.height);
        EXPECT_EQ(s.left, c.shape.left);
        EXPECT_EQ(s.top, c.shape.top);
    }
}

TEST(PngFileTest, WritesWholePicturesAndKeepsWhatStoodOnFailure) {
    kxtest::TempDir dir;
    const std::vector<uint32_t> pixels = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFF123456u, 0xFFFFFFFFu, 0xFF000000u};
    const std::vector<uint32_t> written = {0xFF0000u, 0x00FF00u, 0x0000FFu, 0x123456u, 0xFFFFFFu, 0x000000u};
    std::string error;
    ASSERT_TRUE(kx::app::writePngFile((dir.path() / "a.png").string(), pixels, 3, 2, error)) << error;
    int width = 0, height = 0;
    EXPECT_EQ(kxtest::readPng(dir.file("a.png"), width, height), written);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);

    struct Case {
        const char* name;
        fs::path target;
        std::vector<uint32_t> pixels;
        int width, height;
    } failures[] = {
        {"a folder that is not there", dir.path() / "none" / "b.png", pixels, 3, 2},
        {"fewer pixels than the size", dir.path() / "a.png", {0xFF000000u}, 3, 2},
        {"no pixels", dir.path() / "a.png", {}, 0, 0},
        {"a folder where the picture would go", dir.path(), pixels, 3, 2},
    };
    for (const Case& c : failures) {
        SCOPED_TRACE(c.name);
        error.clear();
        EXPECT_FALSE(kx::app::writePngFile(c.target.string(), c.pixels, c.width, c.height, error));
        EXPECT_FALSE(error.empty());
    }
    // The first picture is still whole, and no temporary file was left.
    EXPECT_EQ(kxtest::readPng(dir.file("a.png"), width, height), written);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
