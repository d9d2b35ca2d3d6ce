// The small scenes that show a texture on a shape: a camera, two lights, a
// backdrop and the shape, for POV-Ray (types 10 to 12) and Polyray (type 19).
#pragma once

#include <string>

#include "kxcore.h"

namespace kx::app {

// Preview shapes: 0 sphere (and any number not listed), 1 plane, 2 box,
// 3 cone, 4 cylinder, 5 torus, 6 sky.
enum PreviewShape : int {
    kPreviewSphere = 0,
    kPreviewPlane = 1,
    kPreviewBox = 2,
    kPreviewCone = 3,
    kPreviewCylinder = 4,
    kPreviewTorus = 5,
    kPreviewSky = 6,
};

// How the texture is referred to: as a pigment (colours) or as texture
// layers (textures, pigments and user textures).
enum class TextureForm { Pigment, Layered };

// True for the renderer file types that have preview scenes: the three
// POV-Ray dialects and Polyray.
bool hasPreviewScenes(int type);

// Writes the scene of `shape` in the file's format after its header. Only an
// identifier (layers joined by "+" in layered form; one identifier for the
// sky, which takes a pigment whatever the form) reaches the scene; any other
// name writes nothing and is logged. False when nothing was written: such a
// name, a format without preview scenes, or the sky for Polyray ("Not yet
// implemented"). With `stage`, a POV-Ray 3 solid stands on a checkered
// floor under a sky instead of before a white wall, so that white, clear and
// glass textures show; the other scenes and dialects are as without it.
bool writePreviewScene(StandardFile* f, int shape, const std::string& texture, TextureForm form, bool stage = false);

}  // namespace kx::app
