// The POV-Ray text of the camera, the lights and each kind of object.
#include <cmath>
#include <cstring>
#include <string>

#include "export/export_internal.h"
#include "model/model_internal.h"

namespace kx::exporter {
namespace {


void closeObject(StandardFile* f) { StdPutLine(f, " }\n\n"); }

std::string extraText(CadObject* obj, unsigned id) {
    char text[KX_EXTRA_TEXT_MAX + 1] = "";
    ExtraField* field = kx::model::findExtra(obj->extra, id);
    if (!field || field->type != KX_VALUE_STRING) return {};
    GetObjectExtraString(obj, static_cast<int>(id), text);
    return text;
}

// A whole number from a stored double, safe for any value.
int truncated(double v) {
    if (!std::isfinite(v)) return 0;
    if (v > 2147483647.0) return 2147483647;
    if (v < -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(v);
}

bool equal(const Point3d& a, const Point3d& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// True when the facet writer would write at least one triangle.
bool hasWritableFacet(const CadObject* obj) {
    auto usable = [](const Point3d* v) { return !equal(v[0], v[1]) && !equal(v[1], v[2]) && !equal(v[0], v[2]); };
    if (const uint32_t triangles = kx::model::triangleCount(obj)) {
        for (uint32_t i = 0; i < triangles; ++i)
            if (usable(obj->polygons[i].vertex)) return true;
        return false;
    }
    if (!obj->points || obj->count == 0 || obj->points->count < 3) return false;
    for (const ListEntry* n = obj->points; n; n = n->next)
        if (n->count >= 3 && usable(n->points)) return true;
    return false;
}

// A cylinder or cone of no height has no axis: the renderer refuses it.
bool hasHeight(const CadObject* obj) { return obj->size.y != 0.0f && std::isfinite(obj->size.y); }

int exportSphere(StandardFile* f, CadObject* obj) {
    StdPutLine(f, "// SPHERE %s\n", commentText(obj->name).c_str());
    StdPutLine(f, "sphere { ");
    StdPutLine(f, f->type == kPovray1 ? " < 0 0 0 > %g\n" : " < 0, 0, 0 > %g\n", obj->size.y);
    ExportAttributes(f, obj);
    closeObject(f);
    return 1;
}

int exportBox(StandardFile* f, CadObject* obj) {
    const Point3d& s = obj->size;
    StdPutLine(f, "// BOX %s\n", commentText(obj->name).c_str());
    if (f->type == kPovray1) {
        StdPutLine(f, "box { < %g %g %g>,\n", -s.x / 2, -s.y / 2, -s.z / 2);
        StdPutLine(f, " < %g %g %g>\n", s.x / 2, s.y / 2, s.z / 2);
    } else {
        StdPutLine(f, "box { < %g, %g, %g>,\n", -s.x / 2, -s.y / 2, -s.z / 2);
        StdPutLine(f, " < %g, %g, %g>\n", s.x / 2, s.y / 2, s.z / 2);
    }
    ExportAttributes(f, obj);
    closeObject(f);
    return 1;
}

int exportPov23Primitive(StandardFile* f, CadObject* obj) {
    const Point3d& s = obj->size;
    const Point3d& e = obj->extraPoint;
    const std::string name = commentText(obj->name);
    switch (obj->type) {
        case KX_PLANE:
            StdPutLine(f, "// PLANE %s\n", name.c_str());
            StdPutLine(f, "plane { <0, 1, 0>, 0\n");
            break;
        case KX_DISC:
            StdPutLine(f, "// DISC %s\n", name.c_str());
            StdPutLine(f, "disc { < 0, 0, 0>, < 0, 1, 0 >, %g\n", s.x);
            break;
        case KX_CYLINDER:
            StdPutLine(f, "// CYLINDER %s\n", name.c_str());
            StdPutLine(f, "cylinder { < 0, -%g, 0>, ", s.y / 2);
            StdPutLine(f, "< 0, %g, 0>, ", s.y / 2);
            StdPutLine(f, "%g\n", s.x);
            break;
        case KX_CONE:
            StdPutLine(f, "// CONE %s\n", name.c_str());
            StdPutLine(f, "cone { <0, -%g, 0>, %g\n", s.y / 2, s.x);
            StdPutLine(f, "  < 0, %g, 0>, %g\n", s.y / 2, e.x);
            break;
        case KX_TORUS:
            StdPutLine(f, "// TORUS %s\n", name.c_str());
            StdPutLine(f, "torus { %g, %g \n", s.x, s.y);
            break;
        default: return 0;
    }
    ExportAttributes(f, obj);
    closeObject(f);
    return 1;
}

int exportMesh(StandardFile* f, CadObject* obj) {
    if (GetExportSelected() && !IsSelected(obj)) return 1;
    if (!hasWritableFacet(obj)) {
        LogMessage(1, "Mesh %s has no triangles: left out", obj->name);
        return 1;
    }
    StdPutLine(f, "// OBJECT %s\n", commentText(obj->name).c_str());
    StdPutLine(f, "object { \n");
    StdPutLine(f, f->type == kPovray3 ? "mesh { \n" : "union { \n");
    StandardFile* out = f;
    WriteFacetsEx(obj, out);
    StdPutLine(f, "}\n");
    ExportTexture(f, obj);
    StdPutLine(f, "}\n");
    return 1;
}

int exportHeightField(StandardFile* f, CadObject* obj) {
    std::string file = extraText(obj, KX_PROP_HEIGHTFIELDFILE);
    if (file.empty()) {
        ErrorMessage("Warning height field not image not specified");
        return 0;
    }
    if (!isPov23(f->type)) return 1;
    StdPutLine(f, "// HEIGHTFIELD %s\n", commentText(obj->name).c_str());
    StdPutLine(f, "height_field { \n  %s%s\n", GetPovHeightField(file.c_str()),
               (obj->flags & KX_FLAG_SMOOTH) ? "\n  smooth" : "");
    if (obj->extraPoint.y != 0.0f) StdPutLine(f, "  water_level %g\n", obj->extraPoint.y);
    StdPutLine(f, " translate < -0.5, -0.5, -0.5 >\n");
    ExportAttributes(f, obj);
    StdPutLine(f, "}\n\n");
    return 1;
}

int exportPatch(StandardFile* f, CadObject* obj) {
    Point3d net[16];
    if (!UnpackPatch(obj, net)) {
        ErrorMessage("Error exporting patch: %s", obj->name);
        return 0;
    }
    if (!isPov23(f->type)) return 1;
    const Point3d& e = obj->extraPoint;
    StdPutLine(f, "// BICUBIC_PATCH %s\n", commentText(obj->name).c_str());
    StdPutLine(f, "bicubic_patch { \n");
    StdPutLine(f, "type 1 flatness %g u_steps %d v_steps %d,\n", e.z == 0.0f ? 0.01 : static_cast<double>(e.z),
               e.x == 0.0f ? 3 : truncated(e.x), e.y == 0.0f ? 3 : truncated(e.y));
    for (int i = 0; i < 16; ++i) {
        writeVector(f, net[i]);
        if (i < 15) StdPutLine(f, ", ");
        if (i % 4 == 3) StdPutLine(f, "\n");
    }
    ExportAttributes(f, obj);
    closeObject(f);
    return 1;
}

int exportUserDefined(StandardFile* f, CadObject* obj, int extras) {
    if (extras & 2) {
        if (isPov23(f->type) || f->type == kPolyray) {
            StdPutLine(f, "// USER DEFINED %s\n", commentText(obj->name).c_str());
            StdPutLine(f, "object {\n");
            ExportAttributes(f, obj);
            StdPutLine(f, "}\n\n");
        }
        return 1;
    }
    if (!obj->points && !obj->polygons) ErrorMessage("Warning, user defined object undefined");
    return 1;
}

void exportLightParams(StandardFile* f, const double* v, int kind) {
    bool area = kind == 2;
    if (v[2] != 0) {
        indent(f);
        StdPutLine(f, "falloff %g\n", v[2]);
    }
    if (v[1] != 0) {
        indent(f);
        StdPutLine(f, "radius %g\n", v[1]);
    }
    if (v[3] != 0) {
        indent(f);
        StdPutLine(f, "tightness %d\n", truncated(v[3]));
    }
    if (v[4] != 0 || area) {
        indent(f);
        StdPutLine(f, "adaptive %d\n", truncated(v[4]));
    }
    if (v[5] != 0 || area) {
        indent(f);
        StdPutLine(f, "jitter\n");
    }
}

void exportLight(StandardFile* f, CadObject* light) {
    double v[6] = {};
    bool hasValues = kx::model::readExtra(light, KX_PROP_LIGHTVALUES, KX_VALUE_FLOATARRAY, 6, v) > 0;
    int kind = hasValues ? truncated(v[0]) : 0;
    if (f->type == kPovray1) {
        indent(f);
        StdPutLine(f, "object {\n");
        indentIn();
        indent(f);
        writeLabelledVector(f, "light_source {", light->translate, " ");
        StdPutLine(f, " color red %g green %g blue %g\n", 1.0, 1.0, 1.0);
        indent(f);
        StdPutLine(f, "} // light\n");
        indentOut();
        indent(f);
        StdPutLine(f, "} // object\n");
        StdPutLine(f, "\n");
        return;
    }
    StdPutLine(f, "// LIGHT %s\n", commentText(light->name).c_str());
    writeLabelledVector(f, "light_source {", light->translate, "\n");
    indent(f);
    const char* colour = std::strcmp(light->material, "None") == 0 ? "White" : light->material;
    unsigned r, g, b;
    if (GetEncodedRgb(colour, &r, &g, &b))
        StdPutLine(f, "color rgb < %g, %g, %g >\n", r * (1.0 / 255), g * (1.0 / 255), b * (1.0 / 255));
    else
        StdPutLine(f, "color %s\n", isPlainIdentifier(colour) ? colour : "White");
    indentIn();
    if (kind == 1) {
        indent(f);
        StdPutLine(f, "spotlight\n");
        indent(f);
        writeLabelledVector(f, " point_at ", light->extraPoint, "\n");
        exportLightParams(f, v, 1);
    } else if (kind == 2) {
        const Point3d& e = light->extraPoint;
        // The renderer refuses an area of fewer than one light in a row.
        double size = e.z >= 1.0f ? static_cast<double>(e.z) : 1.0;
        indent(f);
        StdPutLine(f, "area_light < %g, 0, 0 > < 0, 0, %g > %g, %g\n", e.x, e.y, size, size);
        exportLightParams(f, v, 2);
    }
    std::string looks = extraText(light, 310);
    if (!looks.empty() && isPlainIdentifier(looks.c_str())) StdPutLine(f, "looks_like { %s }\n", looks.c_str());
    indentOut();
    indent(f);
    StdPutLine(f, "}\n");
    StdPutLine(f, "\n");
}

}  // namespace

void exportCamera(StandardFile* f) {
    CameraInfo* cam = GetActiveCamera();
    StdPutLine(f, "// CAMERA POSITION\n");
    StdPutLine(f, "camera {\n");
    if (cam->rightDir.x != 0.0f) writeLabelledVector(f, " right     ", Point3d{cam->rightDir.x, 0, 0}, "\n");
    if (!IsZero(&cam->up)) writeLabelledVector(f, " up        ", cam->up, "\n");
    if (cam->rightDir.z != 0.0f) writeLabelledVector(f, " direction ", Point3d{0, 0, cam->rightDir.z}, "\n");
    writeLabelledVector(f, " location  ", cam->location, "\n");
    writeLabelledVector(f, " look_at   ", cam->lookAt, "\n");
    StdPutLine(f, "}\n");
}

void exportLights(StandardFile* f) {
    unsigned count = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
        if (o->type != KX_LIGHT || (o->flags & KX_FLAG_NOEXPORT)) continue;
        if (isPov(f->type)) exportLight(f, o);
        ++count;
    }
    static constexpr unsigned kWarned[] = {10, 11, 12, 15, 16, 17, 19, 20, 21, 23};
    if (count == 0)
        for (unsigned format : kWarned)
            if (f->type == format) ErrorMessage("Warning no light sources defined in exported scene");
}

int exportBlob(StandardFile* f, CadObject* obj, bool firstComponent) {
    if (!isPov23(f->type)) return 1;
    const Point3d& e = obj->extraPoint;
    if (firstComponent) {
        StdPutLine(f, "// BLOB %s\n", commentText(obj->name).c_str());
        StdPutLine(f, "blob { ");
        StdPutLine(f, " threshold %g\n", e.x);
    }
    StdPutLine(f, " component %g, %g, < %g, %g, %g >\n", e.y == 0.0f ? 1.0 : static_cast<double>(e.y), obj->scale.y,
               obj->translate.x, obj->translate.y, obj->translate.z);
    return 1;
}

bool writesObject(StandardFile* f, CadObject* obj) {
    if (obj->flags & KX_FLAG_NOEXPORT) return false;
    switch (obj->type) {
        case KX_SPHERE:
        case KX_BOX: return true;
        case KX_PLANE:
        case KX_DISC:
        case KX_TORUS: return isPov23(f->type);
        case KX_CYLINDER:
        case KX_CONE: return isPov23(f->type) && hasHeight(obj);
        case KX_POLYGON:
        case KX_TEXT: return (!GetExportSelected() || IsSelected(obj)) && hasWritableFacet(obj);
        case KX_HEIGHTFIELD: return isPov23(f->type) && !extraText(obj, KX_PROP_HEIGHTFIELDFILE).empty();
        case KX_PATCH: {
            Point3d net[16];
            return isPov23(f->type) && UnpackPatch(obj, net);
        }
        case KX_USERDEFINED:
            return (isPov23(f->type) || f->type == kPolyray) && !extraText(obj, 304).empty();
        default: return false;
    }
}

int exportObject(StandardFile* f, CadObject* obj, int extras) {
    if (obj->flags & KX_FLAG_NOEXPORT) return 1;
    switch (obj->type) {
        case KX_SPHERE: return exportSphere(f, obj);
        case KX_BOX: return exportBox(f, obj);
        case KX_PLANE:
        case KX_DISC:
        case KX_TORUS: return isPov23(f->type) ? exportPov23Primitive(f, obj) : 1;
        case KX_CYLINDER:
        case KX_CONE:
            if (!isPov23(f->type)) return 1;
            if (!hasHeight(obj)) {
                LogMessage(1, "%s has no height: left out", obj->name);
                return 1;
            }
            return exportPov23Primitive(f, obj);
        case KX_HEIGHTFIELD: return isPov23(f->type) ? exportHeightField(f, obj) : 1;
        case KX_BLOB:
            if (!isPov23(f->type) || obj->groupId) return 1;
            exportBlob(f, obj, true);
            ExportAttributes(f, obj);
            closeObject(f);
            return 1;
        case KX_PATCH: return isPov23(f->type) ? exportPatch(f, obj) : 1;
        case KX_USERDEFINED: return exportUserDefined(f, obj, extras);
        case KX_POLYGON:
        case KX_TEXT: return exportMesh(f, obj);
        case 7: return WritePointsAs(obj, f, 7);
        default: return 1;
    }
}

}  // namespace kx::exporter
