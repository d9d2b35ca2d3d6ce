#include <gtest/gtest.h>

#include "animation/frame_output.h"
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
    CommandLine p = parseCommandLine({"--preview", "a.cad", "a.tga", "--width", "64", "--textured"});
    EXPECT_EQ(p.job, CommandLine::Job::Preview);
    EXPECT_EQ(p.scene, "a.cad");
    EXPECT_EQ(p.output, "a.tga");
    EXPECT_EQ(*p.width, 64);
    EXPECT_FALSE(p.height);
    EXPECT_TRUE(p.textured);
    EXPECT_TRUE(p.error.empty());
    EXPECT_EQ(kx::app::fileTypeFromText("22"), 22u);
    EXPECT_EQ(kx::app::fileTypeFromText("povray1"), 12u);
    // Every export type by its table name, in any case; VRML 2 by a name of the command line's own.
    struct Named {
        const char* name;
        unsigned id;
    } names[] = {{"Nff", 14},      {"POLYRAY", 19}, {"dxf", 22},       {"RenderMan", 23},
                 {"vrml", 24},     {"Vrml2", 38},   {"wavefront", 34}, {"38", 38},
                 {"RIB", 23},      {"rib", 23}};
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
        // Without plug-ins no SAVE function can be the type (with them, the job decides).
        {{"--export", "a.cad", "b.pov", "--type", "Nothing", "--no-plugins"}},
        {{"--frobnicate"}},
        {{"--render", "a.cad", "--frames"}},
        {{"--render", "a.cad", "--frames", "3-1"}},
        {{"--render", "a.cad", "--frames", "-1"}},
        {{"--render", "a.cad", "--frames", "1-2-3"}},
        {{"--render", "a.cad", "--frames", "x"}},
        {{"--render", "a.cad", "--inside-out"}},
        {{"--export", "a.cad", "b.pov", "--frames", "all"}},
        {{"--render", "a.cad", "--frames", "all", "--network"}},
        {{"--preview", "a.cad"}},
        {{"--preview", "a.cad", "a.tga", "--frames", "all"}},
        {{"--render", "a.cad", "--textured"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.size());
        EXPECT_FALSE(parseCommandLine(c.args).error.empty());
    }
}

// Values no renderer can take are refused before any work, saying why.
TEST(CommandLineParseTest, RangesAndTheEndOfOptions) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    } cases[] = {
        {{"--render", "a.cad", "--width", "0"}, "--width 0 is out of range (1 to 16384)"},
        {{"--render", "a.cad", "--width", "99999999999"}, "--width 99999999999 is out of range (1 to 16384)"},
        {{"--render", "a.cad", "--height", "16385"}, "--height 16385 is out of range (1 to 16384)"},
        {{"--render", "a.cad", "--quality", "12"}, "--quality 12 is out of range (0 to 11)"},
        {{"--render", "a.cad", "--width", "16384", "--height", "1", "--quality", "0"}, ""},
        {{"--render", "--", "-scene.cad"}, ""},
        {{"--", "--render"}, ""},
        {{"--render", "-scene.cad"}, "unknown option -scene.cad"},
        {{"--thumbnail", "a.cad", "a.png", "--size", "0"}, "--size 0 is out of range (1 to 1024)"},
        {{"--thumbnail", "a.cad", "a.png", "--size", "1025"}, "--size 1025 is out of range (1 to 1024)"},
        {{"--thumbnail", "a.cad", "a.png", "--size", "1024"}, ""},
        {{"--thumbnail", "a.cad"}, "wrong number of file names"},
        {{"--render", "a.cad", "--size", "64"}, "--size belongs to --thumbnail"},
        {{"a.cad", "b.cad", "--", "-c.cad"}, ""},
        {{"--recover", "--macro", "m.lua", "a.cad"}, ""},
        {{"--macro", "m.lua"}, ""},
        {{"--macro"}, "--macro needs a value"},
        {{"--macro", ""}, "--macro needs a name"},
        {{"--export", "a.cad", "o.pov", "--macro", "m.lua"}, "--macro and --recover belong to the window"},
        {{"--render", "a.cad", "--recover"}, "--macro and --recover belong to the window"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(parseCommandLine(c.args).error, c.error);
    }
    EXPECT_EQ(parseCommandLine({"--render", "--", "-scene.cad"}).scene, "-scene.cad");
    CommandLine opened = parseCommandLine({"--", "--render"});
    EXPECT_EQ(opened.job, CommandLine::Job::Open);
    EXPECT_EQ(opened.scene, "--render");
    // A file manager hands the window every scene the user chose.
    CommandLine several = parseCommandLine({"a.cad", "b.cad", "--", "-c.cad"});
    EXPECT_EQ(several.job, CommandLine::Job::Open);
    EXPECT_EQ(several.scene, "a.cad");
    EXPECT_EQ(several.moreScenes, (std::vector<std::string>{"b.cad", "-c.cad"}));
    CommandLine started = parseCommandLine({"--recover", "--macro", "m.lua", "a.cad"});
    EXPECT_EQ(started.job, CommandLine::Job::Open);
    EXPECT_EQ(started.macro, "m.lua");
    EXPECT_TRUE(started.recover);
    CommandLine thumbnail = parseCommandLine({"--thumbnail", "a.cad", "a.png", "--size", "48"});
    EXPECT_EQ(thumbnail.job, CommandLine::Job::Thumbnail);
    EXPECT_EQ(thumbnail.output, "a.png");
    EXPECT_EQ(thumbnail.size, 48);
}

TEST(CommandLineParseTest, FramesToRender) {
    CommandLine r = parseCommandLine({"--render", "a.cad", "--frames", "2-5", "--inside-out"});
    EXPECT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.frames, "2-5");
    EXPECT_TRUE(r.insideOut);
    struct Case {
        const char* text;
        unsigned maxFrames;
        bool ok;
        unsigned first, last;
    } cases[] = {
        {"all", 3, true, 0, 2},   {"all", 0, false, 0, 0},  {"0", 3, true, 0, 0},     {"2", 3, true, 2, 2},
        {"3", 3, false, 0, 0},    {"1-2", 3, true, 1, 2},   {"0-3", 3, false, 0, 0},  {"2-1", 3, false, 0, 0},
        {"", 3, false, 0, 0},     {"1-", 3, false, 0, 0},   {"+1", 3, false, 0, 0},   {"99999999999", 3, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        unsigned first = 99, last = 99;
        EXPECT_EQ(kx::app::frameRange(c.text, c.maxFrames, first, last), c.ok);
        if (c.ok) {
            EXPECT_EQ(first, c.first);
            EXPECT_EQ(last, c.last);
        }
    }
}

TEST(CommandLineParseTest, FrameStemsAreSafeFileNames) {
    struct Case {
        const char* name;
        const char* stem;
    } cases[] = {
        {"Movie1", "Movie1"},       {"../x", ".._x"},         {"a;rm -rf ~", "a_rm_-rf__"},
        {"$(id)`w`", "__id__w_"},   {"50% \\ \"q\"", "50_____q_"}, {"", "scene"},
        {"tab\there", "tab_here"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(kx::app::safeFrameStem(c.name, "scene"), c.stem);
    }
}

}  // namespace

// The options that hand frames to other processes: which combinations hold,
// with the words a user sees for those that do not.
TEST(CommandLineParseTest, FarmOptions) {
    CommandLine farm = parseCommandLine({"--render", "a.cad", "--frames", "0-9", "--jobs", "4", "--sshloginfile",
                                         "hosts", "--transfer", "--worker", "kalvex", "--resume"});
    EXPECT_TRUE(farm.error.empty()) << farm.error;
    EXPECT_EQ(farm.jobs, 4);
    EXPECT_EQ(farm.sshLoginFile, "hosts");
    EXPECT_EQ(farm.worker, "kalvex");
    EXPECT_TRUE(farm.transfer && farm.resume && !farm.emitJobs);
    struct Case {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"--render", "a.cad", "--frames", "all", "--emit-jobs", "--worker", "kalvex", "--resume"}, ""},
        {{"--render", "a.cad", "--frames", "2", "--resume"}, ""},
        {{"--render", "a.cad", "--jobs", "2"},
         "--jobs, --emit-jobs, --sshloginfile, --transfer, --worker and --resume need --frames"},
        {{"--render", "a.cad", "--resume"},
         "--jobs, --emit-jobs, --sshloginfile, --transfer, --worker and --resume need --frames"},
        {{"--render", "a.cad", "--frames", "all", "--jobs", "0"}, "--jobs 0 is out of range (1 to 1024)"},
        {{"--render", "a.cad", "--frames", "all", "--jobs", "two"}, "--jobs takes a whole number, not two"},
        {{"--render", "a.cad", "--frames", "all", "--emit-jobs", "--jobs", "2"},
         "--emit-jobs writes the jobs instead of running them: no --jobs, --sshloginfile or --transfer"},
        {{"--render", "a.cad", "--frames", "all", "--sshloginfile", "hosts"},
         "--sshloginfile, --transfer and --worker need --jobs"},
        {{"--render", "a.cad", "--frames", "all", "--jobs", "2", "--transfer"}, "--transfer needs --sshloginfile"},
        {{"--render", "a.cad", "--frames", "all", "--jobs", "2", "--worker", ""}, "--worker needs a name"},
        {{"--render", "a.cad", "--frames", "all", "--jobs", "2", "--sshloginfile"}, "--sshloginfile needs a value"},
        {{"--export", "a.cad", "b.pov", "--jobs", "2"},
         "--jobs, --emit-jobs, --sshloginfile, --transfer, --worker and --resume need --frames"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(parseCommandLine(c.args).error, c.error);
    }
}

namespace kx::app {
namespace {

TEST(CommandLineParseTest, ScriptJobTakesAFileAnOptionalSceneAndBounds) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
        std::string script, scene, output;
        unsigned long long maxInstructions;
    } cases[] = {
        {{"--script", "s.lua"}, "", "s.lua", "", "", 0},
        {{"--script", "s.lua", "a.cad", "--save", "o.cad"}, "", "s.lua", "a.cad", "o.cad", 0},
        {{"--save", "o.pov", "--script", "s.lua", "--max-instructions", "5000000"}, "", "s.lua", "", "o.pov", 5000000},
        {{"--export", "a.cad", "o.pov", "--max-instructions", "10"}, "", "", "a.cad", "o.pov", 10},
        {{"--script"}, "wrong number of file names", "", "", "", 0},
        {{"--script", "s.lua", "a.cad", "b.cad"}, "wrong number of file names", "", "", "", 0},
        {{"--script", "s.lua", "--save"}, "--save needs a value", "", "", "", 0},
        {{"--export", "a.cad", "o.pov", "--save", "x.cad"}, "--save belongs to --script", "", "", "", 0},
        {{"--script", "s.lua", "--max-instructions", "0"}, "--max-instructions takes a whole number above 0, not 0", "",
         "", "", 0},
        {{"--script", "s.lua", "--max-instructions", "-5"},
         "--max-instructions takes a whole number above 0, not -5", "", "", "", 0},
        {{"--script", "s.lua", "--max-instructions", "99999999999999999999999"},
         "--max-instructions takes a whole number above 0, not 99999999999999999999999", "", "", "", 0},
        {{"--preview", "a.cad", "a.tga", "--max-instructions", "10"},
         "--max-instructions belongs to --script, --export and --render", "", "", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const CommandLine cl = parseCommandLine(c.args);
        EXPECT_EQ(cl.error, c.error);
        if (!c.error.empty()) continue;
        EXPECT_EQ(cl.script, c.script);
        EXPECT_EQ(cl.scene, c.scene);
        EXPECT_EQ(cl.output, c.output);
        EXPECT_EQ(cl.maxInstructions.value_or(0), c.maxInstructions);
    }
}

}  // namespace
}  // namespace kx::app
