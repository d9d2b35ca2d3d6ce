#include "mainframe/app_session.h"

#include <QGuiApplication>
#include <QScreen>
#include <unistd.h>

#include "kxcore.h"
#include "pixmo.h"
#include "startup/data_folder.h"

namespace kx::app {
namespace {

constexpr int kRecentFiles = 4;
const char* const kRecentSection = "Recent File List";

// The image library wants an owner for its surfaces; it never draws into it,
// so the program stands for itself with a token.
struct ProgramToken {
} programToken;

}  // namespace

AppSession::AppSession(SessionOptions options) : options_(options) {}

AppSession::~AppSession() { shutdown(); }

HWND AppSession::ownerWindow() { return reinterpret_cast<HWND>(&programToken); }

void AppSession::startup(const std::function<void()>& settingsRead) {
    if (started_) return;
    started_ = true;
    pxRegisterApplication(ownerWindow(), "Kalvex");

    // The log level must be known before the core starts, so that its start is logged.
    storePath_ = platform::IniStore::defaultPath();
    store_.load(storePath_);
    QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize();
    settings_ = loadSettings(store_, screen.width(), screen.height());
    InitCore(nullptr, "Kalvex");
    EnableLogMessage(settings_.desktop.log > 0 ? settings_.desktop.log : -1);
    if (settingsRead) settingsRead();

    prepareUserDataFolder(settings_.directories.program, shippedDataFolder());
    // Scenes and renders go to the chosen working folder, else the program's own.
    const std::string& work = settings_.directories.defaultDir.empty() ? settings_.directories.program
                                                                       : settings_.directories.defaultDir;
    if (!work.empty() && chdir(work.c_str()) != 0) LogMessage(1, "Unable to change to the folder %s", work.c_str());
    applyToCore(settings_);

    reloadRenderers();
    loadRecentFiles();
    InitKalvexEvent();
}

void AppSession::reloadRenderers() {
    renderers_ = loadRendererDefinitions(settings_.directories.program, settings_.render.type);
    // A renderer definition names where its program lives when the settings do not.
    if (settings_.directories.render.empty()) settings_.directories.render = renderers_.defaultProgramPath;
    if (settings_.directories.include.empty()) settings_.directories.include = renderers_.defaultIncludePath;
}

void AppSession::applySettings() { applyToCore(settings_); }

bool AppSession::saveSettings() {
    kx::app::saveSettings(settings_, store_);
    storeRecentFiles();
    return store_.save(storePath_);
}

void AppSession::shutdown() {
    if (!started_) return;
    started_ = false;
    ClearScene(GetCurrentScene());
    if (TextureInfo* textures = GetTexture(nullptr)) ClearTexture(textures);
    ClearKalvexEvent();
    if (renderViewport_) {
        pxReleaseViewport(renderViewport_);
        renderViewport_ = nullptr;
    }
    if (!saveSettings()) LogMessage(0, "Unable to save the settings to %s", storePath_.c_str());
    DestroyKalvexEvent();
    ExitCore();
    pxUnRegisterApplication();
}

void AppSession::addRecentFile(const QString& path) {
    recent_.removeAll(path);
    recent_.prepend(path);
    while (recent_.size() > kRecentFiles) recent_.removeLast();
}

void AppSession::loadRecentFiles() {
    recent_.clear();
    for (int i = 1; i <= kRecentFiles; ++i) {
        std::string file = store_.getString(kRecentSection, "File" + std::to_string(i));
        if (!file.empty()) recent_.append(QString::fromStdString(file));
    }
}

void AppSession::storeRecentFiles() {
    for (int i = 1; i <= kRecentFiles; ++i) {
        const std::string name = "File" + std::to_string(i);
        if (i <= recent_.size()) store_.set(kRecentSection, name, recent_[i - 1].toStdString());
        else store_.remove(kRecentSection, name);
    }
}

}  // namespace kx::app
