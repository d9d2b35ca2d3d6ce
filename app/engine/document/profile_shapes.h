// The renderer's profile shapes made from a drawn profile: a lathe or a
// surface of revolution from a profile drawn in the Front view (its x the
// radius, its y the height), a prism from an outline drawn in the Plan view
// (x and z), a sphere sweep through the profile's points. Each is one undo
// step; the profile stays as it was.
#pragma once

#include <string>
#include <vector>

#include "document/edit_history.h"
#include "document/profile_edits.h"
#include "kxcore.h"

namespace kx::app {

struct ProfileShapeResult {
    CadObject* shape = nullptr;  // the new shape, or null
    std::string refused;         // why none was made
};

// type is KX_LATHE, KX_SOR, KX_PRISM or KX_SPHERESWEEP. A profile the
// renderer would refuse for the kind (too few points, falling heights for a
// surface of revolution, an outline that crosses itself) makes nothing and
// says why.
ProfileShapeResult shapeFromProfile(EditHistory& history, CadObject* profile, unsigned type);

// Sweep: the prism of an outline drawn in the Plan view (x and z), from
// height `from` to height `to`, as the step "Sweep".
ProfileShapeResult sweepProfile(EditHistory& history, CadObject* profile, double from, double to);

// What Sweep will make of an outline, as lines to draw before it is made:
// the closed outline at both heights and an edge up from each corner.
std::vector<OutlineSegment> sweepOutline(const std::vector<Point3d>& profile, double from, double to);

}  // namespace kx::app
