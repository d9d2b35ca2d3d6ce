#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core_fixture.h"
#include "render/render_job.h"
#include "render/render_road.h"

namespace {

// Fake renderers: shell scripts that behave like one, called with the command
// "<script> +I<scene> +O<image> +W<w> +H<h>".
class RenderJobTest : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
        CreateDefaultSphere();
        settings.directories.program = dir.path().string();
        settings.render.type = 1;
        settings.render.renderX = 32;
        settings.render.renderY = 16;
        kx::app::RendererDefinition preview{};
        std::strcpy(preview.infoFile, "$INTERNAL");
        kx::app::RendererDefinition fake{};
        std::strcpy(fake.infoFile, "fake.inf");
        std::strcpy(fake.commandTemplate, "$O $I $W $H [+GF$<");
        fake.type = 1;  // the scene is handed over in the native format
        renderers.entries = {preview, fake};
    }
    void useScript(const std::string& body) {
        std::string path = dir.file("fake renderer.sh");
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        settings.directories.render = path;
    }
    kx::app::Settings settings;
    kx::app::RendererList renderers;
};

TEST_F(RenderJobTest, SuccessfulRunReportsTheImage) {
    // Writes a tiny file as the image and echoes its arguments.
    useScript("echo \"scene=$1\"; test -s \"$1\" || exit 9; printf 'TGA' > \"$2\"; echo \"size=$3x$4\"");
    kx::app::RenderJob job(settings, renderers);
    std::string seen;
    std::atomic<int> finished{0};
    kx::app::RenderJob::Callbacks cb;
    cb.output = [&seen](const std::string& piece) { seen += piece; };
    cb.finished = [&finished](const kx::app::RenderOutcome&) { ++finished; };
    std::string scene = dir.file("my scene.cad");
    ASSERT_TRUE(job.start(scene, cb));
    kx::app::RenderOutcome out = job.wait();
    EXPECT_TRUE(out.ok) << out.message;
    EXPECT_EQ(out.imagePath, dir.file("my scene.tga"));
    EXPECT_EQ(finished, 1);
    EXPECT_NE(seen.find("scene=" + scene), std::string::npos);
    EXPECT_NE(seen.find("size=32x16"), std::string::npos);
    EXPECT_EQ(GetActiveCamera()->width, 32);
}

TEST_F(RenderJobTest, FailuresShowExitCodeOutputOrRenderErrors) {
    useScript("echo 'Parse Error: bad scene'; exit 3");
    {
        kx::app::RenderJob job(settings, renderers);
        ASSERT_TRUE(job.start(dir.file("a.cad"), {}));
        kx::app::RenderOutcome out = job.wait();
        EXPECT_FALSE(out.ok);
        EXPECT_EQ(out.exitCode, 3);
        EXPECT_EQ(ui.lastMessage(), "Error rendering scene, command exit code 3\nParse Error: bad scene\n");
    }
    // Exit 0 without an image: the renderer's error file is shown under its own caption.
    useScript("for a; do case \"$a\" in +GF*) echo 'Fatal: no camera' > \"${a#+GF}\";; esac; done; exit 0");
    {
        kx::app::RenderJob job(settings, renderers);
        ASSERT_TRUE(job.start(dir.file("b.cad"), {}));
        kx::app::RenderOutcome out = job.wait();
        EXPECT_FALSE(out.ok);
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(ui.messages.back().caption, "Error rendering scene");
        EXPECT_EQ(ui.messages.back().text, "Fatal: no camera\n");
    }
}

TEST_F(RenderJobTest, CancelEndsAHangingRenderer) {
    useScript("echo working; sleep 300");
    kx::app::RenderJob job(settings, renderers);
    std::atomic<bool> started{false};
    kx::app::RenderJob::Callbacks cb;
    cb.output = [&started](const std::string&) { started = true; };
    ASSERT_TRUE(job.start(dir.file("c.cad"), cb));
    for (int i = 0; i < 200 && !started; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    job.cancel();
    kx::app::RenderOutcome out = job.wait();
    EXPECT_TRUE(out.cancelled);
    EXPECT_FALSE(out.ok);
}

TEST_F(RenderJobTest, NothingRunsWithoutARenderer) {
    settings.render.type = 0;
    kx::app::RenderJob preview(settings, renderers);
    EXPECT_FALSE(preview.start(dir.file("d.cad"), {}));
    settings.render.type = 1;
    std::filesystem::create_directory(dir.file("a-folder"));
    std::ofstream(dir.file("not-runnable")) << "#!/bin/sh\n";
    // One report, with the system's own reason and the program it could not start.
    const std::pair<const char*, const char*> cases[] = {
        {"missing-renderer", "Error 2 executing command\n%s: No such file or directory\n"
                             "No renderer is installed there: choose it under Render > Render Settings..."},
        {"a-folder", "Error 21 executing command\n%s: Is a directory\n"
                     "Choose the renderer program under Render > Render Settings..."},
        {"not-runnable", "Error 13 executing command\n%s: Permission denied\n"
                         "Choose the renderer program under Render > Render Settings..."},
    };
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        settings.directories.render = dir.file(name);
        kx::app::RenderJob job(settings, renderers);
        ui.clear();
        EXPECT_FALSE(job.start(dir.file("d.cad"), {}));
        for (const auto& m : ui.messages) EXPECT_EQ(m.text.find("Could not open"), std::string::npos) << m.text;
        std::string text = expected;
        text.replace(text.find("%s"), 2, dir.file(name));
        EXPECT_EQ(ui.lastMessage(), text);
    }
}

TEST_F(RenderJobTest, BatchFileAndImageNames) {
    settings.directories.render = "/usr/bin/povray";
    settings.directories.include = "/usr/share/povray-3.7/include";
    ASSERT_TRUE(kx::app::writeRenderBatch(settings, dir.file("ball.pov")));
    EXPECT_EQ(dir.read("ball.BAT"), "/usr/bin/povray %1 %2 %3 +l/usr/share/povray-3.7/include +w32 +h16 +i" +
                                        dir.file("ball.pov") + " +o" + dir.file("ball.tga") + "\r\n");
    // Paths reach the shell: quoted when it would split or act on them,
    // refused when quotes would not stop it.
    settings.directories.render = "/opt/pov ray;x/povray";
    ASSERT_TRUE(kx::app::writeRenderBatch(settings, dir.file("a&b.pov")));
    EXPECT_EQ(dir.read("a&b.BAT"), "\"/opt/pov ray;x/povray\" %1 %2 %3 +l/usr/share/povray-3.7/include +w32 +h16 +i\"" +
                                       dir.file("a&b.pov") + "\" +o\"" + dir.file("a&b.tga") + "\"\r\n");
    for (const char* bad : {"/opt/$(id)/povray", "/opt/`id`/povray", "/opt/a\"b/povray", "C:\\pov\\povray"}) {
        SCOPED_TRACE(bad);
        settings.directories.render = bad;
        EXPECT_FALSE(kx::app::writeRenderBatch(settings, dir.file("c.pov")));
        EXPECT_EQ(ui.lastMessage().rfind("Unable to create/save render batch file", 0), 0u) << ui.lastMessage();
        EXPECT_FALSE(std::filesystem::exists(dir.file("c.BAT")));
    }
    settings.directories.render = "/usr/bin/povray";
    settings.directories.include.clear();
    EXPECT_FALSE(kx::app::writeRenderBatch(settings, dir.file("ball.pov")));
    std::ofstream(dir.file("Upper.TGA")) << "x";
    EXPECT_EQ(kx::app::existingImage(dir.file("Upper.tga")), dir.file("Upper.TGA"));
    EXPECT_EQ(kx::app::existingImage(dir.file("none.tga")), dir.file("none.tga"));
}

}  // namespace

namespace {

// Which renderers get meshes as mesh2 on the render road, and that the
// core's choice for exports comes back once the render's export is written.
TEST_F(RenderJobTest, TheRenderRoadWritesMesh2ForRenderersThatReadIt) {
    struct Case {
        int type;
        const char* description;
        bool mesh2;
    } cases[] = {
        {KX_FILETYPE_POVRAY3, "POV-Ray 3.7", true},     {KX_FILETYPE_POVRAY3, "POV-Ray 3.5 (beta)", true},
        {KX_FILETYPE_POVRAY3, "POV-Ray 3.1g", false},   {KX_FILETYPE_POVRAY3, "My POV-Ray 3.0 build", false},
        {KX_FILETYPE_POVRAY3, "POV-Ray 4.0", true},     {KX_FILETYPE_POVRAY3, "The house renderer", true},
        {KX_FILETYPE_POVRAY2, "POV-Ray 3.7", false},    {1, "POV-Ray 3.7", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        kx::app::RendererDefinition renderer{};
        renderer.type = c.type;
        std::strcpy(renderer.description, c.description);
        EXPECT_EQ(kx::app::rendererReadsMesh2(renderer), c.mesh2);
        for (int setting : {1, 0}) {
            for (int before : {0, 1}) {
                SetExportMesh2(before);
                kx::app::Settings s;
                s.render.mesh2 = setting;
                {
                    const kx::app::RenderRoadExport road(renderer, s);
                    EXPECT_EQ(GetExportMesh2(), (c.mesh2 && setting) || before);
                }
                EXPECT_EQ(GetExportMesh2(), before);
            }
        }
    }
    SetExportMesh2(0);
}

// The cache keeps what any scene file beside it names, wherever in the file
// the include line stands (across the reader's megabyte steps too), and
// removes the rest.
TEST_F(RenderJobTest, CacheCleaningKeepsEveryIncludeAScenesLineNames) {
    namespace fs = std::filesystem;
    const std::string folder = dir.file("scene.kxmesh");
    fs::create_directories(folder);
    const char* kept[] = {"first.inc", "straddling.inc", "last.inc", "crlf.inc", "own.inc"};
    const char* removed[] = {"unnamed.inc", "midline.inc", "longline.inc"};
    for (const char* name : kept) std::ofstream(folder + "/" + name) << "//\n";
    for (const char* name : removed) std::ofstream(folder + "/" + name) << "//\n";
    const std::string include = "#include \"" + folder + "/";
    {
        std::ofstream big(dir.file("big.pov"), std::ios::binary);
        big << include << "first.inc\"\n";
        // The next include line begins a few bytes before the first megabyte ends.
        const size_t step = size_t{1} << 20;
        const std::string filler(step - include.size() / 2 - 1 - (include.size() + 11), 'x');
        big << filler << "\n" << include << "straddling.inc\"\n";
        big << "// " << include << "midline.inc\"\n";
        big << std::string(3 * step, 'y') << include << "longline.inc\"\n";
        big << include << "crlf.inc\"\r\n" << include << "last.inc\"";
    }
    std::ofstream(dir.file("scene.pov")) << include << "own.inc\"\n";
    kx::app::cleanMeshCache(folder, dir.file("scene.pov"), uint64_t{1} << 30, 0);
    for (const char* name : kept) EXPECT_TRUE(fs::exists(folder + "/" + name)) << name;
    for (const char* name : removed) EXPECT_FALSE(fs::exists(folder + "/" + name)) << name;
}

}  // namespace
