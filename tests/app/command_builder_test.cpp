#include <gtest/gtest.h>

#include <cstring>

#include "core_fixture.h"
#include "render/command_builder.h"

namespace {

using kx::app::expandTemplate;
using kx::app::Placeholders;

TEST(TemplateTest, Expansion) {
    Placeholders v;
    v.set('I', "scene.tga");
    v.set('W', "640");
    v.set('Q', "");
    v.set('L', "/inc");
    struct Case {
        const char* tmpl;
        const char* expected;
    } cases[] = {
        {"+I$I [+A$A", "pov +Iscene.tga +A"},  // an unfilled value holds one space
        {"$Q", "pov"},
        {"+W$W$Z", "pov +W640"},               // unknown letter: one space, trimmed
        {"[+L$L -x", "pov +L/inc -x"},
        {"[x$L", "pov /inc"},                  // a one-letter prefix is dropped
        {"[+Q$Q +W$W", "pov   +W640"},
        {"end $", "pov end"},                  // a "$" at the end reads nothing past it
        {"a $$W", "pov a  W"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tmpl);
        EXPECT_EQ(expandTemplate("pov", c.tmpl, v), c.expected);
    }
    Placeholders q;
    q.set('Q', "3");
    EXPECT_EQ(expandTemplate("/usr/bin/povray", "$Q", q), "/usr/bin/povray 3");
    EXPECT_EQ(expandTemplate("/opt/my renderer/bin", "$Q", q), "\"/opt/my renderer/bin\" 3");
}

class CommandBuildTest : public kxtest::CoreTest {
protected:
    kx::app::RendererDefinition renderer() {
        kx::app::RendererDefinition d{};
        std::strcpy(d.commandTemplate, "+I$O +O$I +W$W +H$H [+L$L [+Q$Q [+GF$< $U");
        std::strcpy(d.antiAlias, "+A0.3");
        d.type = 1;
        return d;
    }
    kx::app::Settings settings() {
        kx::app::Settings s;
        s.directories.render = "/usr/bin/povray";
        s.directories.program = "/data dir";
        return s;
    }
};

TEST_F(CommandBuildTest, FileNamesWithBlanksStayWhole) {
    kx::app::RenderRequest request;
    request.scene = "/home/u/my scenes/ball.cad";
    request.quality = 7;
    kx::app::Settings s = settings();
    s.render.renderFlags = "+V";
    s.directories.include = "/usr/share/povray-3.7/include";
    kx::app::BuiltCommand c = kx::app::buildRenderCommand(renderer(), s, request);
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.imagePath, "/home/u/my scenes/ball.tga");
    EXPECT_EQ(c.outputPath, "/home/u/my scenes/ball.cad");
    // The renderer reads an option's value itself and stops at a blank unless
    // the value is quoted inside the argument.
    EXPECT_EQ(c.argv, (std::vector<std::string>{"/usr/bin/povray", "+I\"/home/u/my scenes/ball.cad\"",
                                                "+O\"/home/u/my scenes/ball.tga\"", "+W640", "+H480",
                                                "+L/usr/share/povray-3.7/include", "+Q7",
                                                "+GF\"/data dir/render.err\"", "+V"}));
}

TEST_F(CommandBuildTest, Refusals) {
    kx::app::RenderRequest request;
    request.scene = "ball.cad";
    kx::app::RendererDefinition d = renderer();
    kx::app::Settings s = settings();
    s.directories.render.clear();
    EXPECT_FALSE(kx::app::buildRenderCommand(d, s, request).ok);
    EXPECT_EQ(ui.lastMessage(), "External renderer not defined\r\n\r\nCheck that the selected external renderer\r\n"
                                "path and name are configured");
    request.scene.clear();
    EXPECT_FALSE(kx::app::buildRenderCommand(d, settings(), request).ok);
    EXPECT_EQ(ui.lastMessage(), "Scene name not defined");
    request.scene = "ball.cad";
    std::strcpy(d.commandTemplate, "+Iscene");
    EXPECT_FALSE(kx::app::buildRenderCommand(d, settings(), request).ok);
    EXPECT_EQ(ui.lastMessage(), "Invalid command line template");
}

}  // namespace
