// Writing the scene from the roads without a window (jobs, scripts, the
// plug-in host): the scene format in the block form the window's Save
// writes, so that every road gives the same file. Export names are read by
// their last extension: "house.v2.pov" is a POV-Ray file called so.
#pragma once

#include <string>

namespace kx::app {

// The scene format's older statement form ("version 1.5"), written only when
// asked for by its own name ("Kalvex1.5" on the command line): it has no
// place for what later versions add. Not a row of the core's file types.
inline constexpr unsigned kStatementFormScene = 0x10000u + 15u;

// The file type of a name's last extension ("my.scene.pov" is POV-Ray), 0
// when the name has none or no type has it.
unsigned fileTypeOfLastExtension(const std::string& path);

// Where a file of the type named `path` is written: the name as given when
// its last extension is the type's own or the type keeps every name (the
// scene, OBJ, STL, PLY); the type's extension added to a name without one
// (OBJ's as ".OBJ", glTF's as ".gltf", the scene's not at all);
// otherwise in place of the last extension only. The second VRML is written
// as ".wrl", which VRML 2 readers expect.
std::string exportPathFor(const std::string& path, unsigned type);

// Writes the current scene as a file of the type at exportPathFor(path, type):
// the scene format in its block form ("version 2.0"), or in its statement
// form for kStatementFormScene, any other type through its exporter; type 0
// goes by the name's last extension.
int writeSceneAs(const std::string& path, unsigned type);

}  // namespace kx::app
