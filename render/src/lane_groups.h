// What the rasteriser's drawing of four triangles at a time works with: the
// pass's constants, the groups' pixel bounds, and an indexed mesh's
// triangles, written out as records only for the lanes that need more than
// their corners on the picture.
#pragma once

#include <cstdint>

#include "four_lanes.h"
#include "rasteriser.h"

namespace kxr {

// Where four triangles' pixel centres lie on the picture.
struct Rasteriser::GroupBounds {
    lanes::Lanes minX, maxX, minY, maxY;
    lanes::LaneMask x0, x1, y0, y1;
    lanes::LaneMask wanted;  // in front, and holding a pixel centre
};

// What a group of four triangles is drawn with, worked out once a pass.
struct Rasteriser::GroupFrame {
    lanes::Lanes left, right, top, bottom;
    bool plainSurface;
    std::array<float, 3> colour;
};

struct Rasteriser::IndexedSource {
    const IndexedMesh* mesh = nullptr;
    uint32_t triangleOf[lanes::kLanes] = {};
    TriPolygon written[lanes::kLanes] = {};
    uint32_t writtenLanes = 0;

    void select(int lane, uint32_t triangle) {
        triangleOf[lane] = triangle;
        writtenLanes &= ~(1u << lane);
    }
    const uint32_t* cornersOf(int lane) const { return mesh->indices + 3 * static_cast<size_t>(triangleOf[lane]); }
    const TriPolygon& triangle(int lane) {
        if (!(writtenLanes & (1u << lane))) {
            const uint32_t* corner = cornersOf(lane);
            TriPolygon& t = written[lane];
            for (int k = 0; k < 3; ++k) {
                const float* p = mesh->positions + 3 * static_cast<size_t>(corner[k]);
                t.vertex[k] = {p[0], p[1], p[2]};
                if (mesh->normals) {
                    const float* n = mesh->normals + 3 * static_cast<size_t>(corner[k]);
                    t.normal[k] = {n[0], n[1], n[2]};
                } else {
                    t.normal[k] = {};
                }
            }
            writtenLanes |= 1u << lane;
        }
        return written[lane];
    }
    bool hasNormals(int lane) const {
        if (!mesh->normals) return false;
        for (int k = 0; k < 3; ++k) {
            const float* n = mesh->normals + 3 * static_cast<size_t>(cornersOf(lane)[k]);
            if (n[0] != 0 || n[1] != 0 || n[2] != 0) return true;
        }
        return false;
    }
};

}  // namespace kxr
