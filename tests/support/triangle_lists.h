// Triangle point lists for tests and benchmarks: built one way, so the shape
// a test or a benchmark works on is stated, not rebuilt node by node.
#pragma once

#include <array>
#include <climits>
#include <initializer_list>

#include "kxcore.h"

namespace kxtest {

// Appends triangles to a new point list; the caller owns what head() returns.
class TriangleList {
public:
    void add(const Point3d& a, const Point3d& b, const Point3d& c) {
        const Point3d t[3] = {a, b, c};
        tail_ = AddEntry(3, tail_, t);
        if (!head_) head_ = tail_;
        ++count_;
    }
    ListEntry* head() const { return head_; }
    unsigned count() const { return count_; }

private:
    ListEntry* head_ = nullptr;
    ListEntry* tail_ = nullptr;
    unsigned count_ = 0;
};

// n triangles in a row along x: {i,0,0} {i+1,0,0} {i,1,0}.
inline ListEntry* triangleRow(unsigned n) {
    TriangleList list;
    for (unsigned i = 0; i < n; ++i) {
        const float f = static_cast<float>(i);
        list.add({f, 0, 0}, {f + 1, 0, 0}, {f, 1, 0});
    }
    return list.head();
}

// A side x side grid of quads, two triangles each, with the corner (i, j) at
// at(i, j); at most `most` triangles.
template <typename At>
TriangleList triangleGrid(unsigned side, At at, unsigned most = UINT_MAX) {
    TriangleList list;
    for (unsigned i = 0; i < side && list.count() < most; ++i)
        for (unsigned j = 0; j < side && list.count() < most; ++j) {
            list.add(at(i, j), at(i + 1, j), at(i, j + 1));
            if (list.count() < most) list.add(at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
        }
    return list;
}

// The given triangles (each three corners), in order.
template <typename Range>
TriangleList triangles(const Range& all) {
    TriangleList list;
    for (const auto& t : all) list.add(t[0], t[1], t[2]);
    return list;
}
inline TriangleList triangles(std::initializer_list<std::array<Point3d, 3>> all) {
    return triangles<std::initializer_list<std::array<Point3d, 3>>>(all);
}

}  // namespace kxtest
