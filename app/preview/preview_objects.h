// What the preview hands the drawing library for one object: the object with
// triangles made from its point list when it has none (kept in the driver's
// own cache, never written to the scene), and its material.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "kxcore.h"

namespace kx::app {

class PreparedObjects {
public:
    // One conversion: the list it was made from and its triangles.
    struct Entry {
        const ListEntry* points = nullptr;
        bool drawable = false;  // triangles all the way
        // Made without clearing: every field is written by the conversion.
        std::unique_ptr<TriPolygon[]> triangles;
        size_t count = 0;
    };
    using Conversions = std::unordered_map<const CadObject*, Entry>;
    // Called between runs of a long point list's conversion, to give the
    // scene lock back and take it again; false when the scene changed
    // meanwhile, and the conversion is given up.
    using Pause = std::function<bool()>;
    void setNodesBetweenPauses(size_t nodes) { nodesBetweenPauses_ = nodes ? nodes : 1; }

    // The object as it is drawn: the scene object itself, or a copy whose
    // triangles are the cache's. Null when it cannot be drawn, or when a
    // pause gave the conversion up (abandoned() tells). Valid until the next
    // call or clear(). An object met before is taken from the cache
    // unchecked: clear() must follow every change to the scene.
    const CadObject* prepare(const CadObject& object, const Pause& pause = {});
    // Whether the last prepare() was given up at a pause.
    bool abandoned() const { return abandoned_; }
    // Forgets every conversion (the scene changed).
    void clear() { converted_.clear(); }
    // Forgets every conversion, handing the arrays to the caller: freeing a
    // million triangles is best done without holding the scene lock.
    Conversions takeAll() { return std::exchange(converted_, {}); }
    size_t cachedCount() const { return converted_.size(); }

private:
    Conversions converted_;
    CadObject copy_{};
    bool abandoned_ = false;
    size_t nodesBetweenPauses_ = 65536;
};

// How a light reaches the drawing library.
enum class LightKind { Point, Spot, Omitted };
LightKind lightKind(CadObject& light);

// The list record a material name names (any letter case); null when none.
TextureInfo* findListTexture(const char* name);

// The material of an object without a texture: a zeroed record holding its colour.
TextureInfo colourMaterial(const CadObject& object);

}  // namespace kx::app
