// Reading, defaulting and checking the parameters of the renderer's own shapes.
#include "geometry/shape_parameters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/model_internal.h"

namespace kx::shapes {
namespace {

using kx::model::readExtra;

bool finite(const Point3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

bool same(const Point3d& a, const Point3d& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

std::string format(const char* form, unsigned a, unsigned b = 0) {
    char text[160];
    std::snprintf(text, sizeof text, form, a, b);
    return text;
}

// Fewest points each lathe or prism spline takes.
unsigned fewestPoints(int spline) {
    switch (spline) {
        case kQuadratic: return 3;
        case kCubic: return 4;
        case kBezier: return 4;
        default: return 2;
    }
}

std::string pointsProblem(const std::vector<Point3d>& pts, unsigned fewest) {
    if (pts.size() < fewest) return format("needs at least %u points, has %u", fewest, static_cast<unsigned>(pts.size()));
    for (size_t i = 0; i < pts.size(); ++i) {
        if (!finite(pts[i])) return format("point %u is not a number", static_cast<unsigned>(i + 1));
        if (i > 0 && same(pts[i], pts[i - 1]))
            return format("points %u and %u coincide", static_cast<unsigned>(i), static_cast<unsigned>(i + 1));
    }
    return "";
}

// Proper crossings of two segments of the xz outline (shared corners do not count).
bool segmentsCross(const Point3d& a, const Point3d& b, const Point3d& c, const Point3d& d) {
    auto side = [](const Point3d& p, const Point3d& q, const Point3d& r) {
        return (static_cast<double>(q.x) - p.x) * (static_cast<double>(r.z) - p.z) -
               (static_cast<double>(q.z) - p.z) * (static_cast<double>(r.x) - p.x);
    };
    const double d1 = side(a, b, c), d2 = side(a, b, d), d3 = side(c, d, a), d4 = side(c, d, b);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

bool outlineCrossesItself(const std::vector<Point3d>& pts) {
    const size_t n = pts.size();
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1) continue;  // the closing edge meets the first
            if (segmentsCross(pts[i], pts[(i + 1) % n], pts[j], pts[(j + 1) % n])) return true;
        }
    return false;
}

std::string latheProblem(const ShapeParameters& p) {
    if (p.spline < kLinear || p.spline > kBezier) return "has an unknown spline type";
    std::string problem = pointsProblem(p.profile, fewestPoints(p.spline));
    if (!problem.empty()) return problem;
    if (p.spline == kBezier && p.profile.size() % 4 != 0) return "needs a multiple of 4 points for a bezier spline";
    for (const Point3d& q : p.profile)
        if (q.x < 0) return "has a profile point left of the axis";
    return "";
}

std::string sorProblem(const ShapeParameters& p) {
    std::string problem = pointsProblem(p.profile, 4);
    if (!problem.empty()) return problem;
    for (size_t i = 1; i < p.profile.size(); ++i)
        if (!(p.profile[i].y > p.profile[i - 1].y)) return "needs heights that rise from point to point";
    for (const Point3d& q : p.profile)
        if (q.x < 0) return "has a profile point left of the axis";
    return "";
}

std::string prismProblem(const ShapeParameters& p) {
    if (p.spline < kLinear || p.spline > kBezier) return "has an unknown spline type";
    std::string problem = pointsProblem(p.profile, p.spline == kBezier ? 4 : 3);
    if (!problem.empty()) return problem;
    if (p.spline == kBezier && p.profile.size() % 4 != 0) return "needs a multiple of 4 points for a bezier spline";
    if (!std::isfinite(p.heights[0]) || !std::isfinite(p.heights[1]) || p.heights[0] == p.heights[1])
        return "needs two different heights";
    if (p.spline == kLinear && outlineCrossesItself(p.profile)) return "has an outline that crosses itself";
    return "";
}

std::string sweepProblem(const ShapeParameters& p) {
    if (p.spline < kLinear || p.spline > kCubic) return "has an unknown spline type";
    std::string problem = pointsProblem(p.profile, p.spline == kLinear ? 2 : 4);
    if (!problem.empty()) return problem;
    if (p.radii.size() != p.profile.size()) return "needs a radius for every sphere";
    for (double r : p.radii)
        if (!(r > 0) || !std::isfinite(r)) return "needs radii above 0";
    return "";
}

std::string isosurfaceProblem(const ShapeParameters& p) {
    if (p.function.find_first_not_of(" \t\r\n") == std::string::npos) return "has no function";
    int depth = 0;
    for (char c : p.function) {
        if (c == '{' || c == '}') return "has a brace in its function";
        if (c == '(') ++depth;
        if (c == ')' && --depth < 0) break;
    }
    if (depth != 0) return "has unbalanced parentheses in its function";
    if (p.container != kBoxContainer && p.container != kSphereContainer) return "has an unknown container";
    if (!(p.accuracy > 0) || !(p.maxGradient > 0)) return "needs accuracy and max gradient above 0";
    return "";
}

std::string juliaProblem(const ShapeParameters& p) {
    if (p.iterations < 1) return "needs at least one iteration";
    if (!(p.precision > 0)) return "needs a precision above 0";
    const double n = p.slice[0] * p.slice[0] + p.slice[1] * p.slice[1] + p.slice[2] * p.slice[2] + p.slice[3] * p.slice[3];
    if (!(n > 0) || !std::isfinite(n)) return "needs a slice normal that is not zero";
    for (double c : p.julia)
        if (!std::isfinite(c)) return "has a parameter that is not a number";
    return "";
}

void readPoints(CadObject* obj, unsigned id, std::vector<Point3d>& out) {
    Point3d pts[kMaxProfilePoints];
    const unsigned n = readExtra(obj, id, KX_VALUE_POINTSARRAY, kMaxProfilePoints, pts);
    out.assign(pts, pts + n);
}

void readInteger(CadObject* obj, unsigned id, int& out) {
    int32_t v = 0;
    if (readExtra(obj, id, KX_VALUE_INTEGER, 1, &v) == 1) out = v;
}

void readFloat(CadObject* obj, unsigned id, double& out) {
    double v = 0;
    if (readExtra(obj, id, KX_VALUE_FLOAT, 1, &v) == 1) out = v;
}

template <size_t N>
void readFloats(CadObject* obj, unsigned id, double (&out)[N]) {
    double v[N];
    const unsigned n = readExtra(obj, id, KX_VALUE_FLOATARRAY, N, v);
    std::copy(v, v + n, out);
}

void putPoints(CadObjectInfo* info, unsigned id, std::initializer_list<Point3d> pts) {
    SetObjectExtraInfo(info, KX_VALUE_POINTSARRAY, id, static_cast<unsigned>(pts.size()), pts.begin());
}

void putFloats(CadObjectInfo* info, unsigned id, std::initializer_list<double> values) {
    SetObjectExtraInfo(info, KX_VALUE_FLOATARRAY, id, static_cast<unsigned>(values.size()), values.begin());
}

void putInteger(CadObjectInfo* info, unsigned id, int32_t value) {
    SetObjectExtraInfo(info, KX_VALUE_INTEGER, id, 1, &value);
}

void putFloat(CadObjectInfo* info, unsigned id, double value) { SetObjectExtraInfo(info, KX_VALUE_FLOAT, id, 1, &value); }

}  // namespace

ShapeParameters readShape(CadObject* obj) {
    ShapeParameters p;
    readFloats(obj, KX_PROP_EXPONENTS, p.exponents);
    readInteger(obj, KX_PROP_SPLINETYPE, p.spline);
    readPoints(obj, KX_PROP_PROFILE, p.profile);
    double radii[128];
    const unsigned nr = readExtra(obj, KX_PROP_RADII, KX_VALUE_FLOATARRAY, 128, radii);
    p.radii.assign(radii, radii + nr);
    readFloats(obj, KX_PROP_SWEEPHEIGHTS, p.heights);
    readInteger(obj, KX_PROP_CONIC, p.conic);
    char text[KX_EXTRA_TEXT_MAX + 1] = {};
    ExtraField* field = kx::model::findExtra(obj ? obj->extra : nullptr, KX_PROP_FUNCTION);
    if (field && field->type == KX_VALUE_STRING && GetObjectExtraString(obj, KX_PROP_FUNCTION, text)) {
        text[KX_EXTRA_TEXT_MAX] = '\0';
        p.function = text;
    }
    readInteger(obj, KX_PROP_CONTAINER, p.container);
    readFloat(obj, KX_PROP_THRESHOLD, p.threshold);
    readFloat(obj, KX_PROP_ACCURACY, p.accuracy);
    readFloat(obj, KX_PROP_MAXGRADIENT, p.maxGradient);
    readFloats(obj, KX_PROP_JULIAPARAMETER, p.julia);
    readInteger(obj, KX_PROP_ITERATIONS, p.iterations);
    readFloat(obj, KX_PROP_PRECISION, p.precision);
    readFloats(obj, KX_PROP_SLICE, p.slice);
    return p;
}

void storeDefaults(CadObjectInfo* info, unsigned type) {
    switch (type) {
        case KX_SUPERELLIPSOID: putFloats(info, KX_PROP_EXPONENTS, {0.5, 0.5}); break;
        case KX_LATHE:
            // A vase: a flat foot, a belly and a flared neck.
            putInteger(info, KX_PROP_SPLINETYPE, kLinear);
            putPoints(info, KX_PROP_PROFILE, {{0, -1, 0}, {0.8f, -1, 0}, {1, -0.4f, 0}, {0.45f, 0.4f, 0}, {0.6f, 1, 0}});
            break;
        case KX_SOR:
            putPoints(info, KX_PROP_PROFILE,
                      {{0.2f, -1.2f, 0}, {0.7f, -1, 0}, {1, -0.3f, 0}, {0.5f, 0.5f, 0}, {0.7f, 1, 0}, {0.9f, 1.2f, 0}});
            break;
        case KX_PRISM:
            // A five-pointed star in the xz plane, one unit tall.
            putInteger(info, KX_PROP_SPLINETYPE, kLinear);
            putFloats(info, KX_PROP_SWEEPHEIGHTS, {-0.5, 0.5});
            putPoints(info, KX_PROP_PROFILE,
                      {{0, 0, 1}, {0.26f, 0, 0.36f}, {0.95f, 0, 0.31f}, {0.42f, 0, -0.14f}, {0.59f, 0, -0.81f},
                       {0, 0, -0.45f}, {-0.59f, 0, -0.81f}, {-0.42f, 0, -0.14f}, {-0.95f, 0, 0.31f}, {-0.26f, 0, 0.36f}});
            break;
        case KX_SPHERESWEEP:
            putInteger(info, KX_PROP_SPLINETYPE, kLinear);
            putPoints(info, KX_PROP_PROFILE, {{-1, -0.3f, 0}, {0, 0.5f, 0}, {1, -0.3f, 0}});
            putFloats(info, KX_PROP_RADII, {0.3, 0.2, 0.3});
            break;
        case KX_ISOSURFACE:
            SetObjectExtraInfo(info, KX_VALUE_STRING, KX_PROP_FUNCTION, 1, "sqrt(x*x + y*y + z*z) - 0.9");
            putInteger(info, KX_PROP_CONTAINER, kBoxContainer);
            putFloat(info, KX_PROP_THRESHOLD, 0);
            putFloat(info, KX_PROP_ACCURACY, 0.001);
            putFloat(info, KX_PROP_MAXGRADIENT, 4);
            break;
        case KX_JULIA:
            putFloats(info, KX_PROP_JULIAPARAMETER, {-0.083, 0, -0.83, -0.025});
            putInteger(info, KX_PROP_ITERATIONS, 8);
            putFloat(info, KX_PROP_PRECISION, 15);
            putFloats(info, KX_PROP_SLICE, {0, 0, 0, 1, 0});
            break;
        default: break;
    }
}

std::string shapeProblem(unsigned type, const ShapeParameters& p) {
    switch (type) {
        case KX_SUPERELLIPSOID:
            if (!(p.exponents[0] > 0) || !(p.exponents[1] > 0) || !std::isfinite(p.exponents[0]) ||
                !std::isfinite(p.exponents[1]))
                return "needs exponents above 0";
            return "";
        case KX_LATHE: return latheProblem(p);
        case KX_SOR: return sorProblem(p);
        case KX_PRISM: return prismProblem(p);
        case KX_SPHERESWEEP: return sweepProblem(p);
        case KX_ISOSURFACE: return isosurfaceProblem(p);
        case KX_JULIA: return juliaProblem(p);
        default: return "";
    }
}

std::vector<Point3d> prismSplinePoints(const ShapeParameters& p) {
    const std::vector<Point3d>& o = p.profile;
    if (o.empty() || p.spline == kBezier) return o;
    const size_t n = o.size();
    std::vector<Point3d> out;
    // Quadratic and cubic splines begin with a point that only steers the
    // first segment; the second point and the one that closes the outline
    // (the last, or for cubic the last but one) must be the same.
    if (p.spline == kQuadratic || p.spline == kCubic) out.push_back(o[n - 1]);
    out.insert(out.end(), o.begin(), o.end());
    out.push_back(o[0]);
    if (p.spline == kCubic) out.push_back(o[1 % n]);
    return out;
}

const char* splineKeyword(int spline) {
    switch (spline) {
        case kQuadratic: return "quadratic_spline";
        case kCubic: return "cubic_spline";
        case kBezier: return "bezier_spline";
        default: return "linear_spline";
    }
}

const char* sweepSplineKeyword(int spline) {
    switch (spline) {
        case 1: return "b_spline";
        case 2: return "cubic_spline";
        default: return "linear_spline";
    }
}

}  // namespace kx::shapes

int GetShapeProblem(CadObject* obj, char* out, unsigned size) {
    std::string problem;
    if (obj && KxIsRendererShape(obj->type)) problem = kx::shapes::shapeProblem(obj->type, kx::shapes::readShape(obj));
    if (out && size) {
        const size_t n = std::min<size_t>(problem.size(), size - 1);
        problem.copy(out, n);
        out[n] = '\0';
    }
    return problem.empty() ? 0 : 1;
}
