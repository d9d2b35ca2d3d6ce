// The command-line jobs: export a scene, or render it through the configured renderer.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <thread>

#include <strings.h>
#include <unistd.h>

#include "animation/animation_render.h"
#include "animation/frame_output.h"
#include "cli/command_line.h"
#include "cli/frame_farm.h"
#include "cli/output_forwarder.h"
#include "document/imported_scene.h"
#include "document/write_scene.h"
#include "model/scene_model.h"
#include "kxcore.h"
#include "kxplatform/files.h"
#include "kxplatform/ini_store.h"
#include "pixmo.h"
#include "render/command_builder.h"
#include "plugins/host_functions.h"
#include "plugins/host_state.h"
#include "plugins/plugin_manager.h"
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

// A mesh or scene of another program goes into a new scene of its own; the
// reader reports a failure itself.
// True when the scene holds something to see: an object other than the
// camera and the lights an import brings with it.
bool holdsGeometry() {
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        if (o->type != KX_LIGHT && o->type != KX_CAMERA && o->type != KX_GROUP) return true;
    return false;
}

// The formats that name an image size take the Render Settings' one, as the
// window's Export does; a scene file keeps its own camera as it was read.
void exportWithRenderSize(const Settings& settings, unsigned type) {
    if (type == KX_FILETYPE_KALVEX || type == kStatementFormScene || type == 0) return;
    SceneModel::Transaction change(SceneDelta::Camera);
    if (change.owns()) SetCameraSize(GetActiveCamera(), POINT{settings.render.renderX, settings.render.renderY});
}

bool importScene(const std::string& path, unsigned type, const Settings& settings) {
    const CameraInfo before = startImportedScene(settings.exports.useDefaults != 0);
    if (!Read3Dfile(GetCurrentScene(), path.c_str(), type)) return false;
    // A file that gave nothing would be exported as a camera and a light
    // over the output, and reported as done.
    if (!holdsGeometry()) {
        std::fprintf(stderr, "Unable to import %s: no geometry (the file holds nothing this reader takes)\n",
                     path.c_str());
        return false;
    }
    frameImportedScene(before);
    return true;
}

}  // namespace

std::string writableTypeList(bool withIds) {
    std::string list;
    auto add = [&](const KxFileTypeName& t) {
        // Only the types a file can be written as.
        if (t.id != KX_FILETYPE_KALVEX && t.id != kStatementFormScene && !IsWritableFileType(t.id)) return;
        list += std::string(list.empty() ? "" : ", ") + t.name;
        if (!withIds) return;
        std::string also;
        for (const KxFileTypeName& a : kTypeAliases)
            if (a.id == t.id) also += std::string(", also ") + a.name;
        // The scene's older statement form has no number of its own.
        if (t.id != kStatementFormScene) list += " (" + std::to_string(t.id) + also + ")";
    };
    for (const KxFileTypeName& t : KX_FILE_TYPE_NAMES) add(t);
    for (const KxFileTypeName& t : kCommandLineOnlyTypes) add(t);
    return list;
}

bool loadSceneForJob(const std::string& path, const Settings& settings, SceneScripts scripts) {
    SceneModel::Transaction change(SceneDelta::Replaced);
    if (!change.owns()) return false;
    unsigned type = fileTypeOfLastExtension(path);
    if (type == 0) type = GetCadFileType(path.c_str());
    // A file no reader of ours knows goes to the LOAD plug-in that offers its extension.
    if (type == 0) {
        plugins::PluginManager* m = plugins::hostState().manager;
        if (const int item = m ? m->fileItemFor(plugins::KindLoad, path) : -1; item >= 0) {
            CreateDefaultScene();
            if (m->openWithItem(item, path)) return true;
            std::fprintf(stderr, "kalvex: %s could not be read\n", path.c_str());
            return false;
        }
    }
    if (isImportedFileType(type)) return importScene(path, type, settings);
    if (!std::filesystem::exists(path) && !std::filesystem::exists(path + ".CAD")) {
        std::fprintf(stderr, "kalvex: no such scene: %s\n", path.c_str());
        return false;
    }
    // A scene that was not read whole is not rendered or exported as if it
    // were: the reader has said what went wrong.
    if (!Read3Dfile(GetCurrentScene(), path.c_str(), KX_FILETYPE_KALVEX)) {
        std::fprintf(stderr, "kalvex: %s could not be read completely\n", path.c_str());
        return false;
    }
    // As in the window, the scene's own start-up scripts run once it is read;
    // one that fails does not stop the job (its message says what happened).
    if (scripts == SceneScripts::Run) runSceneScriptsForJob(settings.script.startupInstructions);
    return true;
}

int runExport(const CommandLine& cl) {
    CoreSession session;
    CoreSessionOptions options;
    options.loadPlugins = !cl.noPlugins;
    session.start(options);
    plugins::PluginManager* m = session.pluginManager();
    // The type: a file type of ours, else a SAVE function by its description
    // or export name; without --type, the output's extension decides.
    unsigned type = cl.type.empty() ? 0 : fileTypeFromText(cl.type);
    int saveItem = -1;
    if (!cl.type.empty() && type == 0) {
        for (size_t i = 0; m && i < m->items().size() && saveItem < 0; ++i) {
            const plugins::PluginItem& item = m->items()[i];
            if (item.kindId == plugins::KindSave && (strcasecmp(item.description.c_str(), cl.type.c_str()) == 0 ||
                                                     strcasecmp(item.exportName.c_str(), cl.type.c_str()) == 0))
                saveItem = static_cast<int>(i);
        }
        if (saveItem < 0) {
            std::fprintf(stderr, "kalvex: unknown file type %s\n%s", cl.type.c_str(), usageText().c_str());
            return 2;
        }
    } else if (cl.type.empty()) {
        type = fileTypeOfLastExtension(cl.output);
        if (type == 0 && m) saveItem = m->fileItemFor(plugins::KindSave, cl.output);
        if (type == 0 && saveItem < 0) {
            std::fprintf(stderr, "kalvex: the type of %s is not known from its name; name it with --type (%s)\n",
                         cl.output.c_str(), writableTypeList(false).c_str());
            session.stop(false);
            return 2;
        }
    }
    int status = 1;
    if (!loadSceneForJob(cl.scene, session.settings())) {
        // The reader said why; a partial scene is not exported.
    } else if (!GetCadObject(nullptr)) {
        // Writing nothing over a file the user has would only lose it.
        std::fprintf(stderr, "kalvex: %s holds no objects; %s is left as it was\n", cl.scene.c_str(),
                     cl.output.c_str());
    } else if (saveItem >= 0) {
        if (m->saveWithItem(saveItem, cl.output) && std::filesystem::exists(cl.output)) {
            status = 0;
            std::printf("Exported: %s\n", cl.output.c_str());
        }
    } else {
        // The type is known here: from --type, or from the name (else refused above).
        exportWithRenderSize(session.settings(), type);
        if (writeSceneAs(cl.output, type)) {
            status = 0;
            std::printf("Exported: %s\n", exportPathFor(cl.output, type).c_str());
        }
    }
    session.stop(false);
    return status;
}

namespace {

// A closed terminal and a quit request stop a render as Ctrl-C does, so the
// renderer is never left behind.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

struct InterruptScope {
    InterruptScope() {
        interrupted = false;
        interruptedBy = 0;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        for (int signal : kStopSignals) sigaction(signal, &action, nullptr);
    }
    ~InterruptScope() {
        for (int signal : kStopSignals) ::signal(signal, SIG_DFL);
    }
};

// Shells take 128 + the signal's number as "stopped by the user".
int interruptedStatus() { return interruptedBy != 0 ? 128 + interruptedBy : 1; }

// Runs one render job to its end; the image it read back, or empty.
std::string renderOnce(const Settings& settings, const RendererList& renderers, const std::string& document,
                       bool printCommand, const std::string& rendererFolder = {}) {
    RenderJob job(settings, renderers);
    job.setRendererFolder(rendererFolder);
    // The renderer's output reaches standard output through a thread of its
    // own, so that a reader that never reads cannot keep the job from ending.
    std::fflush(stdout);
    OutputForwarder forwarder(STDOUT_FILENO);
    RenderJob::Callbacks callbacks;
    callbacks.output = [&forwarder](const std::string& piece) { forwarder.write(piece); };
    if (!job.start(document, callbacks)) return {};
    if (printCommand && !job.command().text.empty()) forwarder.write(job.command().text + "\n");
    while (job.running()) {
        if (interrupted) job.cancel();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    RenderOutcome outcome = job.wait();
    forwarder.drain([] { return interrupted.load(); });
    if (outcome.cancelled) {
        std::fprintf(stderr, "kalvex: render cancelled\n");
    } else if (outcome.ok && pxDisplayImageEx(ownerWindow(), outcome.imagePath.c_str(), 1)) {
        return outcome.imagePath;
    } else if (outcome.ok) {
        std::fprintf(stderr, "kalvex: the image %s could not be read\n", outcome.imagePath.c_str());
    }
    return {};
}

// The frame folder of the scene's animation, or empty (and said why).
std::string frameFolder(const std::string& scene) {
    const std::string folder = animationFrameFolder(scene);
    if (folder.empty()) {
        FrameTarget wanted;
        animationFrameTarget(scene, wanted);
        std::fprintf(stderr, "kalvex: the frame folder %s cannot be made\n", wanted.folder.c_str());
    }
    return folder;
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
    const FrameSet set{scene,     folder, stem, extensionOfType(renderer.type), first, last, cl.insideOut,
                       settings.render.renderX, settings.render.renderY, settings.render.quality};
    int failed = 0;
    InterruptScope interrupts;
    if (cl.jobs || cl.emitJobs) {
        const int status = runFrameFarm(cl, set, [] { return interrupted.load(); });
        return interrupted ? interruptedStatus() : status;
    }
    // The frames run as the window's Render Animation runs them, waited for here.
    AnimationRender render(settings, renderers);
    AnimationRenderRequest request{scene, first, last, cl.insideOut};
    request.resume = cl.resume;
    request.goOnAfterFailedStart = true;
    std::string error;
    if (!render.prepare(request, error)) {
        std::fprintf(stderr, "kalvex: %s\n", error.c_str());
        return 1;
    }
    std::fflush(stdout);
    OutputForwarder forwarder(STDOUT_FILENO);
    std::atomic<bool> ended{false};
    AnimationRender::Callbacks callbacks;
    callbacks.output = [&forwarder](const std::string& piece) { forwarder.write(piece); };
    callbacks.frameEnded = [&ended] { ended = true; };
    while (!interrupted) {
        ended = false;
        const size_t failedBefore = render.failedFrames().size();
        if (!render.startNext(callbacks)) {
            if (render.failedFrames().size() == failedBefore) break;  // no frame left
            std::fprintf(stderr, "kalvex: frame %u failed\n", render.currentFrame());
            ++failed;
            continue;
        }
        while (!ended) {
            if (interrupted) render.cancel();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const std::string image = render.finishFrame();
        const RenderOutcome& outcome = render.lastOutcome();
        if (outcome.cancelled) std::fprintf(stderr, "kalvex: render cancelled\n");
        else if (outcome.ok && image.empty())
            std::fprintf(stderr, "kalvex: the image %s could not be read\n", outcome.imagePath.c_str());
        if (image.empty()) {
            std::fprintf(stderr, "kalvex: frame %u failed\n", render.currentFrame());
            ++failed;
        } else {
            forwarder.write("Frame " + std::to_string(render.currentFrame()) + ": " + image + "\n");
        }
    }
    forwarder.drain([] { return interrupted.load(); });
    if (interrupted) {
        std::fprintf(stderr, "kalvex: render cancelled\n");
        return interruptedStatus();
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace

namespace {

// A scene in a folder the user cannot write (an installed example) renders
// into the current folder instead; the renderer still runs in the scene's
// folder, so that the files the scene names (height fields, image maps) are
// found as they would be beside it.
struct RenderTarget {
    std::string document;        // names the export and the image
    std::string rendererFolder;  // empty: the document's
};

RenderTarget renderTarget(const std::string& scene) {
    const std::string folder = platform::folderOf(scene);
    if (::access(folder.c_str(), W_OK) == 0) return {scene, {}};
    std::error_code ec;
    const std::filesystem::path here = std::filesystem::current_path(ec);
    if (ec || ::access(here.c_str(), W_OK) != 0) return {scene, {}};
    std::printf("%s cannot be written: the render goes to %s\n", folder.c_str(), here.c_str());
    return {(here / std::filesystem::path(scene).filename()).string(), folder};
}

}  // namespace

int runRender(const CommandLine& cl) {
    CoreSession session;
    CoreSessionOptions options;
    // A RENDER plug-in may be the chosen renderer.
    options.loadPlugins = !cl.noPlugins;
    session.start(options);
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
    RendererList& renderers = session.renderers();
    std::string scene = std::filesystem::absolute(cl.scene).string();
    if (cl.network) {
        platform::IniStore store;
        store.load(platform::IniStore::defaultPath());
        NetworkServer server;
        if (!readNetworkServer(store, 0, server)) {
            std::fprintf(stderr, "kalvex: no render server configured (NetRender)\n");
            return 1;
        }
        if (!loadSceneForJob(scene, settings)) return 1;
        POINT size{settings.render.renderX, settings.render.renderY};
        SetCameraSize(GetActiveCamera(), size);
        return startNetworkRender(renderers.current(settings.render.type), settings, server, scene) ? 0 : 1;
    }
    if (!loadSceneForJob(scene, settings)) return 1;
    if (!cl.frames.empty()) return renderFrames(cl, settings, renderers, scene);
    InterruptScope interrupts;
    const RenderTarget target = renderTarget(scene);
    const std::string image = renderOnce(settings, renderers, target.document, true, target.rendererFolder);
    if (!image.empty()) {
        std::printf("Image: %s\n", image.c_str());
        return 0;
    }
    return interrupted ? interruptedStatus() : 1;
}

int runListPlugins(const CommandLine& cl) {
    CoreSession session;
    CoreSessionOptions options;
    options.loadPlugins = !cl.noPlugins;
    session.start(options);
    if (plugins::PluginManager* m = session.pluginManager()) {
        for (const plugins::PluginItem& item : m->items())
            std::printf("%s\t%s\t%s\n", item.kind.c_str(), item.description.c_str(), item.exportName.c_str());
    }
    std::fflush(stdout);
    session.stop(false);
    return 0;
}

namespace {

// A text shown in a message: a long one cut, with its length, so that a
// mistyped argument cannot fill the terminal.
std::string shownText(const std::string& text) {
    constexpr size_t kShown = 64;
    if (text.size() <= kShown) return text;
    return text.substr(0, kShown) + "... (" + std::to_string(text.size()) + " characters)";
}

// The words of a refusal: what a property of this kind takes.
const char* whatAKindTakes(uint32_t kind) {
    switch (kind) {
    case KXVAR_INT: return "a whole number from -2147483648 to 2147483647";
    case KXVAR_DOUBLE: return "a finite number";
    case KXVAR_POINT: return "three finite numbers x,y,z";
    case KXVAR_STRING: return "a text of at most 71 characters";
    default: return "a whole number, a finite number or a text of at most 71 characters";
    }
}

bool wholeNumber(std::string_view text, int32_t& out) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && r.ec == std::errc{} && r.ptr == text.data() + text.size();
}

bool finiteNumber(std::string_view text, double& out) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && r.ec == std::errc{} && r.ptr == text.data() + text.size() && std::isfinite(out);
}

bool pointValue(const std::string& text, float (&out)[3]) {
    size_t from = 0;
    for (int axis = 0; axis < 3; ++axis) {
        const size_t comma = text.find(',', from);
        if ((axis < 2) == (comma == std::string::npos)) return false;
        double d = 0;
        const std::string_view part(text.data() + from, (axis < 2 ? comma : text.size()) - from);
        if (!finiteNumber(part, d) || std::fabs(d) > FLT_MAX) return false;
        out[axis] = static_cast<float>(d);
        from = comma + 1;
    }
    return true;
}

// The value a command-line text gives a property that holds a value of the
// given kind now (0 when the plug-in does not say: then an integer, else a
// number, else a text). False when the text is not a value of that kind.
bool propertyValue(const std::string& text, uint32_t kind, KxVar& v) {
    v = KxVar{};
    v.size = KXVAR_SIZE;
    if ((kind == 0 || kind == KXVAR_INT) && wholeNumber(text, v.value.i)) {
        v.type = KXVAR_INT;
        return true;
    }
    if ((kind == 0 || kind == KXVAR_DOUBLE) && finiteNumber(text, v.value.d)) {
        v.type = KXVAR_DOUBLE;
        return true;
    }
    if (kind == KXVAR_POINT) {
        v.type = KXVAR_POINT;
        return pointValue(text, v.value.p);
    }
    if ((kind == 0 || kind == KXVAR_STRING) && text.size() < KXVAR_TEXT_BYTES) {
        v.type = KXVAR_STRING;
        std::memcpy(v.value.s, text.data(), text.size());
        return true;
    }
    return false;
}

}  // namespace

int runPlugin(const CommandLine& cl) {
    CoreSession session;
    CoreSessionOptions options;
    options.loadPlugins = !cl.noPlugins;
    session.start(options);
    plugins::PluginManager* m = session.pluginManager();
    const int item = m ? m->findByDescriptionOrExport(cl.plugin.c_str()) : -1;
    if (item < 0) {
        std::fprintf(stderr, "kalvex: no plug-in function %s\n", cl.plugin.c_str());
        return 1;
    }
    if (!cl.scene.empty()) {
        if (!loadSceneForJob(cl.scene, session.settings())) return 1;
    } else {
        CreateDefaultScene();
    }
    const std::string exportName = m->items()[static_cast<size_t>(item)].exportName;
    for (const auto& [name, text] : cl.sets) {
        // The value is read as the kind the property holds now, so that a
        // word or an out-of-range number is refused here, not taken as
        // something the plug-in never asked for.
        KxVar now{};
        const uint32_t kind =
            m->getItemProperty(exportName.c_str(), name.c_str(), now) > 0 ? now.type : 0u;
        KxVar value{};
        if (!propertyValue(text, kind, value)) {
            std::fprintf(stderr, "kalvex: %s takes %s, not %s\n", shownText(name).c_str(), whatAKindTakes(kind),
                         shownText(text).c_str());
            return 1;
        }
        if (!plugins::host::SetPluginProperty(exportName.c_str(), name.c_str(), &value)) {
            std::fprintf(stderr, "kalvex: the plug-in refused %s=%s\n", shownText(name).c_str(),
                         shownText(text).c_str());
            return 1;
        }
    }
    const int result = m->call(static_cast<size_t>(item), nullptr, 1, nullptr);
    if (result == 0) {
        std::fprintf(stderr, "kalvex: %s failed\n", cl.plugin.c_str());
        return 1;
    }
    // Every writer below replaces the file only by a whole one: a failure
    // leaves the user's file where it stood.
    std::error_code ec;
    const unsigned type = GetCadFileType(cl.output.c_str());
    int written = 0;
    if (type != 0) {
        written = writeSceneAs(cl.output, type);
    } else if (const int save = m->fileItemFor(plugins::KindSave, cl.output); save >= 0) {
        written = m->saveWithItem(save, cl.output);
    } else {
        std::fprintf(stderr, "kalvex: no file type for %s\n", cl.output.c_str());
    }
    const bool ok = written != 0 && std::filesystem::exists(cl.output, ec);
    session.stop(false);
    return ok ? 0 : 1;
}

}  // namespace kx::app
