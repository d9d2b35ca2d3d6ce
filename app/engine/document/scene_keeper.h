// The scene on screen, kept in a file of its own while another is read, so
// that a file that cannot be read costs the user nothing.
#pragma once

#include <string>

namespace kx::app {

class SceneKeeper {
public:
    // Writes the scene as it stands to a folder of the keeper's own.
    SceneKeeper();
    // Removes the kept copy.
    ~SceneKeeper();
    SceneKeeper(const SceneKeeper&) = delete;
    SceneKeeper& operator=(const SceneKeeper&) = delete;

    bool kept() const { return kept_; }
    // Puts the kept scene back in place of whatever is there now.
    bool restore() const;

private:
    std::string folder_;
    std::string path_;
    bool kept_ = false;
    bool hadCameraObject_ = false;
};

}  // namespace kx::app
