#include "document/light_edits.h"

#include <algorithm>
#include <cmath>

#include "model/scene_model.h"

namespace kx::app {

namespace {

constexpr unsigned kLightValueCount = 6;

std::vector<CadObject*> lightsAmong(const std::vector<CadObject*>& objects) {
    std::vector<CadObject*> out;
    for (CadObject* o : objects)
        if (o && o->type == KX_LIGHT) out.push_back(o);
    return out;
}

bool readValues(CadObject* light, double (&values)[kLightValueCount]) {
    std::fill(std::begin(values), std::end(values), 0.0);
    return GetObjectExtra(light, KX_PROP_LIGHTVALUES, kLightValueCount, values) != 0;
}

// The kind as the export reads it: truncated, anything unknown a point light.
LightKind kindOf(double stored) {
    if (!std::isfinite(stored)) return LightKind::Point;
    const int k = static_cast<int>(stored);
    for (const LightKindName& n : kLightKinds)
        if (static_cast<int>(n.kind) == k) return n.kind;
    return LightKind::Point;
}

bool usableArea(const Point3d& sides) { return sides.x > 0 && sides.y > 0 && sides.z >= 1; }

// Runs change on each light under one step; change says whether it changed the light.
template <typename Change>
bool editLights(EditHistory& history, const std::vector<CadObject*>& objects, const char* name,
                const std::string& mergeKey, Change&& change) {
    const std::vector<CadObject*> lights = lightsAmong(objects);
    if (lights.empty()) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, name, mergeKey);
    for (CadObject* light : lights) {
        rec.reshaping(light);
        // The wireframe shows a spot light's target and cone: it is drawn again.
        if (change(light)) RebuildObjectEx(light, 1);
    }
    return rec.commit();
}

}  // namespace

namespace {

// A value form of the core's double vectors, so that the guide's geometry
// reads as arithmetic; the arithmetic itself is the core's.
struct Vec {
    double v[3];
    Vec operator+(const Vec& o) const { return apply(vecsum, o); }
    Vec operator-(const Vec& o) const { return apply(vecsub, o); }
    Vec operator*(double s) const {
        Vec out;
        vecscale(s, v, out.v);
        return out;
    }
    double length() const { return norm(v); }
    Vec across(const Vec& o) const { return apply(::cross, o); }

private:
    Vec apply(void (*f)(const double*, const double*, double*), const Vec& o) const {
        Vec out;
        f(v, o.v, out.v);
        return out;
    }
};

Vec vec(const Point3d& p) { return {{p.x, p.y, p.z}}; }
Point3d point(const Vec& p) {
    return Point3d{static_cast<float>(p.v[0]), static_cast<float>(p.v[1]), static_cast<float>(p.v[2])};
}

constexpr unsigned kCircleSegments = 16;

// A circle of radius r about centre, in the plane across the unit axis;
// sideways and across give the two directions in that plane.
struct Across {
    Vec sideways, up;
    explicit Across(const Vec& axis) {
        const Vec helper = std::fabs(axis.v[1]) < 0.9 ? Vec{{0, 1, 0}} : Vec{{1, 0, 0}};
        sideways = axis.across(helper);
        sideways = sideways * (1 / sideways.length());
        up = sideways.across(axis);
    }
    Vec at(const Vec& centre, double r, double angle) const {
        return centre + sideways * (r * std::cos(angle)) + up * (r * std::sin(angle));
    }
};

void circle(std::vector<OutlineSegment>& out, const Across& plane, const Vec& centre, double r) {
    const double step = 2 * M_PI / kCircleSegments;
    for (unsigned i = 0; i < kCircleSegments; ++i)
        out.push_back({point(plane.at(centre, r, i * step)), point(plane.at(centre, r, (i + 1) * step))});
}

}  // namespace

std::vector<OutlineSegment> lightGuide(CadObject* light) {
    std::vector<OutlineSegment> out;
    if (!light || light->type != KX_LIGHT) return out;
    const LightSettings s = lightSettingsOf(light);
    const Vec from = vec(light->translate);
    if (s.kind == LightKind::Area) {
        const Vec a{{light->extraPoint.x / 2.0, 0, 0}}, b{{0, 0, light->extraPoint.y / 2.0}};
        const Vec corners[4] = {from - a - b, from + a - b, from + a + b, from - a + b};
        for (unsigned i = 0; i < 4; ++i) out.push_back({point(corners[i]), point(corners[(i + 1) % 4])});
        return out;
    }
    if (!aimedLight(s.kind)) return out;
    const Vec to = vec(light->extraPoint);
    const double distance = (to - from).length();
    if (!(distance > 0)) return out;
    const Vec axis = (to - from) * (1 / distance);
    const Across plane(axis);
    if (s.kind == LightKind::Parallel) {
        out.push_back({point(from), point(to)});
        const Vec back = to - axis * (0.15 * distance);
        for (double side : {-1.0, 1.0}) out.push_back({point(to), point(back + plane.sideways * (side * 0.06 * distance))});
        return out;
    }
    // A spot's beam widens with the distance; a cylinder light's keeps its width.
    const bool spot = s.kind == LightKind::Spot;
    const double degrees = std::clamp(s.falloff > 0 ? s.falloff : 45.0, 0.5, 89.0);
    const double far = spot ? distance * std::tan(degrees * M_PI / 180) : (s.falloff > 0 ? s.falloff : 1.0);
    circle(out, plane, to, far);
    if (!spot) circle(out, plane, from, far);
    for (unsigned i = 0; i < 4; ++i) {
        const double angle = i * M_PI / 2;
        out.push_back({point(spot ? from : plane.at(from, far, angle)), point(plane.at(to, far, angle))});
    }
    return out;
}

LightSettings lightSettingsOf(CadObject* light) {
    LightSettings s;
    if (!light || light->type != KX_LIGHT) return s;
    double v[kLightValueCount];
    readValues(light, v);
    s.kind = kindOf(v[0]);
    s.radius = v[1];
    s.falloff = v[2];
    s.tightness = v[3];
    s.adaptive = v[4];
    s.jitter = v[5] != 0;
    GetCadObjectProperty(light, "LightOptions", &s.options);
    double fade[2] = {0, 0};
    if (GetObjectExtra(light, KX_PROP_LIGHTFADE, 2, fade)) {
        s.fadeDistance = fade[0];
        s.fadePower = fade[1];
    }
    char text[KX_EXTRA_TEXT_MAX + 1] = {};
    if (GetObjectExtraString(light, KX_PROP_LIGHTLOOKSLIKE, text)) s.looksLike = text;
    return s;
}

bool setLightOption(EditHistory& history, const std::vector<CadObject*>& lights, unsigned bit, bool on) {
    const LightOptionName* named = nullptr;
    for (const LightOptionName& n : kLightOptions)
        if (n.bit == bit) named = &n;
    if (!named) return false;
    return editLights(history, lights, (std::string(on ? "Set Light " : "Clear Light ") + named->label).c_str(), {},
                      [&](CadObject* light) {
                          const unsigned bits = lightSettingsOf(light).options;
                          const unsigned wanted = on ? bits | bit : bits & ~bit;
                          if (wanted == bits) return false;
                          return SetCadObjectProperty(light, "LightOptions", wanted) != 0;
                      });
}

bool setLightFade(EditHistory& history, const std::vector<CadObject*>& lights, double distance, double power,
                  const std::string& mergeKey) {
    if (!std::isfinite(distance) || !std::isfinite(power) || distance < 0 || power < 0) return false;
    return editLights(history, lights, "Change Light Fade", mergeKey, [&](CadObject* light) {
        const LightSettings now = lightSettingsOf(light);
        if (now.fadeDistance == distance && now.fadePower == power) return false;
        double fade[2] = {distance, power};
        return SetCadObjectProperty(light, "LightFade", fade, 2) != 0;
    });
}

bool setLightValue(EditHistory& history, const std::vector<CadObject*>& lights, int propertyId, double value,
                   const std::string& mergeKey) {
    // Each value the panel edits: its slot among the six and the step's name.
    struct Slot {
        int property;
        unsigned slot;
        const char* step;
    };
    static constexpr Slot kSlots[] = {
        {KX_PROP_LIGHTRADIUS, 1, "Change Light Radius"},       {KX_PROP_LIGHTFALLOFF, 2, "Change Light Falloff"},
        {KX_PROP_LIGHTTIGHTNESS, 3, "Change Light Tightness"}, {KX_PROP_LIGHTADAPTIVE, 4, "Change Light Adaptive"},
        {KX_PROP_LIGHTJITTER, 5, "Change Light Jitter"},
    };
    const Slot* found = nullptr;
    for (const Slot& s : kSlots)
        if (s.property == propertyId) found = &s;
    if (!found || !std::isfinite(value)) return false;
    const unsigned slot = found->slot;
    const char* name = found->step;
    return editLights(history, lights, name, mergeKey, [&](CadObject* light) {
        double v[kLightValueCount];
        readValues(light, v);
        if (v[slot] == value) return false;
        return SetLightProperty(light, static_cast<unsigned>(propertyId), 0, value) != 0;
    });
}

bool setLightKind(EditHistory& history, const std::vector<CadObject*>& lights, LightKind kind) {
    return editLights(history, lights, "Change Light Kind", {}, [&](CadObject* light) {
        double v[kLightValueCount];
        const bool had = readValues(light, v);
        if (had && kindOf(v[0]) == kind) return false;
        if (kind == LightKind::Area && !usableArea(light->extraPoint)) light->extraPoint = Point3d{2, 2, 3};
        // A spot aimed at where it stands lights nothing: it points straight down instead.
        const Point3d& at = light->translate;
        if (aimedLight(kind) && light->extraPoint.x == at.x && light->extraPoint.y == at.y &&
            light->extraPoint.z == at.z)
            light->extraPoint = Point3d{at.x, 0, at.z};
        return SetLightProperty(light, KX_PROP_LIGHTTYPE, static_cast<unsigned>(kind), 0) != 0;
    });
}

bool setLightLooksLike(EditHistory& history, const std::vector<CadObject*>& lights, const std::string& text) {
    if (text.size() > KX_EXTRA_TEXT_MAX) return false;
    return editLights(history, lights, "Change Light Looks Like", {}, [&](CadObject* light) {
        if (lightSettingsOf(light).looksLike == text) return false;
        SetObjectExtra(light, KX_VALUE_STRING, KX_PROP_LIGHTLOOKSLIKE, 1, text.c_str());
        return true;
    });
}

}  // namespace kx::app
