#include <gtest/gtest.h>

#include "kxplatform/process.h"

#include <fstream>

#include "core_fixture.h"
#include "render/executable_kind.h"
#include "render/renderer_definitions.h"

namespace {

class RendererDefinitionsTest : public kxtest::CoreTest {
protected:
    void write(const std::string& name, const std::string& text) { std::ofstream(dir.file(name)) << text; }
};

TEST_F(RendererDefinitionsTest, InformationFileListsAtMostSevenRenderers) {
    std::string info = "; renderers\r\n#begin render_info\r\n";
    for (int i = 1; i <= 9; ++i) {
        info += "r" + std::to_string(i) + ".inf\r\n";
        write("r" + std::to_string(i) + ".inf",
              "#begin render_settings\nDescription \"Renderer " + std::to_string(i) +
                  "\"\nType 11\nSetDefault \"+I$O\"\nSetCommmand \"+I$O +O$I\"\nsetexit +X\nBogus 1\n"
                  "DefaultProgramPath /opt/r" + std::to_string(i) + "\n#end\n");
    }
    write("KALVEX.INF", info + "#end\r\n");
    kx::app::RendererList list = kx::app::loadRendererDefinitions(dir.path().string(), 2);
    ASSERT_EQ(list.entries.size(), 8u);
    EXPECT_STREQ(list.entries[0].infoFile, "$INTERNAL");
    EXPECT_STREQ(list.entries[0].description, "Preview Only");
    EXPECT_STREQ(list.entries[3].description, "Renderer 3");
    EXPECT_STREQ(list.entries[3].commandTemplate, "+I$O +O$I");  // the last template read stays
    EXPECT_STREQ(list.entries[3].userBreak, "+X");
    EXPECT_EQ(list.entries[3].type, 11);
    EXPECT_EQ(list.defaultProgramPath, "/opt/r2");
    EXPECT_EQ(&list.current(5), &list.entries[5]);
    EXPECT_EQ(&list.current(8), &list.entries[0]);  // beyond the list: the preview
    EXPECT_EQ(&list.current(-1), &list.entries[0]);
}

TEST_F(RendererDefinitionsTest, MissingOrDamagedFiles) {
    kx::app::RendererList none = kx::app::loadRendererDefinitions(dir.file("nowhere"), 0);
    EXPECT_EQ(none.entries.size(), 1u);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to open/load render information file ", 0), 0u);
    std::string longName(100, 'n');
    write("KALVEX.INF", "#begin render_info\n$PLUGIN\nmissing.inf\ncut.inf\n#end\n");
    write("cut.inf", "#begin render_settings\nSetExit " + longName + "\nType\n");
    kx::app::RendererList list = kx::app::loadRendererDefinitions(dir.path().string(), 0);
    ASSERT_EQ(list.entries.size(), 3u);
    EXPECT_STREQ(list.entries[1].infoFile, "$PLUGIN");
    EXPECT_EQ(std::string(list.entries[2].userBreak), std::string(7, 'n'));  // cut to the field
}

TEST_F(RendererDefinitionsTest, ExecutableKinds) {
    EXPECT_EQ(kx::app::executableSubsystem("/bin/sh"), 3u);  // ELF
    write("script", "#!/bin/sh\n");
    EXPECT_EQ(kx::app::executableSubsystem(dir.file("script")), 3u);
    // A PE file with the subsystem field set to 2 (a window program).
    std::string pe(64 + 4 + 20 + 224, '\0');
    pe[0] = 'M';
    pe[1] = 'Z';
    pe[60] = 64;
    pe[64] = 'P';
    pe[65] = 'E';
    pe[64 + 4 + 20 + 68] = 2;
    write("win.exe", pe);
    EXPECT_EQ(kx::app::executableSubsystem(dir.file("win.exe")), 2u);
    write("short.exe", pe.substr(0, 100));
    EXPECT_EQ(kx::app::executableSubsystem(dir.file("short.exe")), 0u);
    EXPECT_EQ(ui.lastMessage(), "Read the wrong number of bytes, expected 224, got 12.");
    write("text.txt", std::string(80, 'a'));
    EXPECT_EQ(kx::app::executableSubsystem(dir.file("text.txt")), 0u);
    EXPECT_EQ(ui.lastMessage(), "Sorry, I do not understand this file.");
    pe[65] = 'X';
    write("bad.exe", pe);
    EXPECT_EQ(kx::app::executableSubsystem(dir.file("bad.exe")), 0u);
    EXPECT_EQ(ui.lastMessage(), "Missing NT signature. Unknown file type.");
    EXPECT_EQ(kx::app::executableSubsystem(dir.file("absent")), 0u);
    EXPECT_EQ(kx::platform::findProgram("sh").empty(), false);
}

}  // namespace
