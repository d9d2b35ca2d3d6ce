// A digest of an object's geometry, read a word at a time.
#include <algorithm>
#include <cstring>

#include "kxcore.h"

namespace {

// Four lanes, each a chain of its own, so that the multiplies of one word do
// not wait for the last: a million triangles (about 150 MB of points, normals
// and triangle copies) are digested at close to memory speed. The lanes turn
// after each piece, so the short tails of small nodes are spread over them.
class GeometryDigest {
public:
    void add(const void* data, size_t bytes) {
        const auto* p = static_cast<const unsigned char*>(data);
        uint64_t a = lanes_[0], b = lanes_[1], c = lanes_[2], d = lanes_[3];
        for (; bytes >= 32; p += 32, bytes -= 32) {
            a = round(a, word(p));
            b = round(b, word(p + 8));
            c = round(c, word(p + 16));
            d = round(d, word(p + 24));
        }
        // What is left, under four words, goes to the lanes in turn; the last
        // partial word carries its length so that trailing zeros count.
        for (; bytes >= 8; p += 8, bytes -= 8) {
            a = round(a, word(p));
            turn(a, b, c, d);
        }
        uint64_t tail = bytes;
        for (size_t i = 0; i < bytes; ++i) tail = (tail << 8) | p[i];
        a = round(a, tail);
        turn(a, b, c, d);
        lanes_[0] = a, lanes_[1] = b, lanes_[2] = c, lanes_[3] = d;
    }
    void add(uint64_t value) {
        lanes_[0] = round(lanes_[0], value);
        std::rotate(lanes_, lanes_ + 1, lanes_ + 4);
    }
    uint64_t value() const {
        uint64_t v = 0x6A09E667F3BCC909ull;
        for (uint64_t lane : lanes_) v = round(v, lane);
        return v ^ (v >> 29);
    }

private:
    static uint64_t word(const unsigned char* p) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        return w;
    }
    static uint64_t round(uint64_t lane, uint64_t word) {
        lane += word * 0xC2B2AE3D27D4EB4Full;
        lane = (lane << 31) | (lane >> 33);
        return lane * 0x9E3779B185EBCA87ull;
    }
    static void turn(uint64_t& a, uint64_t& b, uint64_t& c, uint64_t& d) {
        const uint64_t first = a;
        a = b, b = c, c = d, d = first;
    }
    uint64_t lanes_[4] = {0x6A09E667F3BCC909ull, 0xBB67AE8584CAA73Bull, 0x3C6EF372FE94F82Bull,
                          0xA54FF53A5F1D36F1ull};
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
