// Triangles of a mesh file held apart from the scene until the whole file has
// been read, so a reader that fails half way leaves the scene as it was.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
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
    int group = -1;                // the index of the group it belongs to; -1 for none
    size_t triangles() const { return corners.size() / 3; }
};

// A group of the model's tree, holding the parts and groups that name it.
// Inner groups come before the groups that hold them.
struct GroupPart {
    std::string name;    // empty: the scene's next group name
    int parent = -1;     // the index of the group it belongs to; -1 for none
    unsigned operation = 0;  // CSG, as a group object keeps it
    bool keepAlone = false;  // kept even when it would hold a single member
};

// Adds every part that holds a triangle as a normalised, unselected `_facets`
// object, in order, then the groups, each a group object of the scene holding
// its members as a group made in the window does. A group left with no
// member is not made, and one with a single member only when it asks to be:
// its members go to the group that holds it. When memory runs out the
// objects made so far are removed again and false is returned (the caller
// reports it).
bool addMeshParts(const std::vector<MeshPart>& parts, const std::vector<GroupPart>& groups = {});

// The file name without folder and last extension: what an object made from
// the whole file is called.
std::string fileStem(const std::string& path);

// Little-endian numbers from bytes the caller has checked are there.
inline uint16_t littleU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t littleU32(const unsigned char* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
// Inline: readers take millions of them.
inline float littleFloat(const unsigned char* p) {
    const uint32_t bits = littleU32(p);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// A coordinate as the scene stores it: not a number becomes 0, values beyond
// single precision its largest magnitude.
inline float storedCoordinate(double v) {
    if (std::isnan(v)) return 0.0f;
    if (v > FLT_MAX) return FLT_MAX;
    if (v < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(v);
}

}  // namespace kx::import
