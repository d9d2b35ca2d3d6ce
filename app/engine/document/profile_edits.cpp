#include "document/profile_edits.h"

#include "model/scene_model.h"

#include <cmath>
#include <cstdint>
#include <numbers>

namespace kx::app {

namespace {

// A list of one-vertex nodes in the order given.
ListEntry* listOf(const std::vector<Point3d>& points) {
    ListEntry* head = nullptr;
    ListEntry* tail = nullptr;
    for (const Point3d& p : points) {
        Point3d v = p;
        ListEntry* node = AddEntry(1, tail, &v);
        if (!node) break;
        if (!head) head = node;
        tail = node;
    }
    return head;
}

void replacePoints(CadObject* obj, const std::vector<Point3d>& points) { SetObjectPoints(obj, listOf(points)); }

Point3d along(const Point3d& p0, const Point3d& p1, const Point3d& p2, const Point3d& p3, double t) {
    const double t2 = t * t, t3 = t2 * t;
    auto axis = [&](float a, float b, float c, float d) {
        return static_cast<float>(0.5 * (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 +
                                         (-a + 3 * b - 3 * c + d) * t3));
    };
    return Point3d{axis(p0.x, p1.x, p2.x, p3.x), axis(p0.y, p1.y, p2.y, p3.y), axis(p0.z, p1.z, p2.z, p3.z)};
}

}  // namespace

std::string profileStepName(ProfileKind kind) {
    for (const ProfileKindName& k : kProfileKinds)
        if (k.kind == kind) return std::string("Draw ") + k.label;
    return "Draw Profile";
}

bool addProfilePoint(EditHistory& history, CadObject*& profile, const Point3d& at, const std::string& stepName,
                     const std::string& mergeKey) {
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, stepName, mergeKey);
    if (!profile) {
        SetObjectsUnSelected();
        profile = NewPointObject("_profile");
        if (!profile) return rec.commit();
        AddSelectedObject(profile);
    } else {
        rec.reshaping(profile);
    }
    appendPoint(profile, at);
    return rec.commit();
}

bool appendPoint(CadObject* obj, const Point3d& at) { return AppendObjectPoints(obj, nullptr, 1, &at, nullptr) != nullptr; }

bool removeLastProfilePoint(EditHistory& history, CadObject*& profile, const std::string& stepName,
                            const std::string& mergeKey) {
    if (!profile) return false;
    std::vector<Point3d> points = profilePoints(profile);
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, stepName, mergeKey);
    if (points.size() <= 1) {
        rec.deleteObject(profile);
        profile = nullptr;
    } else {
        rec.reshaping(profile);
        points.pop_back();
        replacePoints(profile, points);
    }
    return rec.commit();
}

std::vector<Point3d> profilePoints(const CadObject* profile) {
    std::vector<Point3d> out;
    if (!profile) return out;
    for (const ListEntry* n = profile->points; n; n = n->next)
        for (unsigned k = 0; k < n->count; ++k) out.push_back(n->points[k]);
    return out;
}

bool smoothProfile(EditHistory& history, CadObject* profile, unsigned stepsPerSpan, const std::string& stepName,
                   const std::string& mergeKey) {
    const std::vector<Point3d> placed = profilePoints(profile);
    if (placed.size() < 3 || stepsPerSpan < 2) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, stepName, mergeKey);
    rec.reshaping(profile);
    replacePoints(profile, catmullRom(placed, stepsPerSpan));
    return rec.commit();
}

namespace {

// A profile's points changed by `change` as one "Edit Points" step; change
// returns false when it changes nothing.
template <typename Change>
bool editPoints(EditHistory& history, CadObject* profile, const std::string& mergeKey, Change&& change) {
    if (!profile || profile->type != KX_POINTS) return false;
    std::vector<Point3d> points = profilePoints(profile);
    if (!change(points)) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, "Edit Points", mergeKey);
    rec.reshaping(profile);
    replacePoints(profile, points);
    return rec.commit();
}

}  // namespace

bool moveProfilePoint(EditHistory& history, CadObject* profile, size_t index, const Point3d& to,
                      const std::string& mergeKey) {
    return editPoints(history, profile, mergeKey, [&](std::vector<Point3d>& points) {
        if (index >= points.size() || !std::isfinite(to.x) || !std::isfinite(to.y) || !std::isfinite(to.z)) return false;
        points[index] = to;
        return true;
    });
}

bool insertProfilePoint(EditHistory& history, CadObject* profile, size_t after, const Point3d& at) {
    return editPoints(history, profile, {}, [&](std::vector<Point3d>& points) {
        const size_t place = after == SIZE_MAX ? 0 : after + 1;
        if (place > points.size()) return false;
        points.insert(points.begin() + static_cast<std::ptrdiff_t>(place), at);
        return true;
    });
}

bool removeProfilePoint(EditHistory& history, CadObject* profile, size_t index) {
    return editPoints(history, profile, {}, [&](std::vector<Point3d>& points) {
        if (index >= points.size() || points.size() <= 2) return false;
        points.erase(points.begin() + static_cast<std::ptrdiff_t>(index));
        return true;
    });
}

std::vector<OutlineSegment> latheOutline(const std::vector<Point3d>& profile, unsigned steps, double angleDegrees) {
    std::vector<OutlineSegment> out;
    if (profile.size() < 2 || steps == 0 || !std::isfinite(angleDegrees)) return out;
    std::vector<Point3d> ring = profile;
    auto profileAt = [&out](const std::vector<Point3d>& p) {
        for (size_t i = 0; i + 1 < p.size(); ++i) out.push_back({p[i], p[i + 1]});
    };
    profileAt(ring);
    initrotate(0, 0, 0, 0, 1, 0, angleDegrees * std::numbers::pi / 180.0);
    for (unsigned s = 0; s < steps; ++s) {
        std::vector<Point3d> next(ring.size());
        for (size_t i = 0; i < ring.size(); ++i) {
            double x = 0, y = 0, z = 0;
            rotateZ(ring[i].x, ring[i].y, ring[i].z, &x, &y, &z);
            next[i] = Point3d{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
            out.push_back({ring[i], next[i]});
        }
        profileAt(next);
        ring = std::move(next);
    }
    return out;
}

std::vector<Point3d> catmullRom(const std::vector<Point3d>& points, unsigned stepsPerSpan) {
    if (points.size() < 3 || stepsPerSpan == 0) return points;
    std::vector<Point3d> out;
    const size_t n = points.size();
    for (size_t i = 0; i + 1 < n; ++i) {
        // The ends are their own neighbours: the curve starts and ends on them.
        const Point3d& p0 = points[i == 0 ? 0 : i - 1];
        const Point3d& p3 = points[i + 2 < n ? i + 2 : n - 1];
        for (unsigned s = 0; s < stepsPerSpan; ++s)
            out.push_back(s == 0 ? points[i]
                                 : along(p0, points[i], points[i + 1], p3, static_cast<double>(s) / stepsPerSpan));
    }
    out.push_back(points.back());
    return out;
}

}  // namespace kx::app
