// A height field as the renderer builds it from its image: the image's
// columns along x from 0 to 1, its rows along z from 1 (the top row) down to
// 0, each sample's height in y from 0 to 1, the unit cube then centred and
// sized and placed as the object's preview pyramid is.
#pragma once

#include <string>
#include <vector>

#include "kxcore.h"

namespace kx::app {

// Heights from 0 to 1, rows top first.
struct HeightSamples {
    int width = 0, height = 0;
    std::vector<float> values;
};

// Reads a binary or text PGM, or a Targa file (24- and 32-bit: red the high
// byte of the height, green the low one; 8-bit: the grey level): the
// formats whose heights the preview can read. False for anything else or a
// damaged file.
bool decodeHeightSamples(const std::string& bytes, HeightSamples& out);

// The triangles of the field over the placed pyramid's frame, at most
// mostCells cells a side; false when the file cannot be read or the object
// holds no pyramid, and the caller draws the pyramid instead.
inline constexpr int kMostHeightFieldCells = 256;
bool heightFieldSurface(const CadObject& field, std::vector<TriPolygon>& out, int mostCells = kMostHeightFieldCells);

}  // namespace kx::app
