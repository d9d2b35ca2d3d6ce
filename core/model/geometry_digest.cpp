// A digest of an object's geometry, read a word at a time so that a million
// triangles are digested at memory speed.
#include <cstring>

#include "kxcore.h"

namespace {

class GeometryDigest {
public:
    void add(const void* data, size_t bytes) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (; bytes >= 8; p += 8, bytes -= 8) {
            uint64_t word;
            std::memcpy(&word, p, 8);
            mix(word);
        }
        uint64_t tail = bytes;
        for (size_t i = 0; i < bytes; ++i) tail = (tail << 8) | p[i];
        mix(tail);
    }
    void add(uint64_t value) { mix(value); }
    uint64_t value() const { return state_ ^ (state_ >> 29); }

private:
    void mix(uint64_t word) {
        state_ ^= word + 0x9E3779B97F4A7C15ull + (state_ << 6) + (state_ >> 2);
        state_ *= 0xBF58476D1CE4E5B9ull;
    }
    uint64_t state_ = 0x6A09E667F3BCC909ull;
};

}  // namespace

uint64_t GetGeometryDigest(const CadObject* obj) {
    if (!obj) return 0;
    GeometryDigest d;
    for (const ListEntry* n = obj->points; n; n = n->next) {
        d.add(n->count | (n->normals ? 1ull << 32 : 0));
        d.add(n->points, sizeof(Point3d) * n->count);
        if (n->normals) d.add(n->normals, sizeof(Point3d) * n->count);
    }
    d.add(obj->count);
    d.add(obj->polygons ? obj->polygonCount : 0xFFFFFFFFull << 8);
    if (obj->polygons) d.add(obj->polygons, sizeof(TriPolygon) * obj->polygonCount);
    d.add(obj->uv ? obj->uvCount : 0xFFFFFFFFull << 8);
    if (obj->uv) d.add(obj->uv, sizeof(Point3d) * obj->uvCount);
    return d.value();
}
