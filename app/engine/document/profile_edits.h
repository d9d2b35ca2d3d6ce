// Profiles drawn with the mouse: a line, a polyline or a spline, point by
// point, as a point object whose points stand in the order they were
// placed, the form Lathe turns into a surface of revolution. Drawing one
// profile is one undo step: every call with the same merge key joins it.
#pragma once

#include <string>
#include <vector>

#include "document/edit_history.h"
#include "kxcore.h"

namespace kx::app {

enum class ProfileKind { Line, Polyline, Spline };

struct ProfileKindName {
    ProfileKind kind;
    const char* label;    // "Polyline"
    const char* action;   // the Create menu's action
};
inline constexpr ProfileKindName kProfileKinds[] = {
    {ProfileKind::Line, "Line", "createLine"},
    {ProfileKind::Polyline, "Polyline", "createPolyline"},
    {ProfileKind::Spline, "Spline", "createSpline"},
};

// The step name of drawing one ("Draw Polyline").
std::string profileStepName(ProfileKind kind);

// Appends a point to the profile being drawn; with profile null, starts a
// new point object "_profileN" (the only one selected) and sets profile.
bool addProfilePoint(EditHistory& history, CadObject*& profile, const Point3d& at, const std::string& stepName,
                     const std::string& mergeKey);
// Appends a one-point node to an object's point list (no undo step of its own).
bool appendPoint(CadObject* obj, const Point3d& at);
// Takes the last point off again; the object goes with its last point
// (profile becomes null).
bool removeLastProfilePoint(EditHistory& history, CadObject*& profile, const std::string& stepName,
                            const std::string& mergeKey);
// The points of a profile, in order.
std::vector<Point3d> profilePoints(const CadObject* profile);
// Replaces a spline's placed points by the smooth curve through them.
bool smoothProfile(EditHistory& history, CadObject* profile, unsigned stepsPerSpan, const std::string& stepName,
                   const std::string& mergeKey);

// Editing a profile's points after it is drawn; index counts from 0. Each
// is a step named "Edit Points"; a drag passes one merge key for all its moves.
bool moveProfilePoint(EditHistory& history, CadObject* profile, size_t index, const Point3d& to,
                      const std::string& mergeKey = {});
// Inserts a point after `after` (before the first when after is SIZE_MAX).
bool insertProfilePoint(EditHistory& history, CadObject* profile, size_t after, const Point3d& at);
// Removes a point; the last two points of a profile stay.
bool removeProfilePoint(EditHistory& history, CadObject* profile, size_t index);

// What Lathe will make of a profile, as lines to draw before it is made: the
// profile at every step of the sweep and, for each of its points, the ring
// it runs along. The turns are the ones Lathe makes, about the y axis.
struct OutlineSegment {
    Point3d from, to;
};
std::vector<OutlineSegment> latheOutline(const std::vector<Point3d>& profile, unsigned steps, double angleDegrees);

// The Catmull-Rom curve through the points: every given point is on it,
// `stepsPerSpan` points per span between two of them; fewer than three
// points come back as they are.
std::vector<Point3d> catmullRom(const std::vector<Point3d>& points, unsigned stepsPerSpan);

}  // namespace kx::app
