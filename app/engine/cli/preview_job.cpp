// kalvex --preview: one shaded picture of a scene, drawn on this thread by the
// preview's own path and written as a Targa file through the image library.
#include <cstdio>
#include <filesystem>
#include <vector>

#include "cli/command_line.h"
#include "model/scene_model.h"
#include "kxcore.h"
#include "pixmo.h"
#include "preview/preview_driver.h"
#include "settings/settings.h"
#include "startup/core_session.h"

namespace kx::app {

namespace {

// Keeps the last picture the library delivered.
struct KeptFrame : PreviewTarget {
    std::vector<uint32_t> pixels;
    int frameWidth = 0, frameHeight = 0;
    void deliver(const PreviewFrame& frame) override {
        frameWidth = frame.width;
        frameHeight = frame.height;
        pixels.assign(frame.pixels, frame.pixels + static_cast<size_t>(frame.width) * frame.height);
    }
};

// Copies the picture into the image library's current image and writes it.
bool writePicture(const KeptFrame& frame, const std::string& path) {
    if (frame.pixels.empty()) return false;
    if (!pxInitDisplay(frame.frameWidth, frame.frameHeight, 1)) return false;
    std::vector<unsigned char> row(static_cast<size_t>(frame.frameWidth) * 3);
    for (int y = 0; y < frame.frameHeight; ++y) {
        for (int x = 0; x < frame.frameWidth; ++x) {
            const uint32_t p = frame.pixels[static_cast<size_t>(y) * frame.frameWidth + x];
            row[x * 3] = p & 0xFF;
            row[x * 3 + 1] = (p >> 8) & 0xFF;
            row[x * 3 + 2] = (p >> 16) & 0xFF;
        }
        if (!out_line24(y, row.data(), frame.frameWidth)) return false;
    }
    // Line output may have gone to the scratch buffer: bring it to the surface.
    pxUpdateMemoryDC();
    return WriteTGATopFirst(pxGetMemDC(), path.c_str()) != 0;
}

}  // namespace

int runPreview(const CommandLine& cl) {
    CoreSession session;
    session.start({});
    Settings& settings = session.settings();
    const int width = cl.width ? *cl.width : settings.render.renderX;
    const int height = cl.height ? *cl.height : settings.render.renderY;
    if (width < 1 || height < 1 || width > static_cast<int>(kMaxImageMapSide) ||
        height > static_cast<int>(kMaxImageMapSide)) {
        std::fprintf(stderr, "kalvex: a preview is 1 to %u pixels each way\n", kMaxImageMapSide);
        return 2;
    }
    if (!loadSceneForJob(std::filesystem::absolute(cl.scene).string(), settings)) return 1;
    {
        // The camera's picture fills the image, as the renderer's would.
        SceneModel::Transaction change(SceneDelta::Camera);
        if (!change.owns()) return 1;
        SetCameraSize(GetActiveCamera(), POINT{width, height});
    }

    KeptFrame frame;
    frame.width = width;
    frame.height = height;
    // Without a window the texts go to the terminal.
    PreviewDriver driver(libraryBackend(), [](const std::string& text) { std::fprintf(stderr, "kalvex: %s\n", text.c_str()); },
                         PreviewDriver::Threading::CallingThread);
    driver.setPreviewRender(cl.textured ? KXRENDER_TEXTURED : KXRENDER_SHADED);
    if (!driver.Start(&frame)) {
        std::fprintf(stderr, "kalvex: the preview could not be started\n");
        return 1;
    }
    driver.Redraw();
    driver.Stop();
    if (!writePicture(frame, cl.output)) {
        std::fprintf(stderr, "kalvex: %s could not be written\n", cl.output.c_str());
        return 1;
    }
    std::printf("Image: %s\n", cl.output.c_str());
    return 0;
}

}  // namespace kx::app
