// The command-line jobs: export a scene, or render it through the configured renderer.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "cli/command_line.h"
#include "kxcore.h"
#include "kxplatform/ini_store.h"
#include "pixmo.h"
#include "render/network_render.h"
#include "render/render_job.h"
#include "settings/settings.h"
#include "startup/data_folder.h"

namespace kx::app {
namespace {

std::atomic<bool> interrupted{false};

void onInterrupt(int) { interrupted = true; }

// The image library wants an owner window; the command line has none, so it
// gets a token that stands for "the program".
struct CommandLineOwner {
} owner;
HWND ownerWindow() { return reinterpret_cast<HWND>(&owner); }

struct Session {
    Settings settings;
    std::string dataFolder;
};

// Start-up without a display: image library, core, settings, data folder.
Session startHeadless() {
    Session s;
    pxRegisterApplication(ownerWindow(), "Kalvex");
    InitCore(nullptr, "Kalvex");
    platform::IniStore store;
    store.load(platform::IniStore::defaultPath());
    s.settings = loadSettings(store);
    s.dataFolder = prepareUserDataFolder(s.settings.directories.program, shippedDataFolder());
    applyToCore(s.settings);
    // The building blocks user textures are exported from.
    InitTextureBuiler("povray3.def");
    InitKalvexEvent();
    InitScene();
    return s;
}

void stopHeadless() {
    ClearScene(GetCurrentScene());
    ClearKalvexEvent();
    ExitTextureBuiler();
    ExitCore();
    pxUnRegisterApplication();
}

// Where Write3Dfile puts a format's file: export formats take their own
// extension in place of the given one, OBJ adds ".OBJ" to a name without one.
std::string exportedPath(const std::string& out, unsigned type) {
    if (type == 0) type = GetCadFileType(out.c_str());
    if (type == KX_FILETYPE_KALVEX) return out;
    if (type == KX_FILETYPE_WAVEFRONT) {
        const std::string name = std::filesystem::path(out).filename().string();
        return name.find('.') == std::string::npos ? out + ".OBJ" : out;
    }
    return AddNewExt(out.c_str(), GetCadFileExtension(type));
}

bool loadScene(const std::string& path) {
    if (!std::filesystem::exists(path) && !std::filesystem::exists(path + ".CAD")) {
        std::fprintf(stderr, "kalvex: no such scene: %s\n", path.c_str());
        return false;
    }
    return Read3Dfile(GetCurrentScene(), path.c_str(), 1) != 0;
}

}  // namespace

int runExport(const CommandLine& cl) {
    startHeadless();
    int status = 1;
    if (loadScene(cl.scene)) {
        unsigned type = cl.type.empty() ? 0 : fileTypeFromText(cl.type);
        if (Write3Dfile(GetCurrentScene(), cl.output.c_str(), type)) {
            status = 0;
            std::printf("Exported: %s\n", exportedPath(cl.output, type).c_str());
        }
    }
    stopHeadless();
    return status;
}

int runRender(const CommandLine& cl) {
    Session session = startHeadless();
    Settings& settings = session.settings;
    if (cl.width) settings.render.renderX = *cl.width;
    if (cl.height) settings.render.renderY = *cl.height;
    if (cl.quality) settings.render.quality = *cl.quality;
    RendererList renderers = loadRendererDefinitions(settings.directories.program, settings.render.type);
    // "Preview only" renders nothing; from the command line the first external
    // renderer is meant.
    if ((settings.render.type <= 0 || static_cast<size_t>(settings.render.type) >= renderers.entries.size()) &&
        renderers.entries.size() > 1) {
        settings.render.type = 1;
        renderers = loadRendererDefinitions(settings.directories.program, 1);
    }
    if (settings.directories.render.empty()) settings.directories.render = renderers.defaultProgramPath;
    if (settings.directories.include.empty()) settings.directories.include = renderers.defaultIncludePath;

    std::string scene = std::filesystem::absolute(cl.scene).string();
    int status = 1;
    if (cl.network) {
        platform::IniStore store;
        store.load(platform::IniStore::defaultPath());
        NetworkServer server;
        if (!readNetworkServer(store, 0, server)) {
            std::fprintf(stderr, "kalvex: no render server configured (NetRender)\n");
        } else if (loadScene(scene)) {
            POINT size{settings.render.renderX, settings.render.renderY};
            SetCameraSize(GetActiveCamera(), size);
            status = startNetworkRender(renderers.current(settings.render.type), settings, server, scene) ? 0 : 1;
        }
        stopHeadless();
        return status;
    }
    if (loadScene(scene)) {
        RenderJob job(settings, renderers);
        std::mutex outputLock;
        RenderJob::Callbacks callbacks;
        callbacks.output = [&outputLock](const std::string& piece) {
            std::lock_guard<std::mutex> lock(outputLock);
            std::fwrite(piece.data(), 1, piece.size(), stdout);
            std::fflush(stdout);
        };
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
        if (job.start(scene, callbacks)) {
            std::printf("%s\n", job.command().text.c_str());
            std::fflush(stdout);
            while (job.running()) {
                if (interrupted) job.cancel();
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            RenderOutcome outcome = job.wait();
            if (outcome.cancelled) {
                std::fprintf(stderr, "kalvex: render cancelled\n");
            } else if (outcome.ok && pxDisplayImageEx(ownerWindow(), outcome.imagePath.c_str(), 1)) {
                PxImageInfo info{};
                pxGetImageInfo(&info);
                std::printf("Image: %s\n", outcome.imagePath.c_str());
                status = 0;
            } else if (outcome.ok) {
                std::fprintf(stderr, "kalvex: the image %s could not be read\n", outcome.imagePath.c_str());
            }
        }
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
    }
    stopHeadless();
    return status;
}

}  // namespace kx::app
