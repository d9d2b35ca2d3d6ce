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
        }
    }
    stopHeadless();
    return status;
}

namespace {

// The renderer of a command-line render, with the sizes the arguments give.
RendererList prepareRender(const CommandLine& cl, Settings& settings) {
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
    return renderers;
}

struct InterruptScope {
    InterruptScope() {
        interrupted = false;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
    ~InterruptScope() {
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
    }
};

// Runs one render job to its end; the image it read back, or empty.
std::string renderOnce(const Settings& settings, const RendererList& renderers, const std::string& document,
                       bool printCommand) {
    RenderJob job(settings, renderers);
    std::mutex outputLock;
    RenderJob::Callbacks callbacks;
    callbacks.output = [&outputLock](const std::string& piece) {
        std::lock_guard<std::mutex> lock(outputLock);
        std::fwrite(piece.data(), 1, piece.size(), stdout);
        std::fflush(stdout);
    };
    if (!job.start(document, callbacks)) return {};
    if (printCommand) {
        std::printf("%s\n", job.command().text.c_str());
        std::fflush(stdout);
    }
    while (job.running()) {
        if (interrupted) job.cancel();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    RenderOutcome outcome = job.wait();
    if (outcome.cancelled) {
        std::fprintf(stderr, "kalvex: render cancelled\n");
    } else if (outcome.ok && pxDisplayImageEx(ownerWindow(), outcome.imagePath.c_str(), 1)) {
        return outcome.imagePath;
    } else if (outcome.ok) {
        std::fprintf(stderr, "kalvex: the image %s could not be read\n", outcome.imagePath.c_str());
    }
    return {};
}

// Where the frames of an animation go: its folder relative to the scene's
// (the scene's own when none is set), made when missing; empty when it cannot be.
std::string frameFolder(const std::string& scene) {
    namespace fs = std::filesystem;
    std::string dir = GetAniSettings(nullptr)->dir;
    for (char& c : dir)
        if (c == '\\') c = '/';
    fs::path folder = fs::path(scene).parent_path();
    if (!dir.empty()) folder = fs::path(dir).is_absolute() ? fs::path(dir) : folder / dir;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        std::fprintf(stderr, "kalvex: the frame folder %s cannot be made\n", folder.string().c_str());
        return {};
    }
    return folder.string();
}

int renderFrames(const CommandLine& cl, Settings& settings, RendererList& renderers, const std::string& scene) {
    unsigned first = 0, last = 0;
    if (!IsAni() || GetMaxFrame() == 0) {
        std::fprintf(stderr, "kalvex: %s has no animation\n", cl.scene.c_str());
        return 2;
    }
    if (!frameRange(cl.frames, GetMaxFrame(), first, last)) {
        std::fprintf(stderr, "kalvex: frames %s are outside 0-%u\n", cl.frames.c_str(), GetMaxFrame() - 1);
        return 2;
    }
    const std::string folder = frameFolder(scene);
    if (folder.empty()) return 1;
    const std::string stem =
        safeFrameStem(GetAniSettings(nullptr)->name, std::filesystem::path(scene).stem().string());
    const RendererDefinition& renderer = renderers.current(settings.render.type);
    const size_t index = static_cast<size_t>(&renderer - renderers.entries.data());
    const int count = static_cast<int>(last - first + 1);
    int failed = 0;
    InterruptScope interrupts;
    for (int i = 0; i < count && !interrupted; ++i) {
        int offset = i;
        if (cl.insideOut) InsideOut(count, i, &offset, nullptr);
        const unsigned frame = first + static_cast<unsigned>(offset);
        SetObjectsToFrame(frame);
        renderers.entries[index].frame = static_cast<int32_t>(frame);
        const std::string document = folder + "/" + stem + std::to_string(frame) + ".cad";
        const std::string image = renderOnce(settings, renderers, document, false);
        if (image.empty()) {
            std::fprintf(stderr, "kalvex: frame %u failed\n", frame);
            ++failed;
        } else {
            std::printf("Frame %u: %s\n", frame, image.c_str());
            std::fflush(stdout);
        }
    }
    if (interrupted) std::fprintf(stderr, "kalvex: render cancelled\n");
    return failed == 0 && !interrupted ? 0 : 1;
}

}  // namespace

int runRender(const CommandLine& cl) {
    Session session = startHeadless();
    Settings& settings = session.settings;
    RendererList renderers = prepareRender(cl, settings);
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
    if (!cl.frames.empty()) {
        status = loadScene(scene) ? renderFrames(cl, settings, renderers, scene) : 1;
        stopHeadless();
        return status;
    }
    if (loadScene(scene)) {
        InterruptScope interrupts;
        const std::string image = renderOnce(settings, renderers, scene, true);
        if (!image.empty()) {
            std::printf("Image: %s\n", image.c_str());
            status = 0;
        }
    }
    stopHeadless();
    return status;
}

}  // namespace kx::app
