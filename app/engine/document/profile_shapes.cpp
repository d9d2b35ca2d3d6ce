// Making the renderer's profile shapes from drawn profiles.
#include "document/profile_shapes.h"

#include <cmath>
#include <vector>

#include "document/profile_edits.h"
#include "model/scene_model.h"

namespace kx::app {
namespace {

// Most points a shape's profile keeps (what one of its fields holds).
constexpr size_t kMostProfilePoints = 85;

const char* stepName(unsigned type) {
    switch (type) {
        case KX_LATHE: return "Make Lathe";
        case KX_SOR: return "Make Surface of Revolution";
        case KX_PRISM: return "Make Prism";
        default: return "Make Sphere Sweep";
    }
}

// The profile as the kind reads it, without repeated neighbours (a closed
// outline drawn back to its start loses the repeat: the prism closes itself).
std::vector<Point3d> shapePoints(const std::vector<Point3d>& drawn, unsigned type) {
    std::vector<Point3d> out;
    for (const Point3d& p : drawn) {
        Point3d q = p;
        if (type == KX_LATHE || type == KX_SOR) q = Point3d{std::fabs(p.x), p.y, 0};
        if (type == KX_PRISM) q = Point3d{p.x, 0, p.z};
        if (!out.empty() && out.back().x == q.x && out.back().y == q.y && out.back().z == q.z) continue;
        out.push_back(q);
    }
    if (type == KX_PRISM && out.size() > 2 && out.front().x == out.back().x && out.front().z == out.back().z)
        out.pop_back();
    return out;
}

// The shape of `type` from the profile as the step `step`; a prism takes
// the heights when given.
ProfileShapeResult makeShape(EditHistory& history, CadObject* profile, unsigned type, const char* step,
                             const double* heights) {
    ProfileShapeResult result;
    if (!profile || (type != KX_LATHE && type != KX_SOR && type != KX_PRISM && type != KX_SPHERESWEEP)) {
        result.refused = "Select a drawn profile first";
        return result;
    }
    std::vector<Point3d> pts = shapePoints(profilePoints(profile), type);
    if (pts.size() > kMostProfilePoints) {
        result.refused = "The profile has more than 85 points";
        return result;
    }
    SceneModel::Transaction lock;
    if (!lock.owns()) return result;
    EditRecorder rec(history, step);
    CadObject* shape = CreateDefaultObjectEx(nullptr, type, nullptr);
    if (!shape) return result;
    SetCadObjectProperty(shape, "Profile", pts.data(), static_cast<int>(pts.size()));
    if (type == KX_PRISM && heights) {
        double values[2] = {heights[0], heights[1]};
        SetCadObjectProperty(shape, "SweepHeights", values, 2);
    }
    if (type == KX_SPHERESWEEP) {
        std::vector<double> radii(pts.size(), 0.25);
        SetCadObjectProperty(shape, "Radii", radii.data(), static_cast<int>(radii.size()));
    }
    char problem[160] = {};
    if (GetShapeProblem(shape, problem, sizeof problem)) {
        DeleteCadObject(shape);
        result.refused = std::string("The profile ") + problem;
        return result;
    }
    RebuildObjectEx(shape, 1);
    SetObjectsUnSelected();
    SetCadObjectProperty(shape, "Select", 1u);
    rec.commit();
    result.shape = shape;
    return result;
}

}  // namespace

ProfileShapeResult shapeFromProfile(EditHistory& history, CadObject* profile, unsigned type) {
    return makeShape(history, profile, type, stepName(type), nullptr);
}

ProfileShapeResult sweepProfile(EditHistory& history, CadObject* profile, double from, double to) {
    if (!std::isfinite(from) || !std::isfinite(to) || from == to) {
        ProfileShapeResult refused;
        refused.refused = "The sweep needs two different heights";
        return refused;
    }
    const double heights[2] = {from, to};
    return makeShape(history, profile, KX_PRISM, "Sweep", heights);
}

std::vector<OutlineSegment> sweepOutline(const std::vector<Point3d>& profile, double from, double to) {
    std::vector<OutlineSegment> out;
    const std::vector<Point3d> outline = shapePoints(profile, KX_PRISM);
    if (outline.size() < 3 || !std::isfinite(from) || !std::isfinite(to)) return out;
    auto at = [](const Point3d& p, double height) { return Point3d{p.x, static_cast<float>(height), p.z}; };
    const size_t n = outline.size();
    for (size_t i = 0; i < n; ++i) {
        const Point3d& a = outline[i];
        const Point3d& b = outline[(i + 1) % n];
        out.push_back({at(a, from), at(b, from)});
        out.push_back({at(a, to), at(b, to)});
        out.push_back({at(a, from), at(a, to)});
    }
    return out;
}

}  // namespace kx::app
