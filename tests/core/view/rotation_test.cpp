#include <cmath>

#include "core_fixture.h"

namespace kxtest {
namespace {

const double kPi = 4.0 * std::atan(1.0);

struct Vec {
    double x, y, z;
};

Vec turnZ(Vec p) {
    Vec o{};
    rotateZ(p.x, p.y, p.z, &o.x, &o.y, &o.z);
    return o;
}

// Reference turn by Rodrigues' formula with a plainly normalised axis.
Vec rodrigues(Vec p, Vec c, Vec a, double angle) {
    double len = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    Vec n = len == 0 ? Vec{0, 0, 1} : Vec{a.x / len, a.y / len, a.z / len};
    Vec v{p.x - c.x, p.y - c.y, p.z - c.z};
    double cs = std::cos(angle), sn = std::sin(angle), d = n.x * v.x + n.y * v.y + n.z * v.z;
    Vec k{n.y * v.z - n.z * v.y, n.z * v.x - n.x * v.z, n.x * v.y - n.y * v.x};
    return {c.x + v.x * cs + k.x * sn + n.x * d * (1 - cs),
            c.y + v.y * cs + k.y * sn + n.y * d * (1 - cs),
            c.z + v.z * cs + k.z * sn + n.z * d * (1 - cs)};
}

void expectNear(Vec got, Vec want, double tol = 1e-12) {
    EXPECT_NEAR(got.x, want.x, tol);
    EXPECT_NEAR(got.y, want.y, tol);
    EXPECT_NEAR(got.z, want.z, tol);
}

using RotationTest = CoreTest;

TEST_F(RotationTest, QuarterTurnAboutZInBothForms) {
    expectNear(turnZ({1.5, -2, 3}), {1.5, -2, 3}, 0);  // identity before any preparation
    initrotate(0, 0, 0, 0, 0, 1, kPi / 2);
    expectNear(turnZ({1, 0, 0}), {0, 1, 0});
    Vec o{};
    rotate(1, 0, 0, &o.x, &o.y, &o.z);
    expectNear(o, {0, 0, 1});
    rotate(0, 0, 1, &o.x, &o.y, &o.z);  // the y-up form reads z as its y
    expectNear(o, {-1, 0, 0});
}

// Axes in every quadrant of the horizontal plane (the spherical angles branch
// on the signs), vertical and zero axes, non-unit lengths, off-origin centres.
TEST_F(RotationTest, MatchesRodriguesForAxesInEveryQuadrant) {
    struct Case {
        Vec centre, axis;
        double angle;
    } cases[] = {
        {{0, 0, 0}, {1, 0, 0}, kPi / 2},  {{0, 0, 0}, {0, 1, 0}, kPi / 2},
        {{0, 0, 0}, {0, -1, 0}, kPi / 3}, {{0, 0, 0}, {-1, 0, 0}, 0.7},
        {{1, 2, 3}, {2, 3, 4}, 1.1},      {{-1, 0, 5}, {-2, 3, -4}, -0.4},
        {{0, 0, 0}, {-2, -3, 1}, 2.5},    {{4, 4, 4}, {2, -3, 0.5}, 3.0},
        {{0, 0, 0}, {0, 0, -7}, kPi / 2}, {{3, -1, 2}, {0, 0, 0}, kPi / 4},
        {{0, 0, 0}, {0, 5, 5}, kPi},      {{0, 0, 0}, {1e-3, 0, 1e3}, 1.0},
    };
    const Vec points[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {-2.5, 7, 0.25}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "axis " << c.axis.x << "," << c.axis.y << ","
                                        << c.axis.z << " angle " << c.angle);
        initrotate(c.centre.x, c.centre.y, c.centre.z, c.axis.x, c.axis.y, c.axis.z, c.angle);
        for (Vec p : points) expectNear(turnZ(p), rodrigues(p, c.centre, c.axis, c.angle), 1e-9);
        expectNear(turnZ(c.centre), c.centre, 1e-9);
    }
}

TEST_F(RotationTest, PreparedRotationStaysUntilTheNextOne) {
    initrotate(1, 1, 0, 0, 0, 1, kPi);
    expectNear(turnZ({2, 1, 0}), {0, 1, 0});
    expectNear(turnZ({1, 2, 5}), {1, 0, 5});
    initrotate(0, 0, 0, 0, 0, 1, 0);
    expectNear(turnZ({2, 1, 0}), {2, 1, 0});
    rotate(1, 0, 0, nullptr, nullptr, nullptr);  // null outputs are skipped
}

}  // namespace
}  // namespace kxtest
