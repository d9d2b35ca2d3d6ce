// The window program: what `kalvex` runs when no command-line job is given.
#pragma once

#include <string>

namespace kx::app {

// Runs the window until the user quits; opens `file` when it is not empty.
// Returns the process exit status.
int runWindow(int argc, char** argv, const std::string& file, bool plugins = true);

}  // namespace kx::app
