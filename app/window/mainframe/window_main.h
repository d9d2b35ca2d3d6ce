// The window program: what `kalvex` runs when no command-line job is given.
#pragma once

#include <string>
#include <vector>

namespace kx::app {

// Runs the window until the user quits; opens `file` when it is not empty.
// A window holds one scene: each of `moreFiles` (a file manager opening
// several scenes at once) opens in a window of its own, a program started
// beside this one. Returns the process exit status.
int runWindow(int argc, char** argv, const std::string& file, bool plugins = true,
              const std::vector<std::string>& moreFiles = {});

}  // namespace kx::app
