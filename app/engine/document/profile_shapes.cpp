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

}  // namespace

ProfileShapeResult shapeFromProfile(EditHistory& history, CadObject* profile, unsigned type) {
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
    EditRecorder rec(history, stepName(type));
    CadObject* shape = CreateDefaultObjectEx(nullptr, type, nullptr);
    if (!shape) return result;
    SetCadObjectProperty(shape, "Profile", pts.data(), static_cast<int>(pts.size()));
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

}  // namespace kx::app
