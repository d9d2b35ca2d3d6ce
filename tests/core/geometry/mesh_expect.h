// Reading meshes back in tests: the vertices of a point list in order, and
// point comparisons with the tolerance that libm's sin and cos allow.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kxcore.h"

namespace kxtest {

inline std::vector<Point3d> listVertices(const ListEntry* list) {
    std::vector<Point3d> out;
    for (; list; list = list->next)
        for (unsigned i = 0; i < list->count; ++i) out.push_back(list->points[i]);
    return out;
}

// Vertex counts of the nodes, in order.
inline std::vector<unsigned> nodeSizes(const ListEntry* list) {
    std::vector<unsigned> out;
    for (; list; list = list->next) out.push_back(list->count);
    return out;
}

// Generated values differ from the decimal expectations by a float ulp or so.
inline ::testing::AssertionResult nearPoint(const Point3d& actual, const Point3d& expected,
                                            double tolerance = 2e-6) {
    auto off = [tolerance](float a, float e) {
        double d = static_cast<double>(a) - e;
        return !(d <= tolerance && d >= -tolerance);
    };
    if (off(actual.x, expected.x) || off(actual.y, expected.y) || off(actual.z, expected.z))
        return ::testing::AssertionFailure()
               << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") is not ("
               << expected.x << ", " << expected.y << ", " << expected.z << ")";
    return ::testing::AssertionSuccess();
}

// The first n vertices of the list are the given ones, in order.
inline void expectLeadingVertices(const ListEntry* list, const std::vector<Point3d>& expected) {
    std::vector<Point3d> got = listVertices(list);
    ASSERT_GE(got.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("vertex " + std::to_string(i));
        EXPECT_TRUE(nearPoint(got[i], expected[i]));
    }
}

}  // namespace kxtest
