// kalvex --preview and --thumbnail: one shaded picture of a scene, drawn on
// this thread by the preview's own path; the preview is written as a Targa
// file through the image library, the thumbnail as a square PNG.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "cli/command_line.h"
#include "cli/png_file.h"
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

// Draws the scene through its camera at width x height on this thread.
bool drawScene(int width, int height, bool textured, KeptFrame& frame) {
    {
        // The camera's picture fills the image, as the renderer's would.
        SceneModel::Transaction change(SceneDelta::Camera);
        if (!change.owns()) return false;
        SetCameraSize(GetActiveCamera(), POINT{width, height});
    }
    frame.width = width;
    frame.height = height;
    // Without a window the texts go to the terminal.
    PreviewDriver driver(libraryBackend(), [](const std::string& text) { std::fprintf(stderr, "kalvex: %s\n", text.c_str()); },
                         PreviewDriver::Threading::CallingThread);
    driver.setPreviewRender(textured ? KXRENDER_TEXTURED : KXRENDER_SHADED);
    if (!driver.Start(&frame)) {
        std::fprintf(stderr, "kalvex: the preview could not be started\n");
        return false;
    }
    driver.Redraw();
    driver.Stop();
    return true;
}

}  // namespace

// How long a command-line preview lets one shape's stand-in take to mesh.
constexpr double kJobShapeProxyMilliseconds = 20000;

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
    // The stand-ins of shapes meshed from a field (isosurfaces, parametric
    // surfaces) are made coarser when they take longer than a window can
    // wait; a picture asked for on the command line waits for the fine ones,
    // so that it shows the same on a busy machine as on an idle one.
    SetShapeProxyBudget(kJobShapeProxyMilliseconds);
    if (!loadSceneForJob(std::filesystem::absolute(cl.scene).string(), settings)) return 1;
    KeptFrame frame;
    if (!drawScene(width, height, cl.textured, frame)) return 1;
    if (!writePicture(frame, cl.output)) {
        std::fprintf(stderr, "kalvex: %s could not be written\n", cl.output.c_str());
        return 1;
    }
    std::printf("Image: %s\n", cl.output.c_str());
    return 0;
}

ThumbnailShape thumbnailShape(int size, int renderWidth, int renderHeight) {
    ThumbnailShape shape{size, size, 0, 0};
    if (renderWidth < 1 || renderHeight < 1) return shape;
    // The shorter side of the render's shape becomes the thumbnail's side;
    // the middle of the longer one is kept.
    const double aspect = static_cast<double>(renderWidth) / renderHeight;
    const int limit = static_cast<int>(kMaxImageMapSide);
    if (aspect >= 1.0) shape.width = std::min(limit, std::max(size, static_cast<int>(std::lround(size * aspect))));
    else shape.height = std::min(limit, std::max(size, static_cast<int>(std::lround(size / aspect))));
    shape.left = (shape.width - size) / 2;
    shape.top = (shape.height - size) / 2;
    return shape;
}

int runThumbnail(const CommandLine& cl) {
    // A file manager asks for pictures of every scene it lists, received
    // ones too: nothing of the scene runs, and no plug-in is loaded.
    CoreSession session;
    session.start({});
    Settings& settings = session.settings();
    const int size = cl.size.value_or(kDefaultThumbnailSize);
    if (!loadSceneForJob(std::filesystem::absolute(cl.scene).string(), settings, SceneScripts::Skip)) return 1;
    const ThumbnailShape shape = thumbnailShape(size, settings.render.renderX, settings.render.renderY);
    KeptFrame frame;
    if (!drawScene(shape.width, shape.height, false, frame)) return 1;
    if (frame.frameWidth < shape.left + size || frame.frameHeight < shape.top + size) {
        std::fprintf(stderr, "kalvex: the preview drew no picture of %s\n", cl.scene.c_str());
        return 1;
    }
    std::vector<uint32_t> square(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            square[static_cast<size_t>(y) * size + x] =
                frame.pixels[static_cast<size_t>(y + shape.top) * frame.frameWidth + x + shape.left];
    std::string error;
    if (!writePngFile(cl.output, square, size, size, error)) {
        std::fprintf(stderr, "kalvex: %s could not be written: %s\n", cl.output.c_str(), error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace kx::app
