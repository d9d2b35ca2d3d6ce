// Writing the scene from the roads without a window (jobs, scripts, the
// plug-in host): the scene format in the block form the window's Save
// writes, so that every road gives the same file.
#pragma once

#include <string>

namespace kx::app {

// Writes the current scene as a file of the type: the scene format in its
// block form ("version 2.0"), any other type through its exporter; type 0
// goes by the name's extension.
int writeSceneAs(const std::string& path, unsigned type);

}  // namespace kx::app
