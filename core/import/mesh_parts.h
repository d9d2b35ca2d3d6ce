// Triangles of a mesh file held apart from the scene until the whole file has
// been read, so a reader that fails half way leaves the scene as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core_state.h"

namespace kx::import {

struct MeshPart {
    std::string name;
    bool coloured = false;
    unsigned r = 0, g = 0, b = 0;
    std::vector<Point3d> corners;  // three per triangle
    std::vector<Point3d> normals;  // empty, or one per corner
    std::vector<Point3d> uvs;      // empty, or one per corner (u, v, 0), v up
    std::string picture;           // the absolute name of its texture map; empty for none
    std::string material;          // its material's name in the model; empty when unnamed
    size_t triangles() const { return corners.size() / 3; }
};

// Adds every part that holds a triangle as a normalised, unselected `_facets`
// object, in order. When memory runs out the objects made so far are removed
// again and false is returned (the caller reports it).
bool addMeshParts(const std::vector<MeshPart>& parts);

// The file name without folder and last extension: what an object made from
// the whole file is called.
std::string fileStem(const std::string& path);

// Little-endian numbers from bytes the caller has checked are there.
inline uint16_t littleU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t littleU32(const unsigned char* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
float littleFloat(const unsigned char* p);

// A coordinate as the scene stores it: not a number becomes 0, values beyond
// single precision its largest magnitude.
float storedCoordinate(double v);

}  // namespace kx::import
