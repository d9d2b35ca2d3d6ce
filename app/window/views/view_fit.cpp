#include "views/view_fit.h"

#include <algorithm>

#include "views/selection.h"

namespace kx::app {
namespace {

bool isAccessory(const CadObject* obj) { return obj->type == KX_LIGHT || obj->type == KX_CAMERA; }

// Widens lo..hi by every object that passes keep; false when none did.
template <typename Keep>
bool gather(Keep keep, Point3d& lo, Point3d& hi) {
    bool any = false;
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next) {
        if (!isPickable(obj) || !keep(obj)) continue;
        if (!obj->boundValid && !CalcObjectBounds(obj)) continue;
        const Point3d& a = obj->boundMin;
        const Point3d& b = obj->boundMax;
        if (!any) {
            lo = a;
            hi = b;
            any = true;
            continue;
        }
        lo = Point3d{std::min(lo.x, a.x), std::min(lo.y, a.y), std::min(lo.z, a.z)};
        hi = Point3d{std::max(hi.x, b.x), std::max(hi.y, b.y), std::max(hi.z, b.z)};
    }
    return any;
}

}  // namespace

bool fitBounds(FitTarget target, Point3d& lo, Point3d& hi) {
    if (target == FitTarget::Selection) return gather([](const CadObject* o) { return o->selected != 0; }, lo, hi);
    return gather([](const CadObject* o) { return !isAccessory(o); }, lo, hi) ||
           gather([](const CadObject*) { return true; }, lo, hi);
}

}  // namespace kx::app
