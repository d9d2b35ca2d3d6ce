// Preview scenes, the rebuild that finds missing previews and its script.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "core_fixture.h"
#include "kxplatform/process.h"
#include "texbuild/preview_scene.h"
#include "texbuild/texture_previews.h"

namespace {

namespace fs = std::filesystem;
using kx::app::TextureForm;

// Every line end as the file writer writes it.
std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

const std::string kPovSetting =
    "// CAMERA POSITION\r\ncamera {\r\n location  < 0, 0, -20 >\r\n up        < 0, 1, 0  >\r\n"
    " right     < 0, 1, 0  >\r\n look_at   < 0, 0, 0 >\r\n}\r\n// LIGHT_SOURCE\r\n"
    "  light_source{<-20 ,  35 , -34  > color White }\r\n  light_source{< 0 ,  0 , -24  > color White }\r\n";
const std::string kPovSolidSetting = kPovSetting +
    "\r\n// PLANE\r\nplane {  < 0, 0, 1 > 0\r\n texture { pigment { White } }\r\n translate < 0, 0, -4 >\r\n}\r\n\r\n";
const std::string kPolySolidSetting =
    "// CAMERA POSITION\r\nviewpoint {\r\n from       < 0, 0, -25 >\r\n at         < 0, 0, 0 >\r\n"
    " up         < 0, 1, 0 >\r\n resolution 100, 100\r\n}\r\n// LIGHT_SOURCE\r\n"
    "  light <-20 ,  35 , -34  >\r\n  light < 0 ,  0 , -24  >\r\nbackground white\r\n";
const std::string kPovPlane =
    "// CAMERA POSITION\ncamera {\n location  < 0,     0, 20 >\n up        < 0,     1, 0  >\n"
    " right     < -1.33, 0, 0  >\n look_at   < 0,     0, 0 >\n}\n// LIGHT_SOURCE\n"
    "  light_source{<-20 ,  35 , 34  > color White }\n  light_source{< 7.25 , 5.5  , 90  > color White }\n"
    "\n// BACK_PLANE\nplane {  < 0, 0, 1 > 0\n texture { pigment { White } }\n translate < 0, 0, -1 >\n}\n\n"
    "\n// FRONT_PLANE\nplane {  < 0, 0, 1 > 0\n texture { pigment { White } }\n translate < 0, 0, 200 >\n}\n\n"
    "\n// TEX_PLANE\nplane {  < 0, 0, 1 > 0\n";
const std::string kPolyPlane =
    "// CAMERA POSITION\nviewpoint {\r\n from       < 0, 0, 20 >\r\n at         < 0, 0, 0 >\r\n"
    " up         < 0, 1, 0 >\r\n resolution 100, 100\r\n}\r\n// LIGHT_SOURCE\r\n  light <-20 ,  35 , 34  >\r\n"
    "  light < 7.25 ,  5.5 , 90  >\r\nbackground white\r\ndefine Plane_XY object {\r\n"
    "\t\t\tpolygon 4, <-1000,1000,0>, <-1000,-1000,0>,\r\n\t\t\t<1000,-100,0>, <1000,1000,0>\r\n\t\t\t}\r\n"
    "\n// BACK_PLANE\nobject { Plane_XY\n texture { surface { color White } }\n translate < 0, 0, -1 >\n}\n\n"
    "\n// FRONT_PLANE\nobject { Plane_XY\n texture { surface { color White } }\n translate < 0, 0, 200 >\n}\n\n"
    "\n// TEX_PLANE\nobject { Plane_XY\n";

class TexturePreviewsTest : public kxtest::CoreTest {
protected:
    std::string scene(unsigned type, int shape, const std::string& texture, TextureForm form, bool* written = nullptr,
                      bool stage = false) {
        const std::string path = dir.file("scene.txt");
        StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_CREATE);
        f->type = type;
        bool ok = kx::app::writePreviewScene(f, shape, texture, form, stage);
        if (written) *written = ok;
        StdCloseFile(f);
        return dir.read("scene.txt");
    }
};

TEST_F(TexturePreviewsTest, ScenesPerShapeTypeAndForm) {
    struct Case {
        unsigned type;
        int shape;
        const char* texture;
        TextureForm form;
        std::string expected;
    };
    const Case cases[] = {
        {11, 0, "Red", TextureForm::Pigment,
         kPovSolidSetting + "// SPHERE\r\nsphere {  < 0, 0, 0 > 8\r\n texture { pigment { Red } }\r\n"
                            " translate < 0, 0, 0 >\r\n}\r\n"},
        {10, 42, "Jade", TextureForm::Layered,
         kPovSolidSetting + "// SPHERE\r\nsphere {  < 0, 0, 0 > 8\r\n texture { Jade }\r\n translate < 0, 0, 0 >\r\n}\r\n"},
        {11, 2, "Jade+Gold", TextureForm::Layered,
         kPovSolidSetting + "// BOX\r\nbox { <-4,-4,-8>, <4,4,0> \r\n texture { Jade }\r\n texture { Gold }\r\n"
                            " translate < 0, 0, 0 >\r\n rotate < -10, 0, 0 >\r\n}\r\n"},
        {12, 3, "Red", TextureForm::Pigment,
         kPovSolidSetting + "// CONE\r\ncone { <0,4,-4>, 0, <0,-4,-4>, 6\r\n texture { pigment { Red } }\r\n"
                            " translate < 0, 0, 0 >\r\n}\r\n"},
        {11, 4, "Red", TextureForm::Pigment,
         kPovSolidSetting + "// CYLINDER\r\ncylinder { <0,4,-4>, <0,-4,-4>, 6\r\n texture { pigment { Red } }\r\n"
                            " translate < 0, 0, 0 >\r\n}\r\n"},
        {11, 5, "Red", TextureForm::Pigment,
         kPovSolidSetting + "// TORUS\r\ntorus { 5, 1.5 \r\n texture { pigment { Red } }\r\n translate < 0, 0, 0 >\r\n"
                            " rotate < -90, 0, 0 >\r\n translate < 0, 0, -6 >\r\n}\r\n"},
        {11, 1, "Red", TextureForm::Pigment,
         crlf(kPovPlane + " texture { pigment { Red } }\r\n scale  < 4, 4, 1 >\n translate < 0, 0, 0 >\n}\n\n")},
        // The sky always takes a pigment: texture layers are refused inside a sky sphere.
        {11, 6, "Blue_Sky", TextureForm::Layered,
         kPovSetting + "sky_sphere {\r\n pigment { Blue_Sky }\r\n}\r\n\r\n// PLANE\r\nplane {  < 0, 1, 0 >, -4\r\n"
                       " texture { pigment { Green } }\r\n}\r\n\r\n"},
        {19, 1, "Red", TextureForm::Pigment, crlf(kPolyPlane + " texture { surface { color Red } }\r\n}\n\n")},
        {19, 3, "Red", TextureForm::Pigment,
         kPolySolidSetting + "// CONE\r\nobject { cone <0,4,-4>, 0, <0,-4,-4>, 6 \r\n"
                             " texture { surface { color Red } }\r\n translate < 0, 0, 0 >\r\n}\r\n"},
        {19, 5, "Red", TextureForm::Layered,
         kPolySolidSetting + "// TORUS\r\nobject { torus 5, 1.5, <0.0, 0.0, 0.0>, <0.0, 1.0, 0.0> \r\n Red\r\n"
                             " translate < 0, 0, 0 >\r\n rotate < -90, 0, 0 >\r\n translate < 0, 0, -6 >\r\n}\r\n"},
        {19, 0, "Red", TextureForm::Pigment,
         kPolySolidSetting + "// SPHERE\r\nobject { sphere < 0, 0, 0 >, 8\r\n texture { surface { color Red } }\r\n"
                             " translate < 0, 0, 0 >\r\n}\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " shape " + std::to_string(c.shape) + " " + c.texture);
        bool written = false;
        EXPECT_EQ(scene(c.type, c.shape, c.texture, c.form, &written), c.expected);
        EXPECT_TRUE(written);
    }
}

// With the stage setting a POV-Ray 3 solid stands on a checkered floor under
// a sky, and a white sphere shows against them; every other scene is as it
// was without the setting.
TEST_F(TexturePreviewsTest, TheStageSetsSolidsOnAFloorUnderASky) {
    const std::string stage =
        kPovSetting +
        "\r\n// STAGE\r\nplane {  < 0, 1, 0 >, -8\r\n"
        " texture { pigment { checker color rgb < 0.9, 0.9, 0.9 > color rgb < 0.25, 0.25, 0.3 > scale 4 } }\r\n}\r\n"
        "sky_sphere {\r\n pigment { gradient y color_map { [ 0 color rgb < 0.9, 0.93, 1 > ] "
        "[ 1 color rgb < 0.3, 0.5, 0.9 > ] } }\r\n}\r\n\r\n"
        "// SPHERE\r\nsphere {  < 0, 0, 0 > 8\r\n texture { pigment { White } }\r\n translate < 0, 0, 0 >\r\n}\r\n";
    EXPECT_EQ(scene(KX_FILETYPE_POVRAY3, 0, "White", TextureForm::Pigment, nullptr, true), stage);
    struct Unstaged {
        unsigned type;
        int shape;
    } unstaged[] = {{KX_FILETYPE_POVRAY2, 0}, {KX_FILETYPE_POLYRAY, 0}, {KX_FILETYPE_POVRAY3, 1}, {KX_FILETYPE_POVRAY3, 6}};
    for (const Unstaged& u : unstaged) {
        SCOPED_TRACE(std::to_string(u.type) + " shape " + std::to_string(u.shape));
        EXPECT_EQ(scene(u.type, u.shape, "White", TextureForm::Pigment, nullptr, true),
                  scene(u.type, u.shape, "White", TextureForm::Pigment));
    }
    if (!std::filesystem::exists("/usr/bin/povray")) GTEST_SKIP() << "scripts/setup-deps.sh installs povray";
    std::ofstream(dir.file("stage.pov"), std::ios::binary) << "#include \"colors.inc\"\n" << stage;
    kx::platform::CommandRunner runner;
    ASSERT_TRUE(runner.start({"/usr/bin/povray", "-D", "+FT", "-UA", "+W40", "+H40", "+Istage.pov", "+Ostage.tga"},
                             dir.path().string(), true, {}));
    ASSERT_EQ(runner.wait().exitCode, 0) << runner.output();
    const std::string tga = dir.read("stage.tga");
    ASSERT_GT(tga.size(), 18u + 40 * 40 * 3);
    bool white = false, dark = false, sky = false;
    for (size_t i = 18 + static_cast<unsigned char>(tga[0]); i + 3 <= tga.size(); i += 3) {
        const int b = static_cast<unsigned char>(tga[i]), g = static_cast<unsigned char>(tga[i + 1]),
                  r = static_cast<unsigned char>(tga[i + 2]);
        white = white || (r > 230 && g > 230 && b > 230);
        dark = dark || (r < 90 && g < 90 && b < 100);
        sky = sky || (b > r + 60);
    }
    EXPECT_TRUE(white) << "the sphere";
    EXPECT_TRUE(dark) << "the floor's dark squares";
    EXPECT_TRUE(sky);
}

TEST_F(TexturePreviewsTest, OnlyIdentifiersReachAScene) {
    struct Case {
        unsigned type;
        int shape;
        const char* texture;
        TextureForm form;
        const char* message;
    };
    const Case cases[] = {
        {11, 0, "Red } sphere { 0, 1", TextureForm::Pigment, ""},
        {11, 0, "#include \"x\"", TextureForm::Layered, ""},
        {11, 0, "Jade+Gold", TextureForm::Pigment, ""},
        {11, 6, "Jade+Gold", TextureForm::Layered, ""},
        {11, 0, "", TextureForm::Layered, ""},
        {19, 6, "Red", TextureForm::Pigment, "Not yet implemented"},
        {1, 0, "Red", TextureForm::Pigment, ""},
        {24, 1, "Red", TextureForm::Pigment, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.texture);
        ui.clear();
        bool written = true;
        EXPECT_EQ(scene(c.type, c.shape, c.texture, c.form, &written), "");
        EXPECT_FALSE(written);
        EXPECT_EQ(ui.lastMessage(), c.message);
    }
}

TEST_F(TexturePreviewsTest, ShellLinesQuoteEveryArgument) {
    struct Case {
        std::vector<std::string> argv;
        const char* line;
    };
    const Case cases[] = {
        {{"/usr/bin/povray", "+Ia b.pov"}, "'/usr/bin/povray' '+Ia b.pov'"},
        {{"x", "it's"}, "'x' 'it'\\''s'"},
        {{"$(rm -rf /)", "`id`;", "a\nb"}, "'$(rm -rf /)' '`id`;' 'a\nb'"},
        {{""}, "''"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(kx::platform::shellLine(c.argv, true), c.line);
        // The shell gives the arguments back unchanged.
        std::string script = "for a in " + kx::platform::shellLine(c.argv, true) + "; do printf '%s|' \"$a\"; done > out.txt";
        ASSERT_EQ(kx::platform::runShellLine(script, dir.path().string()), 0);
        std::string expected;
        for (const std::string& a : c.argv) expected += a + "|";
        EXPECT_EQ(dir.read("out.txt"), expected);
    }
}

class RebuildTest : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        SetProgramPath(dir.path().c_str());
        EnableLogMessage(1);
        db.setFolders(dir.path().string(), dir.file("textures"));
        std::strcpy(renderer.infoFile, "povray37.inf");
        std::strcpy(renderer.commandTemplate, "-D +FT +I$O +O$I +W$W +H$H [+L$L [+Q$Q");
        renderer.type = 11;
        settings.directories.program = dir.path().string();
        settings.directories.render = "/usr/bin/povray";
        settings.directories.include = "/usr/share/povray-3.7/include";
    }
    TextureInfo* add(const char* name, int kind, const char* shortName) {
        TextureInfo* last = GetTexture(nullptr);
        while (last && last->next) last = last->next;
        TextureInfo* t = AddTexture(last);
        if (!last) SetFirstTexture(t);
        std::snprintf(t->name, sizeof t->name, "%s", name);
        std::snprintf(t->shortText1, sizeof t->shortText1, "%s", shortName);
        t->kind = kind;
        return t;
    }

    kx::app::TextureDatabase db;
    kx::app::RendererDefinition renderer{};
    kx::app::Settings settings;
};

TEST_F(RebuildTest, AnEmptyListIsRefused) {
    EXPECT_FALSE(kx::app::rebuildPreviews(db, renderer, settings).ok);
    EXPECT_EQ(ui.lastMessage(), "Invalid Texture List");
}

TEST_F(RebuildTest, WritesAScriptAndAScenePerMissingPreview) {
    ASSERT_EQ(InitTextureBuiler((std::string(KALVEX_DATA_DIR) + "/povray37.inf").c_str()), 1);
    CustomTexure* t = GetCustomTexture(1);
    std::snprintf(t->freeForm, sizeof t->freeForm, "pigment { Orange }");
    ASSERT_EQ(SaveCustomTexture("Mine"), 1);
    add("Red", 1, "tex001");
    add("Jade", 2, "tex002");
    add("None", 0, "tex003");          // deleted
    add("a}b", 2, "tex004");           // no identifier
    add("Mine", 6, "tex005");
    add("Gone", 6, "tex006");          // a user texture that is not in the database
    add("Done", 2, "tex007");
    add("NoShort", 2, "NULL");
    add("it's", 2, "tex'8");           // a short name no file may have
    fs::create_directories(dir.file("textures"));
    std::ofstream(dir.file("textures/TEX007.TGA")) << "x";

    kx::app::RebuildResult r = kx::app::rebuildPreviews(db, renderer, settings);
    ASSERT_TRUE(r.ok) << ui.lastMessage();
    ASSERT_EQ(r.jobs.size(), 3u);
    EXPECT_EQ(r.jobs[0].shortName, "tex001");
    EXPECT_EQ(r.jobs[1].shortName, "tex002");
    EXPECT_EQ(r.jobs[2].shortName, "tex005");
    const std::string folder = dir.file("textures");
    EXPECT_EQ(r.scriptPath, folder + "/TEXTURES.sh");
    EXPECT_EQ(r.message, "Run the " + folder + "/TEXTURES.sh batch file to render missing texture images");
    const std::vector<std::string> redArgs = {"/usr/bin/povray", "-D", "+FT", "+I" + folder + "/tex001.pov",
                                              "+O" + folder + "/tex001.tga", "+W100", "+H100",
                                              "+L/usr/share/povray-3.7/include", "+Q1"};
    EXPECT_EQ(r.jobs[0].argv, redArgs);
    const std::string script = dir.read("textures/TEXTURES.sh");
    EXPECT_EQ(script.rfind("#!/bin/sh\ncd \"$(dirname \"$0\")\" || exit 1\n" + kx::platform::shellLine(redArgs, true) + "\n", 0), 0u)
        << script;
    EXPECT_EQ(script.find('\r'), std::string::npos);
    EXPECT_EQ(std::count(script.begin(), script.end(), '\n'), 5);
    struct stat st{};
    ASSERT_EQ(::stat(dir.file("textures/TEXTURES.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);

    const std::string red = dir.read("textures/tex001.pov");
    EXPECT_EQ(red.rfind("// Scene Created by the Kalvex 2.0\r\n", 0), 0u);
    EXPECT_NE(red.find(" texture { pigment { Red } }\r\n"), std::string::npos);
    EXPECT_NE(dir.read("textures/tex002.pov").find(" texture { Jade }\r\n"), std::string::npos);
    const std::string mine = dir.read("textures/tex005.pov");
    EXPECT_NE(mine.find("#declare Mine = \r\ntexture {\r\npigment { Orange }\r\n"), std::string::npos) << mine;
    EXPECT_NE(mine.find(" texture { Mine }\r\n"), std::string::npos);
    for (const char* none : {"tex003.pov", "tex004.pov", "tex006.pov", "tex007.pov"})
        EXPECT_FALSE(fs::exists(dir.file(std::string("textures/") + none))) << none;
}

}  // namespace

namespace {

TEST_F(RebuildTest, TheBuildersPreviewsDeclareTheirTextureOrJoinLayers) {
    ASSERT_EQ(InitTextureBuiler((std::string(KALVEX_DATA_DIR) + "/povray37.inf").c_str()), 1);
    std::snprintf(GetCustomTexture(1)->freeForm, 1024, "pigment { Orange }");
    add("Red", 1, "tex000");
    kx::app::PreviewJob job;
    std::string shortName;
    EXPECT_FALSE(kx::app::prepareBuilderPreview(db, renderer, settings, "", shortName, 0, job));
    EXPECT_EQ(ui.lastMessage(), "No texture name specified");
    kx::app::RendererDefinition none{};
    EXPECT_FALSE(kx::app::prepareBuilderPreview(db, none, settings, "Mine", shortName, 0, job));
    EXPECT_EQ(ui.lastMessage(), "External renderer not defined");

    ASSERT_TRUE(kx::app::prepareBuilderPreview(db, renderer, settings, "Mine", shortName, kx::app::kPreviewSky, job))
        << ui.lastMessage();
    EXPECT_EQ(shortName, "tex001");
    EXPECT_EQ(std::count(job.argv.begin(), job.argv.end(), "+Q1"), 0);  // quality 0 adds nothing
    const std::string sky = dir.read("textures/tex001.pov");
    EXPECT_NE(sky.find("\r\n#declare Mine = \r\npigment { Orange }\r\n// CAMERA POSITION"), std::string::npos) << sky;
    EXPECT_NE(sky.find("sky_sphere {\r\n pigment { Mine }\r\n"), std::string::npos) << sky;

    ASSERT_TRUE(kx::app::prepareLayeredPreview(db, renderer, settings, "Jade+Gold", kx::app::kPreviewSphere, job));
    EXPECT_EQ(job.shortName, "Layers$");
    EXPECT_NE(dir.read("textures/Layers$.pov").find(" texture { Jade }\r\n texture { Gold }\r\n"), std::string::npos);
    EXPECT_FALSE(kx::app::prepareLayeredPreview(db, renderer, settings, "Jade+}", kx::app::kPreviewSphere, job));
}

}  // namespace
