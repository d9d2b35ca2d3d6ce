#include "animation/frame_output.h"

#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "kxcore.h"
#include "kxplatform/files.h"
#include "pixmo.h"
#include "startup/core_session.h"

namespace kx::app {

namespace fs = std::filesystem;

std::string safeFrameStem(const std::string& name, const std::string& fallback) {
    std::string stem = name;
    for (char& c : stem) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || std::strchr("/\\% \t;&|<>()$`\"'*?[]{}~!#=^,", c)) c = '_';
    }
    return stem.empty() ? fallback : stem;
}

std::vector<unsigned> frameOrder(unsigned first, unsigned last, bool insideOut) {
    std::vector<unsigned> frames;
    const unsigned count = last - first + 1;
    frames.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        int offset = static_cast<int>(i);
        if (insideOut) InsideOut(static_cast<int>(count), static_cast<int>(i), &offset, nullptr);
        frames.push_back(first + static_cast<unsigned>(offset));
    }
    return frames;
}

bool frameImageReadsWhole(const std::string& path) {
    return platform::isRegularFile(path) && pxDisplayImageEx(CoreSession::ownerWindow(), path.c_str(), 1) != 0;
}

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
