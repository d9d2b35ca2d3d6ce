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
#include "startup/core_session.h"

namespace kx::app {
namespace {

std::atomic<bool> interrupted{false};
std::atomic<int> interruptedBy{0};

void onInterrupt(int signal) {
    interruptedBy = signal;
    interrupted = true;
}

HWND ownerWindow() { return CoreSession::ownerWindow(); }

bool loadScene(const std::string& path) {
    if (!std::filesystem::exists(path) && !std::filesystem::exists(path + ".CAD")) {
        std::fprintf(stderr, "kalvex: no such scene: %s\n", path.c_str());
        return false;
    }
    // A scene that was not read whole is not rendered or exported as if it
    // were: the reader has said what went wrong.
    if (!Read3Dfile(GetCurrentScene(), path.c_str(), 1)) {
        std::fprintf(stderr, "kalvex: %s could not be read completely\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int runExport(const CommandLine& cl) {
    CoreSession session;
    session.start({});
    int status = 1;
    if (!loadScene(cl.scene)) {
        // The reader said why; a partial scene is not exported.
    } else if (!GetCadObject(nullptr)) {
        // Writing nothing over a file the user has would only lose it.
        std::fprintf(stderr, "kalvex: %s holds no objects; %s is left as it was\n", cl.scene.c_str(),
                     cl.output.c_str());
    } else {
        unsigned type = cl.type.empty() ? 0 : fileTypeFromText(cl.type);
        if (Write3Dfile(GetCurrentScene(), cl.output.c_str(), type)) {
            status = 0;
        }
    }
    return status;
}

int runRender(const CommandLine& cl) {
    CoreSession session;
    session.start({});
    Settings& settings = session.settings();
    if (cl.width) settings.render.renderX = *cl.width;
    if (cl.height) settings.render.renderY = *cl.height;
    if (cl.quality) settings.render.quality = *cl.quality;
    // "Preview only" renders nothing; from the command line the first external
    // renderer is meant.
    if ((settings.render.type <= 0 ||
         static_cast<size_t>(settings.render.type) >= session.renderers().entries.size()) &&
        session.renderers().entries.size() > 1) {
        settings.render.type = 1;
        session.reloadRenderers();
    }
    const RendererList& renderers = session.renderers();

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
        // A closed terminal and a quit request stop the render as Ctrl-C does,
        // so the renderer is never left behind.
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(signal, &action, nullptr);
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
                // Shells take 128 + the signal's number as "stopped by the user".
                if (interruptedBy != 0) status = 128 + interruptedBy;
            } else if (outcome.ok && pxDisplayImageEx(ownerWindow(), outcome.imagePath.c_str(), 1)) {
                PxImageInfo info{};
                pxGetImageInfo(&info);
                std::printf("Image: %s\n", outcome.imagePath.c_str());
                status = 0;
            } else if (outcome.ok) {
                std::fprintf(stderr, "kalvex: the image %s could not be read\n", outcome.imagePath.c_str());
            }
        }
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) ::signal(signal, SIG_DFL);
    }
    return status;
}

}  // namespace kx::app
