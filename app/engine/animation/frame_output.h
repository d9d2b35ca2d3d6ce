// Where the frames of the scene's animation go, for the window and the
// command line alike: the folder is the animation's "dir" taken from the
// scene's folder (that folder itself when "dir" is empty), the file stem the
// animation's name made safe for file names and shell lines; the order the
// frames are rendered in, and whether a frame's image is whole.
#pragma once

#include <string>
#include <vector>

namespace kx::app {

// A file stem from an animation name: path separators, "%", blanks, control
// and shell-special characters become "_"; an empty name gives `fallback`.
std::string safeFrameStem(const std::string& name, const std::string& fallback);

// first..last in the order they are rendered: ascending, or coarse to fine.
std::vector<unsigned> frameOrder(unsigned first, unsigned last, bool insideOut);

// True when the image exists and the image library reads it whole.
bool frameImageReadsWhole(const std::string& path);

struct FrameTarget {
    std::string folder;  // made already
    std::string stem;    // frame F is <folder>/<stem>F<extension>
};

// The folder of frames for a scene file; empty when it cannot be made.
std::string animationFrameFolder(const std::string& scene);

// Folder and stem for a scene file; false when the folder cannot be made
// (`folder` then names the folder that was wanted).
bool animationFrameTarget(const std::string& scene, FrameTarget& target);

// <folder>/<stem><frame><extension>
std::string framePath(const FrameTarget& target, unsigned frame, const std::string& extension);

// Changes the current folder for the life of the object, then goes back: the
// sequence writers name their files relative to it.
class FolderScope {
public:
    explicit FolderScope(const std::string& folder);
    ~FolderScope();
    FolderScope(const FolderScope&) = delete;
    FolderScope& operator=(const FolderScope&) = delete;
    bool ok() const { return ok_; }

private:
    std::string previous_;
    bool ok_ = false;
};

}  // namespace kx::app
