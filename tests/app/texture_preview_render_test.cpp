// Preview scenes rendered by the real POV-Ray through the shipped renderer
// definition, several at once, in a temporary textures folder.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>

#include "core_fixture.h"
#include "pixmo.h"
#include "render/renderer_definitions.h"
#include "texbuild/texture_previews.h"

namespace {

namespace fs = std::filesystem;
using kx::app::PreviewScene;
using kx::app::TextureForm;

enum class Hue { Red, Green, Blue, Yellow };

bool hasHue(uint32_t colour, Hue hue) {
    const int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    switch (hue) {
        case Hue::Red: return r > g + 50 && r > b + 50;
        case Hue::Green: return g > r + 20 && g > b + 10;
        case Hue::Blue: return b > r + 25 && b > g + 15;
        case Hue::Yellow: return r > b + 50 && g > b + 50;
    }
    return false;
}

class TexturePreviewRenderTest : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        ASSERT_TRUE(fs::exists("/usr/bin/povray")) << "scripts/setup-deps.sh installs povray";
        SetProgramPath(dir.path().c_str());
        renderers = kx::app::loadRendererDefinitions(KALVEX_DATA_DIR, 1);
        ASSERT_GE(renderers.entries.size(), 2u) << ui.lastMessage();
        settings.directories.program = dir.path().string();
        settings.directories.render = renderers.defaultProgramPath;
        settings.directories.include = renderers.defaultIncludePath;
        settings.render.type = 1;
        folder = dir.file("textures");
        fs::create_directories(folder);
        pxRegisterApplication(reinterpret_cast<HWND>(&owner), "test");
    }
    void TearDown() override {
        pxUnRegisterApplication();
        CoreTest::TearDown();
    }
    std::vector<kx::app::PreviewResult> renderAll(std::vector<kx::app::PreviewJob> jobs, unsigned parallel) {
        std::vector<kx::app::PreviewResult> results;
        std::mutex lock;
        kx::app::PreviewRenderPool pool;
        EXPECT_TRUE(pool.start(std::move(jobs), parallel, [&](const kx::app::PreviewResult& r) {
            std::lock_guard<std::mutex> guard(lock);
            results.push_back(r);
        }));
        pool.wait();
        return results;
    }

    int owner = 0;
    kx::app::RendererList renderers;
    kx::app::Settings settings;
    std::string folder;
};

TEST_F(TexturePreviewRenderTest, PreviewScenesRenderWithTheirColours) {
    ASSERT_EQ(InitTextureBuiler((std::string(KALVEX_DATA_DIR) + "/povray37.inf").c_str()), 1);
    CustomTexure* current = GetCustomTexture(1);
    std::snprintf(current->freeForm, sizeof current->freeForm, "pigment { color rgb <1, 1, 0> }");
    struct Case {
        PreviewScene scene;
        Hue hue;
    };
    const Case cases[] = {
        {{"Red", "tex001", kx::app::kPreviewSphere, TextureForm::Pigment, false, false, 0, 64}, Hue::Red},
        {{"Jade", "tex002", kx::app::kPreviewBox, TextureForm::Layered, false, false, 0, 64}, Hue::Green},
        {{"Gold_Texture", "tex007", kx::app::kPreviewSphere, TextureForm::Layered, false, false, 0, 64}, Hue::Yellow},
        {{"Blue_Agate", "tex003", kx::app::kPreviewCylinder, TextureForm::Layered, false, false, 0, 64}, Hue::Blue},
        {{"Mine", "tex004", kx::app::kPreviewTorus, TextureForm::Layered, true, false, 0, 64}, Hue::Yellow},
        {{"Blue_Sky", "tex005", kx::app::kPreviewSky, TextureForm::Layered, false, false, 0, 64}, Hue::Blue},
        {{"Red", "tex006", kx::app::kPreviewPlane, TextureForm::Pigment, false, false, 0, 64}, Hue::Red},
        {{"Jade", "Layers$", kx::app::kPreviewCone, TextureForm::Layered, false, false, 0, 64}, Hue::Green},
    };
    std::vector<kx::app::PreviewJob> jobs;
    for (const Case& c : cases) {
        kx::app::PreviewJob job;
        ASSERT_TRUE(kx::app::preparePreview(folder, renderers.current(1), settings, c.scene, job)) << ui.lastMessage();
        jobs.push_back(job);
    }
    std::vector<kx::app::PreviewResult> results = renderAll(jobs, 4);
    ASSERT_EQ(results.size(), jobs.size());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scene.shortName + " " + c.scene.textureName);
        auto r = std::find_if(results.begin(), results.end(),
                              [&](const kx::app::PreviewResult& x) { return x.shortName == c.scene.shortName; });
        ASSERT_NE(r, results.end());
        EXPECT_EQ(r->exitCode, 0);
        ASSERT_TRUE(r->ok);
        EXPECT_EQ(r->imagePath, folder + "/" + c.scene.shortName + ".tga");
        ASSERT_NE(pxDisplayImageEx(reinterpret_cast<HWND>(&owner), r->imagePath.c_str(), 1), 0);
        // The shape fills much of the image; a lit texture shows its hue on a good part of it.
        int matching = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) matching += hasHue(pxGetPixelRGB(nullptr, x, y), c.hue);
        EXPECT_GT(matching, 64 * 64 / 10);
    }
}

// Every entry of the shipped library renders in the form its kind asks for:
// a wrong kind in the file makes POV-Ray stop.
TEST_F(TexturePreviewRenderTest, EveryShippedEntryRenders) {
    kx::app::TextureDatabase db;
    db.setFolders(KALVEX_DATA_DIR, folder);
    kx::platform::IniStore store;
    ASSERT_TRUE(db.load(std::string(KALVEX_DATA_DIR) + "/povray37.inf", store)) << ui.lastMessage();
    kx::app::RebuildResult rebuild = kx::app::rebuildPreviews(db, renderers.current(1), settings);
    ASSERT_TRUE(rebuild.ok) << ui.lastMessage();
    size_t listed = 0;
    for (TextureInfo* t = GetTexture(nullptr); t; t = t->next) ++listed;
    ASSERT_EQ(rebuild.jobs.size(), listed);
    std::vector<kx::app::PreviewResult> results = renderAll(rebuild.jobs, 8);
    ASSERT_EQ(results.size(), listed);
    for (const kx::app::PreviewResult& r : results) EXPECT_TRUE(r.ok) << r.textureName << " exit " << r.exitCode;
}

}  // namespace
