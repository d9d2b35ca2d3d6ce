#include "document/shape_edits.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "document/object_state.h"
#include "model/scene_model.h"

namespace kx::app {

namespace {

// Room for the longest problem the core describes.
constexpr unsigned kProblemSize = 256;
// Most points one field holds.
constexpr size_t kMostPoints = sizeof(ExtraField::value) / sizeof(Point3d);

const ShapeField* fieldRow(int propertyId) {
    for (const ShapeField& f : kShapeFields)
        if (f.property == propertyId) return &f;
    return nullptr;
}

// The stored field of an id when it holds values of the type asked for.
const ExtraField* storedField(CadObject* obj, int id, uint32_t type) {
    for (unsigned i = 0; const ExtraField* f = GetObjectExtraField(obj, i); ++i)
        if (f->id == static_cast<uint32_t>(id)) return f->type == type ? f : nullptr;
    return nullptr;
}

// At most `room` values of a field, never more than it holds.
template <typename T>
std::vector<T> storedValues(CadObject* obj, int id, uint32_t type) {
    const ExtraField* f = storedField(obj, id, type);
    if (!f) return {};
    const size_t n = std::min<size_t>(f->count, sizeof f->value / sizeof(T));
    std::vector<T> out(n);
    std::memcpy(out.data(), f->value, n * sizeof(T));
    return out;
}

template <size_t N>
void readNumbers(CadObject* obj, int id, double (&out)[N]) {
    const std::vector<double> v = storedValues<double>(obj, id, KX_VALUE_FLOATARRAY);
    std::copy_n(v.begin(), std::min(v.size(), N), out);
}

int readInteger(CadObject* obj, int id) {
    const std::vector<int32_t> v = storedValues<int32_t>(obj, id, KX_VALUE_INTEGER);
    return v.empty() ? 0 : v[0];
}

double readNumber(CadObject* obj, int id) {
    const std::vector<double> v = storedValues<double>(obj, id, KX_VALUE_FLOAT);
    return v.empty() ? 0 : v[0];
}

std::string problemOf(CadObject* obj) {
    char text[kProblemSize] = {};
    return GetShapeProblem(obj, text, sizeof text) ? std::string(text) : std::string();
}

// Runs change on every shape given that has the field, as one step. Each
// change is tried first on a copy of the shape's fields, outside the scene,
// so that a refused value never touches a shape. change(record) says
// whether it could set the value.
template <typename Change>
ShapeEdit editShapes(EditHistory& history, const std::vector<CadObject*>& objects, int propertyId,
                     const std::string& mergeKey, Change&& change) {
    ShapeEdit result;
    const ShapeField* row = fieldRow(propertyId);
    if (!row) return result;
    // Nothing is published for a refused value: the transaction says it
    // touches objects only once it is going to change them.
    SceneModel::Transaction lock(0);
    if (!lock.owns()) return result;
    std::vector<CadObject*> shapes;
    for (CadObject* obj : objects) {
        if (!obj || !shapeHasField(obj->type, propertyId)) continue;
        DetachedObject trial;
        if (!copyPlainFields(*obj, trial.record())) return result;
        // The callers keep to what a field holds: a value the core would not store changes nothing.
        if (!change(trial.record())) return result;
        const std::string problem = problemOf(&trial.record());
        if (!problem.empty() && problemOf(obj).empty()) {
            result.refused = std::string(obj->name) + " " + problem;
            return result;
        }
        shapes.push_back(obj);
    }
    if (shapes.empty()) return result;
    lock.touches(SceneDelta::Objects);
    EditRecorder rec(history, std::string("Change ") + row->label, mergeKey);
    for (CadObject* obj : shapes) {
        rec.reshaping(obj);
        static_cast<void>(change(*obj));
        RebuildObjectEx(obj, 1);
    }
    result.changed = rec.commit();
    return result;
}

// The core's name of a property, which its typed setters look up.
const char* nameOf(int propertyId) { return GetObjectPropertyTypeName(propertyId); }

}  // namespace

bool shapeHasField(uint32_t type, int propertyId) {
    if (!KxIsRendererShape(type)) return false;
    if (propertyId == KX_PROP_RADII) return type == KX_SPHERESWEEP;
    const ShapeField* row = fieldRow(propertyId);
    return row && (row->kinds & shapeKind(type)) != 0;
}

ShapeSettings shapeSettingsOf(CadObject* obj) {
    ShapeSettings s;
    if (!obj) return s;
    unsigned photons = 0;
    if (GetCadObjectProperty(obj, "Photons", &photons)) s.photons = photons;
    unsigned inverse = 0;
    s.inverse = GetCadObjectProperty(obj, "Inverse", &inverse) && inverse != 0;
    if (!KxIsRendererShape(obj->type)) return s;
    readNumbers(obj, KX_PROP_EXPONENTS, s.exponents);
    s.spline = readInteger(obj, KX_PROP_SPLINETYPE);
    s.profile = storedValues<Point3d>(obj, KX_PROP_PROFILE, KX_VALUE_POINTSARRAY);
    s.radii = storedValues<double>(obj, KX_PROP_RADII, KX_VALUE_FLOATARRAY);
    readNumbers(obj, KX_PROP_SWEEPHEIGHTS, s.heights);
    s.conic = readInteger(obj, KX_PROP_CONIC) != 0;
    char text[KX_EXTRA_TEXT_MAX + 1] = {};
    if (storedField(obj, KX_PROP_FUNCTION, KX_VALUE_STRING) && GetObjectExtra(obj, KX_PROP_FUNCTION, 1, text))
        s.function = text;
    s.container = readInteger(obj, KX_PROP_CONTAINER);
    s.threshold = readNumber(obj, KX_PROP_THRESHOLD);
    s.accuracy = readNumber(obj, KX_PROP_ACCURACY);
    s.maxGradient = readNumber(obj, KX_PROP_MAXGRADIENT);
    readNumbers(obj, KX_PROP_JULIAPARAMETER, s.julia);
    s.iterations = readInteger(obj, KX_PROP_ITERATIONS);
    s.precision = readNumber(obj, KX_PROP_PRECISION);
    readNumbers(obj, KX_PROP_SLICE, s.slice);
    return s;
}

ShapeEdit setShapeInteger(EditHistory& history, const std::vector<CadObject*>& objects, int propertyId, int value,
                          const std::string& mergeKey) {
    if (GetObjectPropertyType(propertyId) != KX_VALUE_INTEGER) return {};
    return editShapes(history, objects, propertyId, mergeKey, [&](CadObject& obj) {
        return SetCadObjectProperty(&obj, nameOf(propertyId), static_cast<unsigned>(value)) != 0;
    });
}

ShapeEdit setShapeNumber(EditHistory& history, const std::vector<CadObject*>& objects, int propertyId, double value,
                         const std::string& mergeKey) {
    if (GetObjectPropertyType(propertyId) != KX_VALUE_FLOAT || !std::isfinite(value)) return {};
    return editShapes(history, objects, propertyId, mergeKey, [&](CadObject& obj) {
        return SetCadObjectProperty(&obj, nameOf(propertyId), value) != 0;
    });
}

ShapeEdit setShapeNumbers(EditHistory& history, const std::vector<CadObject*>& objects, int propertyId,
                          const std::vector<double>& values, const std::string& mergeKey) {
    const ShapeField* row = fieldRow(propertyId);
    if (!row || row->count == 0 || values.size() != row->count) return {};
    for (double v : values)
        if (!std::isfinite(v)) return {};
    return editShapes(history, objects, propertyId, mergeKey, [&](CadObject& obj) {
        std::vector<double> copy = values;
        return SetCadObjectProperty(&obj, nameOf(propertyId), copy.data(), static_cast<int>(copy.size())) != 0;
    });
}

ShapeEdit setShapeFunction(EditHistory& history, const std::vector<CadObject*>& objects, const std::string& text) {
    if (text.size() > KX_EXTRA_TEXT_MAX) {
        ShapeEdit refused;
        refused.refused = "The function is longer than " + std::to_string(KX_EXTRA_TEXT_MAX) + " characters";
        return refused;
    }
    return editShapes(history, objects, KX_PROP_FUNCTION, {}, [&](CadObject& obj) {
        return SetCadObjectProperty(&obj, nameOf(KX_PROP_FUNCTION), text.c_str()) != 0;
    });
}

ShapeEdit setShapeProfile(EditHistory& history, const std::vector<CadObject*>& objects,
                          const std::vector<Point3d>& points, const std::vector<double>& radii) {
    if (points.size() > kMostPoints || radii.size() > kMostPoints) {
        ShapeEdit refused;
        refused.refused = "A profile holds at most " + std::to_string(kMostPoints) + " points";
        return refused;
    }
    return editShapes(history, objects, KX_PROP_PROFILE, {}, [&](CadObject& obj) {
        // An empty list is stored too, so that the core says what the shape lacks.
        Point3d nowhere{};
        std::vector<Point3d> p = points;
        if (SetCadObjectProperty(&obj, nameOf(KX_PROP_PROFILE), p.empty() ? &nowhere : p.data(),
                                 static_cast<int>(p.size())) == 0)
            return false;
        if (obj.type != KX_SPHERESWEEP) return true;
        double none = 0;
        std::vector<double> r = radii;
        return SetCadObjectProperty(&obj, nameOf(KX_PROP_RADII), r.empty() ? &none : r.data(),
                                    static_cast<int>(r.size())) != 0;
    });
}

bool takesPhotons(const CadObject* obj) {
    return obj && obj->type != KX_LIGHT && obj->type != KX_CAMERA && obj->type != KX_GROUP;
}

bool setPhotons(EditHistory& history, const std::vector<CadObject*>& objects, unsigned bit, bool on) {
    const PhotonBit* named = nullptr;
    for (const PhotonBit& b : kPhotonBits)
        if (b.bit == bit) named = &b;
    if (!named) return false;
    // The flags are no geometry: the views have nothing to draw again.
    SceneModel::Transaction lock(SceneDelta::Selection);
    if (!lock.owns()) return false;
    EditRecorder rec(history, std::string(on ? "Set Photons " : "Clear Photons ") + named->label);
    for (CadObject* obj : objects) {
        if (!takesPhotons(obj)) continue;
        unsigned bits = 0;
        GetCadObjectProperty(obj, "Photons", &bits);
        const unsigned wanted = on ? bits | bit : bits & ~bit;
        if (wanted != bits) SetCadObjectProperty(obj, "Photons", wanted);
    }
    return rec.commit();
}

bool setInverse(EditHistory& history, const std::vector<CadObject*>& objects, bool on) {
    // The views draw an inside-out member of an intersection as wire: redrawn.
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, on ? "Set Inverse" : "Clear Inverse");
    for (CadObject* obj : objects) {
        if (!takesPhotons(obj) || shapeSettingsOf(obj).inverse == on) continue;
        SetCadObjectProperty(obj, "Inverse", on ? 1u : 0u);
    }
    return rec.commit();
}

InteriorMedia interiorMediaOf(CadObject* obj) {
    InteriorMedia media;
    const std::vector<double> v = storedValues<double>(obj, KX_PROP_INTERIORMEDIA, KX_VALUE_FLOATARRAY);
    if (v.size() != 4) return media;
    media.kind = v[0] >= 0 && v[0] <= 2 ? static_cast<int>(v[0]) : -1;
    std::copy(v.begin() + 1, v.end(), media.colour);
    return media;
}

bool setInteriorMedia(EditHistory& history, const std::vector<CadObject*>& objects, const InteriorMedia& media) {
    SceneModel::Transaction lock(SceneDelta::Selection);
    if (!lock.owns()) return false;
    EditRecorder rec(history, "Change Interior Media");
    double v[4] = {static_cast<double>(media.kind), media.colour[0], media.colour[1], media.colour[2]};
    for (CadObject* obj : objects) {
        if (!takesPhotons(obj)) continue;
        const InteriorMedia now = interiorMediaOf(obj);
        if (now.kind == media.kind && std::equal(now.colour, now.colour + 3, media.colour)) continue;
        SetCadObjectProperty(obj, "InteriorMedia", v, 4);
    }
    return rec.commit();
}

}  // namespace kx::app
