// Proxy meshes of isosurfaces and julia fractals: the function text compiler,
// the field mesher and the julia field.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "geometry/implicit_function.h"
#include "geometry/julia_field.h"
#include "geometry/marching_cubes.h"

namespace kxtest {
namespace {

using kx::geometry::FieldBox;
using kx::geometry::ImplicitFunction;
using kx::geometry::JuliaParameters;
using kx::geometry::MarchResult;
using kx::geometry::marchingCubes;
using Triangle = std::array<Point3d, 3>;
constexpr double kPi = std::numbers::pi;

// ---- mesh measures ------------------------------------------------------

using Key = std::tuple<float, float, float>;
Key key(const Point3d& p) { return {p.x, p.y, p.z}; }

bool degenerate(const Triangle& t) { return key(t[0]) == key(t[1]) || key(t[1]) == key(t[2]) || key(t[2]) == key(t[0]); }

// Closed and consistently wound: every edge is run as often one way as the
// other; once each way when `manifold`. (Where samples equal the level,
// corners of neighbouring triangles meet in one point and an edge may be run
// twice each way.)
::testing::AssertionResult closedAndConsistent(const std::vector<Triangle>& ts, bool manifold = true) {
    std::map<std::pair<Key, Key>, int> runs;
    for (const Triangle& t : ts)
        for (int i = 0; i < 3; ++i)
            if (key(t[i]) != key(t[(i + 1) % 3])) ++runs[{key(t[i]), key(t[(i + 1) % 3])}];
    for (const auto& [edge, count] : runs) {
        const auto back = runs.find({edge.second, edge.first});
        const int reverse = back == runs.end() ? 0 : back->second;
        if (count != reverse || (manifold && count != 1))
            return ::testing::AssertionFailure() << "edge from (" << std::get<0>(edge.first) << ", "
                                                 << std::get<1>(edge.first) << ", " << std::get<2>(edge.first)
                                                 << ") run " << count << " times, back " << reverse << " times";
    }
    return ::testing::AssertionSuccess();
}

// The volume the triangles enclose, by the divergence theorem; positive when
// they face outwards.
double enclosedVolume(const std::vector<Triangle>& ts) {
    double six = 0;
    for (const Triangle& t : ts) {
        const double a[3] = {t[0].x, t[0].y, t[0].z}, b[3] = {t[1].x, t[1].y, t[1].z}, c[3] = {t[2].x, t[2].y, t[2].z};
        six += a[0] * (b[1] * c[2] - b[2] * c[1]) + a[1] * (b[2] * c[0] - b[0] * c[2]) + a[2] * (b[0] * c[1] - b[1] * c[0]);
    }
    return six / 6;
}

FieldBox boundsOf(const std::vector<Triangle>& ts) {
    FieldBox b{{1e300, 1e300, 1e300}, {-1e300, -1e300, -1e300}};
    for (const Triangle& t : ts)
        for (const Point3d& p : t) {
            const double v[3] = {p.x, p.y, p.z};
            for (int a = 0; a < 3; ++a) {
                b.min[a] = std::min(b.min[a], v[a]);
                b.max[a] = std::max(b.max[a], v[a]);
            }
        }
    return b;
}

FieldBox cube(double half) { return {{-half, -half, -half}, {half, half, half}}; }

kx::geometry::ScalarField fieldOf(const ImplicitFunction& f) {
    return [&f](double x, double y, double z) { return f(x, y, z); };
}

// ---- the function text ----------------------------------------------------

TEST(ImplicitFunctionTest, ValuesFollowTheSyntax) {
    const double x = 0.3, y = -0.7, z = 1.2;  // the point every row but the library ones uses
    struct Case {
        const char* text;
        double px, py, pz;
        double expected;
        bool library = false;
    };
    const Case cases[] = {
        {"1 + 2 * 3", x, y, z, 1 + 2 * 3},
        {"(1 + 2) * 3", x, y, z, (1 + 2) * 3},
        {"x - y - z", x, y, z, (x - y) - z},
        {"x / y / 2", x, y, z, (x / y) / 2},
        {"2 ^ 3 ^ 2", x, y, z, std::pow(2, 9)},
        {"-x ^ 2", x, y, z, -(x * x)},
        {"2 ^ -1 * 3", x, y, z, 0.5 * 3},
        {"+x * -y - -z", x, y, z, x * -y + z},
        {"u + v * z", x, y, z, x + y * z},
        {"pi * x", x, y, z, kPi * x},
        {".5e1 + 1e-3 + 2.", x, y, z, 5.001 + 2},
        {"x\n*\tx  +\r\n1", x, y, z, x * x + 1},
        {"x < y", x, y, z, 0},
        {"y < x", x, y, z, 1},
        {"x <= x", x, y, z, 1},
        {"x > z", x, y, z, 0},
        {"z >= x", x, y, z, 1},
        {"x = x", x, y, z, 1},
        {"x != x", x, y, z, 0},
        {"3 > 2 > 1", x, y, z, 0},             // (3 > 2) > 1
        {"1 + 1 < 3", x, y, z, 1},             // + before <
        {"1 | 0 & 0", x, y, z, 1},             // & before |
        {"x > 0 & y > 0", x, y, z, 0},
        {"x > 0 | y > 0", x, y, z, 1},
        {"sin(x) + cos(y) * tan(z)", x, y, z, std::sin(x) + std::cos(y) * std::tan(z)},
        {"asin(x) + acos(y) + atan(z)", x, y, z, std::asin(x) + std::acos(y) + std::atan(z)},
        {"atan2(y, x)", x, y, z, std::atan2(y, x)},
        {"sinh(x) - cosh(y) + tanh(z)", x, y, z, std::sinh(x) - std::cosh(y) + std::tanh(z)},
        {"sqrt(abs(y)) + pow(2, z) + exp(x)", x, y, z, std::sqrt(0.7) + std::pow(2, z) + std::exp(x)},
        {"log(100) + ln(exp(z))", x, y, z, 2 + z},
        {"floor(y) + ceil(x) * 10", x, y, z, -1 + 10},
        {"mod(7, 3) + mod(-7, 3) * 10", x, y, z, 1 - 10},
        {"min(x, y, z) + max(x, y, z, 4) * 10", x, y, z, y + 40},
        {"select(y, 1, 2) + select(x, 1, 2) * 10", x, y, z, 1 + 20},
        {"select(y, 1, 2, 3) + select(x - x, 1, 2, 3) * 10 + select(x, 1, 2, 3) * 100", x, y, z, 1 + 20 + 300},
        {"f_sphere(x, y, z, 1)", x, y, z, std::sqrt(x * x + y * y + z * z) - 1, true},
        {"f_sphere(x - 1, y, z, 0.5)", 2.5, 0, 0, 1.5 - 0.5, true},
        {"f_torus(x, y, z, 1, 0.25)", 0, 0.5, 1, 0.5 - 0.25, true},   // above the tube's centre line
        {"f_torus(x, y, z, 1, 0.25)", 0, 0, 0, 1 - 0.25, true},       // the hole's centre
        {"f_rounded_box(x, y, z, 0.1, 1, 2, 3)", 2, 0, 0, 1, true},   // off the middle of a face
        {"f_rounded_box(x, y, z, 0.1, 1, 2, 3)", 0, 0, 0, -1, true},  // the centre, nearest the x faces
        {"f_rounded_box(x, y, z, 0.1, 1, 2, 3)", 1.3, 2.4, 0, std::hypot(0.4, 0.5) - 0.1, true},  // by an edge
        // e shapes the x/y section, n the profile along z.
        {"f_superellipsoid(x, y, z, 1, 0.5)", 0.5, 0.5, 0, std::pow(0.5, 2) - 1, true},
        {"f_superellipsoid(x, y, z, 1, 0.5)", 0.5, 0, 0.5, std::pow(0.25, 2) + std::pow(0.5, 4) - 1, true},
        {"f_superellipsoid(x, y, z, 1, 1)", x, y, z, x * x + y * y + z * z - 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ImplicitFunction f = ImplicitFunction::compile(c.text);
        ASSERT_TRUE(f.valid()) << f.error();
        EXPECT_TRUE(f.error().empty());
        EXPECT_NEAR(f(c.px, c.py, c.pz), c.expected, 1e-12 * std::max(1.0, std::fabs(c.expected)));
        EXPECT_EQ(f.usesLibraryFunctions(), c.library);
    }
}

TEST(ImplicitFunctionTest, ResultsThatAreNotNumbersComeBackOutside) {
    for (const char* text : {"1 / x", "sqrt(x - 1)", "ln(x)", "0 / 0", "-1 / x", "exp(1000) * x"}) {
        SCOPED_TRACE(text);
        const ImplicitFunction f = ImplicitFunction::compile(text);
        ASSERT_TRUE(f.valid()) << f.error();
        EXPECT_EQ(f(0, 0.5, 0.5), ImplicitFunction::kOutside);
    }
}

TEST(ImplicitFunctionTest, ConstantPartsAreWorkedOutOnce) {
    struct Case {
        const char* text;
        size_t instructions;
    };
    const Case cases[] = {{"sin(pi / 2) * 2 + 1", 1}, {"x + 2 * 3", 3}, {"--1", 1}, {"min(1, 2, x)", 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ImplicitFunction f = ImplicitFunction::compile(c.text);
        ASSERT_TRUE(f.valid()) << f.error();
        EXPECT_EQ(f.programSize(), c.instructions);
    }
}

std::string repeated(const std::string& piece, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) out += piece;
    return out;
}

TEST(ImplicitFunctionTest, BadTextsAreRefusedWithTheirReason) {
    const unsigned deep = ImplicitFunction::kMaxNesting + 1;
    struct Case {
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"", "empty function"},
        {" \n\t ", "empty function"},
        {"f_noise3d(x, y, z)", "unknown function f_noise3d"},
        {"x + foo", "unknown function foo"},
        {"x(1)", "unknown function x"},
        {"(x + 1", "unbalanced parentheses"},
        {"x + 1)", "unbalanced parentheses"},
        {")", "unbalanced parentheses"},
        {"sin(x", "unbalanced parentheses"},
        {"((x)", "unbalanced parentheses"},
        {"x" + std::string(ImplicitFunction::kMaxTextLength, ' '), "function text too long"},
        {repeated("(", deep) + "x" + repeated(")", deep), "function nested too deeply"},
        {repeated("abs(", deep) + "x" + repeated(")", deep), "function nested too deeply"},
        {repeated("(", 4000), "function nested too deeply"},
        {repeated("x^", 300) + "x", "function too complex"},
        {repeated("x+", 1100) + "x", "function too complex"},
        {repeated("-", 4000) + "x", "function too complex"},
        {"x y", "unexpected 'y'"},
        {"x 1", "unexpected '1'"},
        {"1e", "unexpected 'e'"},
        {",", "unexpected ','"},
        {"x, y", "unexpected ','"},
        {"(x, y)", "unexpected ','"},
        {"x * * y", "unexpected '*'"},
        {"()", "expected a value before ')'"},
        {"x +", "expected a value at the end"},
        {"x # y", "unexpected character '#'"},
        {std::string("x\0y", 3), "unexpected character '\\x00'"},
        {"1e999 * x", "number out of range 1e999"},
        {"sin", "expected ( after sin"},
        {"sin()", "sin takes 1 argument"},
        {"atan2(x)", "atan2 takes 2 arguments"},
        {"min(x)", "min takes 2 or more arguments"},
        {"select(x, y)", "select takes 3 or 4 arguments"},
        {"select(x, y, z, 1, 2)", "select takes 3 or 4 arguments"},
        {"f_sphere(x, y, z)", "f_sphere takes 4 arguments"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        const ImplicitFunction f = ImplicitFunction::compile(c.text);
        EXPECT_FALSE(f.valid());
        EXPECT_EQ(f.error(), c.error);
        EXPECT_EQ(f(0.5, 0.5, 0.5), ImplicitFunction::kOutside);
    }
}

TEST(ImplicitFunctionTest, LimitsAreInclusive) {
    const unsigned depth = ImplicitFunction::kMaxNesting;
    const std::string cases[] = {
        "x" + std::string(ImplicitFunction::kMaxTextLength - 1, ' '),
        repeated("(", depth) + "x" + repeated(")", depth),
        repeated("abs(", depth) + "x" + repeated(")", depth),
        repeated("-", 2000) + "1",  // folds to one constant
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 40));
        const ImplicitFunction f = ImplicitFunction::compile(text);
        EXPECT_TRUE(f.valid()) << f.error();
        EXPECT_NE(f(0.5, 0, 0), ImplicitFunction::kOutside);
    }
}

// ---- meshing ---------------------------------------------------------------

TEST(MarchingCubesTest, ClosedSurfacesKeepTheirBoundsAndVolume) {
    // Steiner's formula for the box of half-sizes a, b, c rounded by r.
    auto roundedBoxVolume = [](double a, double b, double c, double r) {
        const double l[3] = {2 * (a - r), 2 * (b - r), 2 * (c - r)};
        return l[0] * l[1] * l[2] + 2 * (l[0] * l[1] + l[1] * l[2] + l[0] * l[2]) * r +
               kPi * (l[0] + l[1] + l[2]) * r * r + 4.0 / 3 * kPi * r * r * r;
    };
    struct Case {
        const char* text;
        double level;
        FieldBox box;
        double half[3];  // the shape's bounding box is -half..half
        double volume;
        bool manifold = true;  // no sample falls exactly on the level
    };
    const Case cases[] = {
        {"x*x+y*y+z*z-1", 0, {{-1.3, -1.25, -1.2}, {1.2, 1.35, 1.3}}, {1, 1, 1}, 4.0 / 3 * kPi},
        {"f_sphere(x,y,z,1)", 0, cube(1.5), {1, 1, 1}, 4.0 / 3 * kPi},
        {"x*x+y*y+z*z", 0.25, cube(0.9), {0.5, 0.5, 0.5}, 4.0 / 3 * kPi / 8},
        {"f_torus(x,y,z,1,0.25)", 0, cube(1.45), {1.25, 0.25, 1.25}, 2 * kPi * kPi * 1 * 0.25 * 0.25},
        // Its faces fall on sample planes, where the field is exactly the level.
        {"max(abs(x),abs(y),abs(z))-0.5", 0, cube(1), {0.5, 0.5, 0.5}, 1, false},
        {"f_rounded_box(x,y,z,0.1,0.4,0.5,0.6)", 0, cube(0.8), {0.4, 0.5, 0.6}, roundedBoxVolume(0.4, 0.5, 0.6, 0.1),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ImplicitFunction f = ImplicitFunction::compile(c.text);
        ASSERT_TRUE(f.valid()) << f.error();
        const MarchResult m = marchingCubes(fieldOf(f), c.level, c.box, 64, 1e6);
        ASSERT_TRUE(m.complete);
        ASSERT_FALSE(m.triangles.empty());
        EXPECT_TRUE(closedAndConsistent(m.triangles, c.manifold));
        const FieldBox b = boundsOf(m.triangles);
        for (int a = 0; a < 3; ++a) {
            SCOPED_TRACE("axis " + std::to_string(a));
            EXPECT_NEAR(b.min[a], -c.half[a], 0.05 * 2 * c.half[a]);
            EXPECT_NEAR(b.max[a], c.half[a], 0.05 * 2 * c.half[a]);
        }
        EXPECT_NEAR(enclosedVolume(m.triangles), c.volume, 0.05 * c.volume);
    }
}

TEST(MarchingCubesTest, NormalsFaceGrowingField) {
    // A sphere, and its complement, whose inside runs out of the box: there the
    // normals face the centre, and the mesh is open at the box.
    struct Case {
        const char* text;
        double sign;  // of each normal's dot product with its triangle's centre
    };
    for (const Case& c : {Case{"x*x+y*y+z*z-1", 1}, Case{"1-x*x-y*y-z*z", -1}}) {
        SCOPED_TRACE(c.text);
        const ImplicitFunction f = ImplicitFunction::compile(c.text);
        const MarchResult m = marchingCubes(fieldOf(f), 0, cube(1.5), 24, 1e6);
        ASSERT_FALSE(m.triangles.empty());
        size_t wrong = 0;
        for (const Triangle& t : m.triangles) {
            if (degenerate(t)) continue;
            const double u[3] = {t[1].x - t[0].x, t[1].y - t[0].y, t[1].z - t[0].z};
            const double v[3] = {t[2].x - t[0].x, t[2].y - t[0].y, t[2].z - t[0].z};
            const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
            const double centre[3] = {t[0].x + t[1].x + t[2].x, t[0].y + t[1].y + t[2].y, t[0].z + t[1].z + t[2].z};
            wrong += c.sign * (n[0] * centre[0] + n[1] * centre[1] + n[2] * centre[2]) <= 0;
        }
        EXPECT_EQ(wrong, 0u);
    }
}

TEST(MarchingCubesTest, FieldsThatAreNotNumbersCountAsOutside) {
    // NaN beyond the unit sphere: the sphere still closes.
    const auto partial = [](double x, double y, double z) {
        const double r2 = x * x + y * y + z * z;
        return r2 < 1.1 ? r2 - 1 : std::numeric_limits<double>::quiet_NaN();
    };
    const MarchResult m = marchingCubes(partial, 0, cube(1.5), 20);
    EXPECT_FALSE(m.triangles.empty());
    // Crossings next to a far outside sample fall onto the inside corner, so
    // neighbouring triangles meet in points there.
    EXPECT_TRUE(closedAndConsistent(m.triangles, false));
    EXPECT_GT(enclosedVolume(m.triangles), 0);
}

TEST(MarchingCubesTest, EmptyBoxesAndFieldsGiveNothing) {
    const auto sphere = [](double x, double y, double z) { return x * x + y * y + z * z - 1; };
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const FieldBox boxes[] = {
        {{1, -1, -1}, {-1, 1, 1}},    // inverted
        {{-1, 0, -1}, {1, 0, 1}},     // flat
        {{-1, -1, nan}, {1, 1, 1}},
        {{-1, -1, -1}, {1, inf, 1}},
    };
    for (const FieldBox& box : boxes) {
        const MarchResult m = marchingCubes(sphere, 0, box, 16);
        EXPECT_TRUE(m.triangles.empty());
        EXPECT_TRUE(m.complete);
    }
    const MarchResult none = marchingCubes(kx::geometry::ScalarField{}, 0, cube(1), 16);
    EXPECT_TRUE(none.triangles.empty());
}

TEST(MarchingCubesTest, CellCountsAreClamped) {
    // A plane cuts every column of cells once, so the triangle count follows n.
    const auto plane = [](double, double, double z) { return z - 0.123; };
    struct Case {
        unsigned asked, used;
    };
    // The budget is generous for 128 cells a side, and far too small for 5000.
    const double budget = 5000;
    for (const Case& c : {Case{0, 2}, Case{1, 2}, Case{5000, 128}}) {
        SCOPED_TRACE(c.asked);
        const MarchResult asked = marchingCubes(plane, 0, cube(1), c.asked, budget);
        const MarchResult used = marchingCubes(plane, 0, cube(1), c.used, budget);
        EXPECT_TRUE(asked.complete);
        EXPECT_EQ(asked.triangles.size(), used.triangles.size());
        EXPECT_GT(used.triangles.size(), 0u);
    }
}

TEST(MarchingCubesTest, BudgetsStopTheMarch) {
    const ImplicitFunction f = ImplicitFunction::compile("f_sphere(x,y,z,1)");
    const MarchResult full = marchingCubes(fieldOf(f), 0, cube(1.5), 32, 1e6);
    ASSERT_TRUE(full.complete);
    const MarchResult timed = marchingCubes(fieldOf(f), 0, cube(1.5), 128, 0.001);
    EXPECT_FALSE(timed.complete);
    const MarchResult counted = marchingCubes(fieldOf(f), 0, cube(1.5), 32, 1e6, 100);
    EXPECT_FALSE(counted.complete);
    EXPECT_EQ(counted.triangles.size(), 100u);
    const MarchResult exact = marchingCubes(fieldOf(f), 0, cube(1.5), 32, 1e6, full.triangles.size());
    EXPECT_TRUE(exact.complete);
}

// ---- the julia field -------------------------------------------------------

const JuliaParameters kJulia = {{-0.083, 0.0, -0.83, -0.025}, 8, {0, 0, 0, 1}, 0};

kx::geometry::ScalarField juliaOf(const JuliaParameters& j) {
    return [p = kx::geometry::prepareJulia(j)](double x, double y, double z) { return kx::geometry::juliaField(p, x, y, z); };
}

TEST(JuliaFieldTest, MeshIsClosedAndBounded) {
    const MarchResult m = marchingCubes(juliaOf(kJulia), 0, cube(2), 48, 1e6);
    ASSERT_TRUE(m.complete);
    ASSERT_FALSE(m.triangles.empty());
    EXPECT_TRUE(closedAndConsistent(m.triangles));
    EXPECT_GT(enclosedVolume(m.triangles), 0);
    double farthest = 0;
    for (const Triangle& t : m.triangles)
        for (const Point3d& p : t) farthest = std::max(farthest, std::sqrt(double{p.x} * p.x + p.y * p.y + p.z * p.z));
    EXPECT_LT(farthest, 2);
}

TEST(JuliaFieldTest, TinyBudgetStopsWithoutHarm) {
    const MarchResult m = marchingCubes(juliaOf(kJulia), 0, cube(2), 128, 0.001);
    EXPECT_FALSE(m.complete);
}

TEST(JuliaFieldTest, SlicesNamedDifferentlyAreTheSame) {
    JuliaParameters real = kJulia;  // a real c: the set turns freely about the real axis
    real.c[0] = -0.6;
    real.c[1] = real.c[2] = real.c[3] = 0;
    struct Case {
        const char* name;
        JuliaParameters a, b;
    };
    auto sliced = [](JuliaParameters j, std::array<double, 4> normal, double distance) {
        for (int i = 0; i < 4; ++i) j.slice[i] = normal[i];
        j.sliceDistance = distance;
        return j;
    };
    auto iterated = [](JuliaParameters j, unsigned n) {
        j.iterations = n;
        return j;
    };
    const Case cases[] = {
        {"normal's length", sliced(kJulia, {0, 0, 0, 1}, 0.3), sliced(kJulia, {0, 0, 0, 2.5}, 0.3)},
        {"zero normal", sliced(kJulia, {0, 0, 0, 1}, 0.3), sliced(kJulia, {0, 0, 0, 0}, 0.3)},
        {"opposite normal", sliced(kJulia, {0, 0, 0, 1}, 0.3), sliced(kJulia, {0, 0, 0, -1}, -0.3)},
        {"j for k", sliced(real, {0, 0, 0, 1}, 0.2), sliced(real, {0, 0, 1, 0}, 0.2)},
        {"no iterations", iterated(kJulia, 0), iterated(kJulia, 1)},
        {"too many iterations", iterated(kJulia, 1000), iterated(kJulia, 100)},
    };
    const double points[][3] = {{0.1, 0.2, 0.3}, {-0.4, 0.35, 0.1}, {0.7, -0.2, -0.5}, {1.5, 0.5, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& p : points) {
            const double a = kx::geometry::juliaField(c.a, p[0], p[1], p[2]);
            const double b = kx::geometry::juliaField(c.b, p[0], p[1], p[2]);
            EXPECT_NEAR(a, b, 1e-9 * std::max(1.0, std::fabs(a)));
        }
    }
}

TEST(JuliaFieldTest, SliceAxesAreOrthonormal) {
    const std::array<double, 4> normals[] = {{0, 0, 0, 1}, {1, 0, 0, 0}, {1, 2, -3, 0.5}, {0.2, 0.2, 0.2, -0.2}};
    for (const auto& normal : normals) {
        JuliaParameters j = kJulia;
        for (int i = 0; i < 4; ++i) j.slice[i] = normal[i];
        j.sliceDistance = 0.7;
        const kx::geometry::PreparedJulia p = kx::geometry::prepareJulia(j);
        const double length = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2] + normal[3] * normal[3]);
        auto dot = [](const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3]; };
        const double unit[4] = {normal[0] / length, normal[1] / length, normal[2] / length, normal[3] / length};
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(dot(p.axes[i], unit), 0, 1e-12);
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(dot(p.axes[i], p.axes[k]), i == k ? 1 : 0, 1e-12);
        }
        EXPECT_NEAR(dot(p.offset, unit), 0.7, 1e-12);
    }
    // The default slice is the quaternion (x, y, z, distance) itself.
    const kx::geometry::PreparedJulia d = kx::geometry::prepareJulia(kJulia);
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 4; ++k) EXPECT_EQ(d.axes[i][k], i == k ? 1 : 0);
}

TEST(JuliaFieldTest, FieldIsSmoothAcrossTheSurface) {
    // Along rays from the centre, where the sign changes both samples are
    // within a few steps of zero: the field grows about like distance.
    const double step = 1e-4;
    const double rays[][3] = {{0.6, 0.48, 0.64}, {1, 0, 0}, {0, 0, 1}, {-0.36, 0.8, 0.48}};
    const auto prepared = kx::geometry::prepareJulia(kJulia);
    for (const auto& d : rays) {
        size_t crossings = 0;
        double before = kx::geometry::juliaField(prepared, 0, 0, 0);
        EXPECT_LT(before, 0);  // the centre lies in this connected set
        for (double t = step; t < 2.5; t += step) {
            const double after = kx::geometry::juliaField(prepared, t * d[0], t * d[1], t * d[2]);
            if ((before < 0) != (after < 0)) {
                ++crossings;
                EXPECT_LT(std::fabs(before), 10 * step) << "at " << t;
                EXPECT_LT(std::fabs(after), 10 * step) << "at " << t;
            }
            before = after;
        }
        EXPECT_GE(crossings, 1u);
        EXPECT_GT(before, 0);  // outside, past radius 2
    }
}

}  // namespace
}  // namespace kxtest
