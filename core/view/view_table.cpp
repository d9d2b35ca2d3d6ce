// The per-view zoom and pan table, and the mapping of a pixel back to scene
// coordinates in the orthographic views.
#include <cmath>

#include "view/view_internal.h"

using kx::view::state;

namespace {

kx::ViewEntry* entry(unsigned view) {
    return view < kx::kViewCount ? &state().views[view] : nullptr;
}

// Scene files and plug-ins hand distances through here, so a value that would
// make the view unusable is refused: views 1 to 3 divide by their zoom, and a
// negative distance turns a view inside out.
bool acceptableDistance(double d, unsigned view) {
    if (!std::isfinite(d) || d < 0.0) return false;
    return view == 0 || d > 0.0;
}

}  // namespace

int InitDistance() {
    kx::ViewState& v = state();
    v.views = {};
    v.views[0].distance = kx::kDefaultPerspectiveDistance;
    for (unsigned i = 1; i < kx::kViewCount; ++i) v.views[i].distance = kx::kDefaultZoom;
    v.eyeOffsetEnabled = 1;
    return 1;
}

int SetDistance(double d, unsigned view) {
    kx::ViewEntry* e = entry(view);
    if (!e || !acceptableDistance(d, view)) return 0;
    e->distance = d;
    if (view == 0) state().isoDistance = d;
    return 1;
}

double GetDistance(unsigned view) {
    const kx::ViewEntry* e = entry(view);
    return e ? e->distance : 0.0;
}

int SetIsoDistance(double d) {
    state().isoDistance = d;
    return 1;
}

int ZoomView(unsigned view, double delta) {
    const kx::ViewEntry* e = entry(view);
    if (!e) return 0;
    // The perspective zooms out by moving the camera away; the flat views by
    // showing fewer pixels per unit.
    double d = view == 0 ? e->distance + delta : e->distance - delta;
    if (!(d > 0.0)) return 0;
    return SetDistance(d, view);
}

int PanView(unsigned view, Point3d* p, int absolute) {
    kx::ViewEntry* e = entry(view);
    if (!e) return 0;
    if (!p) {
        e->pan = Point3d{0, 0, 0};
    } else if (absolute) {
        e->pan = *p;
    } else {
        e->pan.x = static_cast<float>(static_cast<double>(e->pan.x) + p->x);
        e->pan.y = static_cast<float>(static_cast<double>(e->pan.y) + p->y);
        e->pan.z = static_cast<float>(static_cast<double>(e->pan.z) + p->z);
    }
    return 1;
}

int GetPanOffset(unsigned view, Point3d* out) {
    const kx::ViewEntry* e = entry(view);
    if (!e || !out) return 0;
    *out = e->pan;
    return 1;
}

int CalcPanPosition(unsigned view, float k, float sx, float sy, Point3d* out, Point3d* ref) {
    if (!out || view < 1 || view >= kx::kViewCount) return 0;
    const Point3d origin{0, 0, 0};
    const Point3d& r = ref ? *ref : origin;
    const kx::ViewState& v = state();
    // The mirrored front and plan views are shown when the view side is 0.
    const double s = GetViewSide() != 0 ? 1.0 : -1.0;
    const double dx = static_cast<double>(sx) - v.cx;
    const double dy = static_cast<double>(sy) - v.cy;
    switch (view) {
    case 1:
        out->x = static_cast<float>(s * dx * k - r.x);
        out->y = static_cast<float>(-(dy * k) - r.y);
        break;
    case 2:
        out->x = static_cast<float>(dx * k - r.x);
        out->z = static_cast<float>(s * dy * k - r.z);
        break;
    default:
        out->z = static_cast<float>(-(dx * k) - r.z);
        out->y = static_cast<float>(-(dy * k) - r.y);
        break;
    }
    return 1;
}
