#include "mainframe/app_session.h"

#include <QGuiApplication>
#include <QScreen>

#include "mainframe/desktop_recent_files.h"

namespace kx::app {
namespace {

constexpr int kRecentFiles = 4;
const char* const kRecentSection = "Recent File List";

}  // namespace

AppSession::AppSession(SessionOptions options) : options_(options) {}

AppSession::~AppSession() { shutdown(); }

void AppSession::startup(const std::function<void()>& settingsRead) {
    if (core_.started()) return;
    CoreSessionOptions options;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        options.screenWidth = screen->size().width();
        options.screenHeight = screen->size().height();
    }
    options.enterWorkFolder = true;
    options.loadPlugins = options_.plugins;
    options.settingsRead = [this, &settingsRead](const Settings& settings) {
        splashOff_ = settings.desktop.disableSplash != 0;
        if (settingsRead) settingsRead();
    };
    core_.start(options);
    loadRecentFiles();
}

bool AppSession::saveSettings() {
    storeRecentFiles();
    return core_.saveSettings();
}

void AppSession::shutdown() {
    if (!core_.started()) return;
    storeRecentFiles();
    core_.stop(true);
}

void AppSession::addRecentFile(const QString& path) {
    recent_.removeAll(path);
    recent_.prepend(path);
    while (recent_.size() > kRecentFiles) recent_.removeLast();
    // The desktop's own list too, so file dialogs and file managers offer
    // the scene; a list that cannot be written costs the user nothing here.
    addDesktopRecentFile(path);
}

void AppSession::loadRecentFiles() {
    recent_.clear();
    for (int i = 1; i <= kRecentFiles; ++i) {
        std::string file = core_.store().getString(kRecentSection, "File" + std::to_string(i));
        if (!file.empty()) recent_.append(QString::fromStdString(file));
    }
}

void AppSession::storeRecentFiles() {
    for (int i = 1; i <= kRecentFiles; ++i) {
        const std::string name = "File" + std::to_string(i);
        if (i <= recent_.size()) core_.store().set(kRecentSection, name, recent_[i - 1].toStdString());
        else core_.store().remove(kRecentSection, name);
    }
}

}  // namespace kx::app
