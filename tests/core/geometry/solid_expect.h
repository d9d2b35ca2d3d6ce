// Reading extruded solids back in tests: triangles sorted into walls and the
// caps at the two depth planes, and the properties a closed solid must have.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

#include "kxcore.h"

namespace kxtest {

using Triangle = std::array<Point3d, 3>;

struct Solid {
    std::vector<Triangle> walls;  // corners on both planes
    std::vector<Triangle> low;    // all corners at z = -2
    std::vector<Triangle> high;   // all corners at z = +2
    std::vector<Triangle> stray;  // anything else (other z, other node sizes)
};

inline Solid readSolid(const ListEntry* list) {
    Solid s;
    for (; list; list = list->next) {
        if (list->count != 3) {
            s.stray.push_back({});
            continue;
        }
        Triangle t = {list->points[0], list->points[1], list->points[2]};
        int lo = 0, hi = 0;
        for (const Point3d& p : t) {
            lo += p.z == -2.0f;
            hi += p.z == 2.0f;
        }
        if (lo == 3) s.low.push_back(t);
        else if (hi == 3) s.high.push_back(t);
        else if (lo + hi == 3) s.walls.push_back(t);
        else s.stray.push_back(t);
    }
    return s;
}

using Key = std::tuple<float, float, float>;
inline Key key(const Point3d& p) { return {p.x, p.y, p.z}; }

// The walls close around every outline: an edge that crosses between the
// planes is shared by exactly two walls, and the walls' edges in each plane
// form closed loops (as many edges leave every corner as arrive).
inline ::testing::AssertionResult wallsClosed(const Solid& s) {
    if (s.walls.empty()) return ::testing::AssertionFailure() << "no walls";
    std::map<std::pair<Key, Key>, int> across;
    std::map<Key, int> balance;
    for (const Triangle& t : s.walls)
        for (int i = 0; i < 3; ++i) {
            const Point3d& a = t[i];
            const Point3d& b = t[(i + 1) % 3];
            if (a.z != b.z) {
                Key ka = key(a), kb = key(b);
                ++across[ka < kb ? std::make_pair(ka, kb) : std::make_pair(kb, ka)];
            } else {
                ++balance[key(a)];
                --balance[key(b)];
            }
        }
    for (const auto& [edge, uses] : across)
        if (uses != 2)
            return ::testing::AssertionFailure() << "edge from (" << std::get<0>(edge.first) << ", "
                                                 << std::get<1>(edge.first) << ") used by " << uses << " walls";
    for (const auto& [corner, b] : balance)
        if (b != 0)
            return ::testing::AssertionFailure() << "outline open at (" << std::get<0>(corner) << ", "
                                                 << std::get<1>(corner) << ", " << std::get<2>(corner) << ")";
    return ::testing::AssertionSuccess();
}

inline double area(const Triangle& t) {
    const double ux = double{t[1].x} - t[0].x, uy = double{t[1].y} - t[0].y;
    const double vx = double{t[2].x} - t[0].x, vy = double{t[2].y} - t[0].y;
    return std::fabs(ux * vy - uy * vx) / 2.0;
}

inline double totalArea(const std::vector<Triangle>& ts) {
    double a = 0;
    for (const Triangle& t : ts) a += area(t);
    return a;
}

// The area the walls enclose (holes wound against their outlines subtract),
// from the walls' edges in the lower plane.
inline double enclosedArea(const Solid& s) {
    double twice = 0;
    for (const Triangle& t : s.walls)
        for (int i = 0; i < 3; ++i) {
            const Point3d& a = t[i];
            const Point3d& b = t[(i + 1) % 3];
            if (a.z == -2.0f && b.z == -2.0f) twice += double{a.x} * b.y - double{b.x} * a.y;
        }
    return std::fabs(twice) / 2.0;
}

// Both caps are the same triangles, one at each plane, and together they
// cover what the walls enclose (the scanline fill misses thin slivers only).
inline ::testing::AssertionResult capsFill(const Solid& s, double tolerance = 0.005) {
    if (s.low.empty() || s.low.size() != s.high.size())
        return ::testing::AssertionFailure() << "caps of " << s.low.size() << " and " << s.high.size()
                                             << " triangles";
    for (size_t i = 0; i < s.low.size(); ++i)
        for (int k = 0; k < 3; ++k)
            if (s.low[i][k].x != s.high[i][k].x || s.low[i][k].y != s.high[i][k].y)
                return ::testing::AssertionFailure() << "cap triangle " << i << " differs between the planes";
    const double cap = totalArea(s.low), enclosed = enclosedArea(s);
    if (!(std::fabs(cap - enclosed) <= tolerance * enclosed))
        return ::testing::AssertionFailure() << "caps cover " << cap << ", walls enclose " << enclosed;
    return ::testing::AssertionSuccess();
}

}  // namespace kxtest
