#include <gtest/gtest.h>

#include "cli/command_line.h"

namespace {

using kx::app::CommandLine;
using kx::app::parseCommandLine;

TEST(CommandLineParseTest, Jobs) {
    CommandLine e = parseCommandLine({"--export", "a.cad", "out.pov", "--type", "Povray3"});
    EXPECT_EQ(e.job, CommandLine::Job::Export);
    EXPECT_EQ(e.output, "out.pov");
    EXPECT_EQ(kx::app::fileTypeFromText(e.type), 11u);
    CommandLine r = parseCommandLine({"--render", "a.cad", "--width", "160", "--height", "120", "--quality", "9"});
    EXPECT_EQ(r.job, CommandLine::Job::Render);
    EXPECT_EQ(*r.width, 160);
    EXPECT_EQ(*r.quality, 9);
    EXPECT_TRUE(r.error.empty());
    EXPECT_EQ(parseCommandLine({"scene.cad"}).job, CommandLine::Job::Open);
    EXPECT_EQ(kx::app::fileTypeFromText("22"), 22u);
    EXPECT_EQ(kx::app::fileTypeFromText("povray1"), 12u);
    // Every export type by its table name, in any case; VRML 2 by a name of the command line's own.
    struct Named {
        const char* name;
        unsigned id;
    } names[] = {{"Nff", 14},      {"POLYRAY", 19}, {"dxf", 22},       {"RenderMan", 23},
                 {"vrml", 24},     {"Vrml2", 38},   {"wavefront", 34}, {"38", 38}};
    for (const Named& n : names) {
        SCOPED_TRACE(n.name);
        EXPECT_EQ(kx::app::fileTypeFromText(n.name), n.id);
    }
}

TEST(CommandLineParseTest, Mistakes) {
    struct Case {
        std::vector<std::string> args;
    } cases[] = {
        {{"--export", "a.cad"}},
        {{"--render"}},
        {{"--render", "a.cad", "--width"}},
        {{"--render", "a.cad", "--width", "wide"}},
        {{"--export", "a.cad", "b.pov", "--type", "Nothing"}},
        {{"--frobnicate"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.size());
        EXPECT_FALSE(parseCommandLine(c.args).error.empty());
    }
}

}  // namespace
