// The window program: what `kalvex` runs when no command-line job is given.
#pragma once

#include <string>
#include <vector>

namespace kx::app {

// How the window starts.
struct WindowStart {
    std::string file;  // opened when not empty
    // A window holds one scene: each of these (a file manager opening
    // several scenes at once) opens in a window of its own, a program
    // started beside this one.
    std::vector<std::string> moreFiles;
    bool plugins = true;
    std::string macro;     // run on the scene once it is open
    bool recover = false;  // the newest unsaved work left behind opens unasked
};

// Runs the window until the user quits. Returns the process exit status.
int runWindow(int argc, char** argv, const WindowStart& start);

}  // namespace kx::app
