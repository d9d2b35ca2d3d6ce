#include "animation/frame_output.h"

#include <filesystem>
#include <unistd.h>

#include "cli/command_line.h"
#include "kxcore.h"

namespace kx::app {

namespace fs = std::filesystem;

namespace {

std::string wantedFolder(const std::string& scene) {
    std::string dir = GetAniSettings(nullptr)->dir;
    for (char& c : dir)
        if (c == '\\') c = '/';
    fs::path folder = fs::path(scene).parent_path();
    if (!dir.empty()) folder = fs::path(dir).is_absolute() ? fs::path(dir) : folder / dir;
    return folder.string();
}

}  // namespace

std::string animationFrameFolder(const std::string& scene) {
    const std::string folder = wantedFolder(scene);
    std::error_code ec;
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec) ? folder : std::string();
}

bool animationFrameTarget(const std::string& scene, FrameTarget& target) {
    target.folder = animationFrameFolder(scene);
    target.stem = safeFrameStem(GetAniSettings(nullptr)->name, fs::path(scene).stem().string());
    if (target.folder.empty()) {
        target.folder = wantedFolder(scene);
        return false;
    }
    return true;
}

std::string framePath(const FrameTarget& target, unsigned frame, const std::string& extension) {
    return target.folder + "/" + target.stem + std::to_string(frame) + extension;
}

FolderScope::FolderScope(const std::string& folder) {
    std::error_code ec;
    previous_ = fs::current_path(ec).string();
    ok_ = !ec && ::chdir(folder.c_str()) == 0;
}

FolderScope::~FolderScope() {
    if (ok_ && !previous_.empty() && ::chdir(previous_.c_str()) != 0) {
        // The folder we came from is gone; staying where we are is all we can do.
    }
}

}  // namespace kx::app
