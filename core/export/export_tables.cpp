// The tables the driver works from: the dialect record of each format and the
// row of each object type, and the dispatch that joins them.
#include <cmath>

#include "export/export_internal.h"
#include "model/model_internal.h"

namespace kx::exporter {
namespace {

// Formats 5 and 26 to 29 (and any other id handed to the driver) get their
// text from their own writers; the driver only passes on template points.
constexpr Dialect kBareDialect{
    0, nullptr, nullptr, nullptr, false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, 0, nullptr, cells({{7, exportPoints}})};

const Dialect* const kDialects[] = {&kPovray1Dialect, &kPovray2Dialect, &kPovray3Dialect, &kPolyrayDialect,
                                    &kNffDialect,     &kDxfDialect,     &kRibDialect,     &kVrml1Dialect,
                                    &kVrml2Dialect,   &kObjDialect};

bool always(CadObject*) { return true; }
int leaveOut(StandardFile*, CadObject*) { return 1; }

// A cylinder or cone of no height has no axis: renderers refuse it.
bool hasHeight(CadObject* obj) { return obj->size.y != 0.0f && std::isfinite(obj->size.y); }
int noHeight(StandardFile*, CadObject* obj) {
    LogMessage(1, "%s has no height: left out", commentText(obj->name).c_str());
    return 1;
}

bool hasImage(CadObject* obj) { return !extraText(obj, KX_PROP_HEIGHTFIELDFILE).empty(); }
int noImage(StandardFile*, CadObject*) {
    ErrorMessage("Warning height field not image not specified");
    return 0;
}

bool unpacks(CadObject* obj) {
    Point3d net[16];
    return UnpackPatch(obj, net) != 0;
}
int noPatch(StandardFile*, CadObject* obj) {
    ErrorMessage("Error exporting patch: %s", obj->name);
    return 0;
}

// Grouped blobs become components of their group's blob.
bool ungrouped(CadObject* obj) { return obj->groupId == 0; }

bool hasUserText(CadObject* obj) { return !extraText(obj, KX_PROP_USERINLINE).empty(); }
int noUserText(StandardFile*, CadObject* obj) {
    if (!obj->points && !obj->polygons) ErrorMessage("Warning, user defined object undefined");
    return 1;
}

int noMesh(StandardFile*, CadObject* obj) {
    if (!GetExportSelected() || IsSelected(obj))
        LogMessage(1, "Mesh %s has no triangles: left out", commentText(obj->name).c_str());
    return 1;
}

constexpr ObjectRow kAlways{always, leaveOut};

const ObjectRow& rowOf(unsigned type) {
    static const ObjectRow kCylinder{hasHeight, noHeight};
    static const ObjectRow kHeightField{hasImage, noImage};
    static const ObjectRow kPatch{unpacks, noPatch};
    static const ObjectRow kBlob{ungrouped, leaveOut};
    static const ObjectRow kUser{hasUserText, noUserText};
    static const ObjectRow kShape{shapeWritable, refuseShape};
    if (KxIsRendererShape(type)) return kShape;
    switch (type) {
        case KX_CYLINDER:
        case KX_CONE: return kCylinder;
        case KX_HEIGHTFIELD: return kHeightField;
        case KX_PATCH: return kPatch;
        case KX_BLOB: return kBlob;
        case KX_USERDEFINED: return kUser;
        default: return kAlways;
    }
}

// The primitives the views draw as triangles of their rebuilt mesh.
constexpr uint64_t kPrimitives = typeBits({KX_SPHERE, KX_PLANE, KX_DISC, KX_CYLINDER, KX_CONE, KX_ELLIPSOID, KX_TORUS,
                                           KX_BOX, KX_HEIGHTFIELD, KX_BLOB, KX_PATCH, KX_TEXT});

// With the setting on, the formats with shapes of their own write the
// primitives as meshes too.
bool tessellated(const Dialect& d, unsigned type) {
    // The renderer's own shapes are their proxy meshes where the format has
    // no such object.
    if (KxIsRendererShape(type)) return d.mesh && !d.writers[type];
    if (!kx::core().settings.tessellatePrimitives || !((kPrimitives >> type) & 1) || !d.mesh) return false;
    return d.id == KX_FILETYPE_DXF || d.id == KX_FILETYPE_NFF || d.id == KX_FILETYPE_VRML || d.id == KX_FILETYPE_VRML2;
}

ObjectWriter writerOf(StandardFile* f, CadObject* obj) {
    if ((obj->flags & KX_FLAG_NOEXPORT) || obj->type >= KX_TYPE_COUNT) return nullptr;
    const Dialect& d = dialectOf(f);
    if (tessellated(d, obj->type)) return d.mesh;
    // A type written as a mesh may still have a writer of its own (for its comment).
    if (d.writers[obj->type]) return d.writers[obj->type];
    return (d.meshTypes >> obj->type) & 1 ? d.mesh : nullptr;
}

// An object written as a mesh is ready when it has triangles to write.
const ObjectRow& rowOf(StandardFile* f, CadObject* obj) {
    static const ObjectRow kMesh{meshWritten, noMesh};
    const Dialect& d = dialectOf(f);
    if (obj->type >= KX_TYPE_COUNT) return rowOf(obj->type);
    return ((d.meshTypes >> obj->type) & 1) || tessellated(d, obj->type) ? kMesh : rowOf(obj->type);
}

}  // namespace

const Dialect& dialectOf(unsigned format) {
    for (const Dialect* d : kDialects)
        if (d->id == format) return *d;
    return kBareDialect;
}

const ObjectRow& objectRow(unsigned type) { return rowOf(type); }

LightSetting lightSettingOf(CadObject* light) {
    LightSetting s;
    if (kx::model::readExtra(light, KX_PROP_LIGHTVALUES, KX_VALUE_FLOATARRAY, 6, s.v) > 0) s.kind = truncated(s.v[0]);
    return s;
}

bool writesObject(StandardFile* f, CadObject* obj) { return writerOf(f, obj) && rowOf(f, obj).ready(obj); }

bool meshWritten(CadObject* obj) { return (!GetExportSelected() || IsSelected(obj)) && hasWritableFacet(obj); }

int exportObject(StandardFile* f, CadObject* obj, int extras) {
    ObjectWriter write = writerOf(f, obj);
    if (!write) return 1;
    const ObjectRow& row = rowOf(f, obj);
    if (!row.ready(obj)) return row.refuse(f, obj);
    return write(f, obj, extras);
}

void exportLights(StandardFile* f) {
    const Dialect& d = dialectOf(f);
    unsigned count = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
        if (o->type != KX_LIGHT || (o->flags & KX_FLAG_NOEXPORT)) continue;
        if (d.light) d.light(f, o, lightSettingOf(o));
        ++count;
    }
    // The renderers the driver does not write for still warn as they always did.
    bool warn = d.warnWithoutLights;
    for (unsigned format : {KX_FILETYPE_VIVID, KX_FILETYPE_RAYSHADE, KX_FILETYPE_RTRACE, KX_FILETYPE_QRT, KX_FILETYPE_ART}) warn = warn || f->type == format;
    if (count == 0 && warn) ErrorMessage("Warning no light sources defined in exported scene");
}

int exportPoints(StandardFile* f, CadObject* obj, int) { return WritePointsAs(obj, f, 7); }

}  // namespace kx::exporter
