#include <cmath>
#include <set>
#include <thread>
#include <vector>

#include "core_fixture.h"

namespace kxtest {
namespace {

TEST(VectorTest, AngleUsesTheRoundedPiFactor) {
    struct Case {
        double a[3], b[3], expected;
    } cases[] = {
        {{1, 0, 0}, {0, 1, 0}, std::acos(0.0) * 180.0 / 3.1415},
        {{1, 2, 3}, {2, 4, 6}, 0.0},
        {{1, 0, 0}, {-3, 0, 0}, 180.0},
        {{0, 0, 0}, {1, 0, 0}, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_NEAR(vect_angle(c.a, c.b), c.expected, 1e-9);
    }
    double x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    EXPECT_GT(vect_angle(x, y), 90.002);
}

TEST(VectorTest, ArgumentOrderOfBothFamilies) {
    double a[3] = {1, 2, 3}, b[3] = {4, 5, 6}, out[3];
    vecsub(a, b, out);  // out = a - b
    EXPECT_EQ(out[0], -3.0);
    vect_sub(out, a, b);  // out first
    EXPECT_EQ(out[2], -3.0);
    vecscale(2, a, out);
    EXPECT_EQ(out[1], 4.0);
    vect_scale(out, a, 3);
    EXPECT_EQ(out[2], 9.0);
    cross(a, b, out);
    EXPECT_EQ(out[0], -3.0);
    EXPECT_EQ(out[1], 6.0);
    vect_cross(out, b, a);
    EXPECT_EQ(out[1], -6.0);
    vect_min(out, a, b);
    EXPECT_EQ(out[2], 3.0);
    vect_max(out, a, b);
    EXPECT_EQ(out[0], 4.0);
    direction(a, b, out);
    EXPECT_NEAR(norm(out), 1.0, 1e-12);
    vecsum(a, a, a);  // in place
    EXPECT_EQ(a[2], 6.0);
    double zero[3] = {0, 0, 0};
    normalize(zero);
    EXPECT_EQ(zero[0], 0.0);
}

TEST(MatrixTest, InverseTimesMatrixIsIdentity) {
    double m[4][4] = {{2, 0, 1, 0}, {1, 3, 0, 0}, {0, 1, 4, 0}, {5, -2, 7, 1}};
    double inv[4][4];
    double det = mat_inv(inv, m);
    EXPECT_NEAR(det, 25.0, 1e-9);
    double p[3] = {1.5, -2, 3}, q[3], back[3];
    vect_transform(q, p, m);
    vect_transform(back, q, inv);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(back[i], p[i], 1e-12);
    // In place works too.
    mat_inv(m, m);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(m[r][c], inv[r][c], 1e-12);
}

TEST(MatrixTest, SingularMatrixLeavesCopy) {
    double m[4][4] = {{1, 2, 3, 0}, {2, 4, 6, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    double out[4][4];
    EXPECT_EQ(mat_inv(out, m), 0.0);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(out[r][c], m[r][c]);
    double id[4][4];
    mat_identity(id);
    double p[3] = {1, 2, 3}, q[3];
    id[3][0] = 10;  // translation row
    vect_transform(q, p, id);
    EXPECT_EQ(q[0], 11.0);
}

TEST(VectorTest, NormalOfTriangleFollowsWinding) {
    Point3d tri[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    double n[3];
    findnormal(tri, n);
    EXPECT_NEAR(n[2], -1.0, 1e-12);  // (p2 - p0) x (p1 - p0)
}

TEST(VectorTest, HlsToRgb) {
    double out[3];
    hls(123, 0.3, 0, out);
    EXPECT_EQ(out[0], 0.3);
    EXPECT_EQ(out[2], 0.3);
    hls(120, 0.5, 1, out);  // m1 = 0, m2 = 1: pure green
    EXPECT_NEAR(out[0], 0.0, 1e-12);
    EXPECT_NEAR(out[1], 1.0, 1e-12);
    EXPECT_NEAR(out[2], 0.0, 1e-12);
    hls(0, 0.75, 0.5, out);  // m2 = l + s - l s = 0.875, m1 = 0.625
    EXPECT_NEAR(out[0], 0.625, 1e-12);
    EXPECT_NEAR(out[2], 0.875, 1e-12);
    hls(-600, 0.5, 1, out);  // -600 reduces to 120
    EXPECT_NEAR(out[1], 1.0, 1e-12);
    hls(30, 0.5, 1, out);
    EXPECT_NEAR(out[1], 0.5, 1e-12);
}

TEST(RandomTest, FixedCycleOf500) {
    // A fresh thread starts the cycle at position 0.
    std::vector<double> seen;
    std::thread([&] {
        for (int i = 0; i < 501; ++i) seen.push_back(rnd());
    }).join();
    EXPECT_DOUBLE_EQ(seen[0], 0.55883259);
    EXPECT_DOUBLE_EQ(seen[1], 0.43100151);
    EXPECT_DOUBLE_EQ(seen[499], 0.66039455);  // entry 0 comes after entry 499
    EXPECT_DOUBLE_EQ(seen[500], 0.55883259);
    double sum = 0;
    for (int i = 0; i < 500; ++i) {
        EXPECT_GE(seen[i], 0.0);
        EXPECT_LT(seen[i], 1.0);
        sum += seen[i];
    }
    EXPECT_NEAR(sum / 500, 0.5, 0.05);
    EXPECT_GT(std::set<double>(seen.begin(), seen.end()).size(), 490u);
}

}  // namespace
}  // namespace kxtest
