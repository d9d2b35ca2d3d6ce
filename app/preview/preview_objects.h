// What the preview hands the drawing library for one object: the object with
// triangles made from its point list when it has none (kept in the driver's
// own cache, never written to the scene), and its material.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "kxcore.h"

namespace kx::app {

class PreparedObjects {
public:
    // The object as it is drawn: the scene object itself, or a copy whose
    // triangles are the cache's. Null when it cannot be drawn. Valid until
    // the next call or clear(). An object met before is taken from the
    // cache unchecked: clear() must follow every change to the scene.
    const CadObject* prepare(const CadObject& object);
    // Forgets every conversion (the scene changed).
    void clear() { converted_.clear(); }
    size_t cachedCount() const { return converted_.size(); }

private:
    struct Entry {
        const ListEntry* points = nullptr;
        bool drawable = false;  // triangles all the way
        std::vector<TriPolygon> triangles;
    };
    std::unordered_map<const CadObject*, Entry> converted_;
    CadObject copy_{};
};

// How a light reaches the drawing library.
enum class LightKind { Point, Spot, Omitted };
LightKind lightKind(CadObject& light);

// The list record a material name names (any letter case); null when none.
TextureInfo* findListTexture(const char* name);

// The material of an object without a texture: a zeroed record holding its colour.
TextureInfo colourMaterial(const CadObject& object);

}  // namespace kx::app
