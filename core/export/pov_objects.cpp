// The POV-Ray text of the camera, the lights and each kind of object.
#include <cmath>
#include <cstring>
#include <string>

#include "export/export_internal.h"
#include "files/files_internal.h"
#include "model/model_internal.h"

namespace kx::exporter {
namespace {


void closeObject(StandardFile* f) { StdPutLine(f, " }\n\n"); }

bool bracesBalance(const std::string& text) {
    int depth = 0;
    for (char c : text) {
        if (c == '{') ++depth;
        else if (c == '}' && --depth < 0) return false;
    }
    return depth == 0;
}


// A scale the renderer can take: POV-Ray turns a zero component into 1 and
// draws what the views draw as nothing, so a zero becomes a scale too small
// to see instead.
Point3d renderableScale(const Point3d& s) {
    constexpr float kTooSmallToSee = 1e-6f;
    return {s.x == 0.0f ? kTooSmallToSee : s.x, s.y == 0.0f ? kTooSmallToSee : s.y,
            s.z == 0.0f ? kTooSmallToSee : s.z};
}

int exportSphere(StandardFile* f, CadObject* obj) {
    StdPutLine(f, "// SPHERE %s\n", commentText(obj->name).c_str());
    StdPutLine(f, "sphere { ");
    // The views draw a sphere of a negative size as one of that radius; a
    // minus sign after the centre would be read as a subtraction from it.
    StdPutLine(f, f->type == KX_FILETYPE_POVRAY1 ? " < 0 0 0 > %g\n" : " < 0, 0, 0 > %g\n",
               std::fabs(obj->size.y));
    ExportAttributes(f, obj);
    closeObject(f);
    return 1;
}

int exportBox(StandardFile* f, CadObject* obj) {
    const Point3d& s = obj->size;
    StdPutLine(f, "// BOX %s\n", commentText(obj->name).c_str());
    if (f->type == KX_FILETYPE_POVRAY1) {
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

int exportMesh(StandardFile* f, CadObject* obj, int) {
    StdPutLine(f, "// OBJECT %s\n", commentText(obj->name).c_str());
    StdPutLine(f, "object { \n");
    // A painted mesh needs its uvs, which only mesh2 carries here.
    const std::string picture = f->type == KX_FILETYPE_POVRAY3 ? imageMapOf(obj) : std::string();
    if (f->type == KX_FILETYPE_POVRAY3 && (GetExportMesh2() || !picture.empty())) {
        if (!includeCachedMesh(f, obj)) exportMesh2(f, obj);
    } else {
        StdPutLine(f, f->type == KX_FILETYPE_POVRAY3 ? "mesh { \n" : "union { \n");
        StandardFile* out = f;
        WriteFacetsEx(obj, out);
    }
    StdPutLine(f, "}\n");
    if (picture.empty()) ExportTexture(f, obj);
    else StdPutLine(f, " texture { uv_mapping pigment { image_map { %s interpolate 2 } } }\n", GetPovHeightField(picture.c_str()));
    StdPutLine(f, "}\n");
    return 1;
}

int exportHeightField(StandardFile* f, CadObject* obj) {
    std::string file = extraText(obj, KX_PROP_HEIGHTFIELDFILE);
    StdPutLine(f, "// HEIGHTFIELD %s\n", commentText(obj->name).c_str());
    StdPutLine(f, "height_field { \n  %s%s\n", GetPovHeightField(file.c_str()),
               (obj->flags & KX_FLAG_SMOOTH) ? "\n  smooth" : "");
    if (obj->extraPoint.y != 0.0f) StdPutLine(f, "  water_level %g\n", obj->extraPoint.y);
    StdPutLine(f, " translate < -0.5, -0.5, -0.5 >\n");
    // The field fills the unit cube; the views draw it at its size.
    if (!isUnitScale(obj->size)) writeLabelledVector(f, " scale ", renderableScale(obj->size), "\n");
    ExportAttributes(f, obj);
    StdPutLine(f, "}\n\n");
    return 1;
}

int exportPatch(StandardFile* f, CadObject* obj) {
    writePatchNet(f, obj, "bicubic_patch { \n", "type 1 flatness %g u_steps %d v_steps %d,\n");
    closeObject(f);
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

// Shadows, fading and an area light's shape: written only when set, so a
// light without them is written as before.
void exportPovLightOptions(StandardFile* f, CadObject* light, int kind) {
    int32_t bits = 0;
    if (kx::model::readExtra(light, KX_PROP_LIGHTOPTIONS, KX_VALUE_INTEGER, 1, &bits) != 1) bits = 0;
    const auto options = static_cast<unsigned>(bits);
    if (kind == 2 && (options & KX_LIGHT_CIRCULAR)) {
        indent(f);
        StdPutLine(f, "circular\n");
        // Turning towards each point only means something for a round light.
        if (options & KX_LIGHT_ORIENT) {
            indent(f);
            StdPutLine(f, "orient\n");
        }
    }
    if (options & KX_LIGHT_SHADOWLESS) {
        indent(f);
        StdPutLine(f, "shadowless\n");
    }
    double fade[2] = {0, 0};
    if (kx::model::readExtra(light, KX_PROP_LIGHTFADE, KX_VALUE_FLOATARRAY, 2, fade) != 2) return;
    // The renderer fades nothing without both a distance and a power above 0.
    if (!(std::isfinite(fade[0]) && fade[0] > 0 && std::isfinite(fade[1]) && fade[1] > 0)) return;
    indent(f);
    StdPutLine(f, "fade_distance %g\n", fade[0]);
    indent(f);
    StdPutLine(f, "fade_power %g\n", fade[1]);
}

void exportPov1Light(StandardFile* f, CadObject* light, const LightSetting&) {
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
}

void exportPovLight(StandardFile* f, CadObject* light, const LightSetting& setting) {
    const double* v = setting.v;
    const int kind = setting.kind;
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
    } else if (kind == 3 || kind == 4) {
        // A cylinder light (a spot whose beam keeps its width) or a parallel
        // light (sun-like rays along point_at), kinds beyond the first three.
        indent(f);
        StdPutLine(f, kind == 3 ? "cylinder\n" : "parallel\n");
        indent(f);
        writeLabelledVector(f, " point_at ", light->extraPoint, "\n");
        if (kind == 3) exportLightParams(f, v, 3);
    }
    if (f->type == KX_FILETYPE_POVRAY3) exportPovLightOptions(f, light, kind);
    std::string looks = extraText(light, KX_PROP_LIGHTLOOKSLIKE);
    if (!looks.empty()) {
        // Any shape text the renderer knows may stand here, as in UserInline;
        // only unbalanced braces, which would break the rest of the scene, are left out.
        if (bracesBalance(looks)) StdPutLine(f, "looks_like { %s }\n", looks.c_str());
        else LogMessage(1, "LightLooksLike of %s left out: its braces do not balance", light->name);
    }
    indentOut();
    indent(f);
    StdPutLine(f, "}\n");
    StdPutLine(f, "\n");
}

void exportPovCamera(StandardFile* f) {
    CameraInfo* cam = GetActiveCamera();
    StdPutLine(f, "// CAMERA POSITION\n");
    StdPutLine(f, "camera {\n");
    const bool pov3 = f->type == KX_FILETYPE_POVRAY3;
    if (pov3) writePovCameraKind(f);
    if (cam->rightDir.x != 0.0f) writeLabelledVector(f, " right     ", Point3d{cam->rightDir.x, 0, 0}, "\n");
    if (!IsZero(&cam->up)) writeLabelledVector(f, " up        ", cam->up, "\n");
    if (cam->rightDir.z != 0.0f) writeLabelledVector(f, " direction ", Point3d{0, 0, cam->rightDir.z}, "\n");
    writeLabelledVector(f, " location  ", cam->location, "\n");
    writeLabelledVector(f, " look_at   ", cam->lookAt, "\n");
    if (pov3) writePovFocalBlur(f);
    StdPutLine(f, "}\n");
}

void writePovHeader(StandardFile* f, int withScene) {
    StdPutLine(f, "// %s\n", "Scene Created by the Kalvex 2.0");
    StdPutLine(f, "// Povray export filter 1.4\n");
    StdPutLine(f, "\n");
    StdPutLine(f, "#include \"colors.inc\"\n");
    StdPutLine(f, "#include \"textures.inc\"\n");
    StdPutLine(f, "#include \"shapes.inc\"\n");
    if (f->type == KX_FILETYPE_POVRAY3 && sceneCallsLibraryFunctions()) StdPutLine(f, "#include \"functions.inc\"\n");
    StdPutLine(f, "\n");
    if (!withScene) return;
    if (const CadScene* scene = f->scene) {
        if (scene->include[0]) StdPutLine(f, "%s\n\n", scene->include);
        if (unsigned c = scene->backColor)
            StdPutLine(f, "background { color rgb < %g, %g, %g > }\n\n", channel(c, 0), channel(c, 8), channel(c, 16));
    }
    if (f->type == KX_FILETYPE_POVRAY3) writePovSceneSettings(f);
    // Colour names brought in by imports must exist before an object uses them.
    if (f->type == KX_FILETYPE_POVRAY2 || f->type == KX_FILETYPE_POVRAY3) writeColourDeclarations(f);
    SaveUserTextureAs(f);
}

// The colour, texture layers or default pigment of an object.
int exportPovTexture(StandardFile* f, CadObject* obj) {
    unsigned kind = obj->materialType & 3;
    if (kind == 1) {
        unsigned r, g, b;
        if (GetEncodedRgb(obj->material, &r, &g, &b))
            StdPutLine(f, " texture { %s { color rgb < %g, %g, %g > } }\n", "pigment", r * (1.0 / 255),
                       g * (1.0 / 255), b * (1.0 / 255));
        else if (isPlainIdentifier(obj->material) && !isPovReservedWord(obj->material))
            StdPutLine(f, " texture { %s { color %s } }\n", "pigment", obj->material);
        else if (obj->material[0])  // "blue", the renderer's own word, or "Material.001": no name it takes
            StdPutLine(f, " texture { %s { color rgb < %g, %g, %g > } }\n", "pigment", (obj->rgb & 0xFF) * (1.0 / 255),
                       ((obj->rgb >> 8) & 0xFF) * (1.0 / 255), ((obj->rgb >> 16) & 0xFF) * (1.0 / 255));
        else
            StdPutLine(f, " texture { %s { color White } }\n", "pigment");
    } else if (kind == 2) {
        SaveTextureLayers(f, obj->material);
    } else {
        StdPutLine(f, " %s { White }\n", "pigment");
    }
    return 1;
}

}  // namespace

void exportPovAttributes(StandardFile* f, CadObject* obj) {
    ExportTexture(f, obj);
    if (f->type == KX_FILETYPE_POVRAY3) {
        exportPovPhotons(f, obj);
        exportPovInteriorMedia(f, obj);
    }
    int32_t inverse = 0;
    if ((f->type == KX_FILETYPE_POVRAY2 || f->type == KX_FILETYPE_POVRAY3) &&
        kx::model::readExtra(obj, KX_PROP_INVERSE, KX_VALUE_INTEGER, 1, &inverse) == 1 && inverse != 0)
        StdPutLine(f, " inverse\n");
    // A blob carries its scale and position in its component already.
    if (obj->type == KX_BLOB) return;
    if (!isUnitScale(obj->scale)) writeLabelledVector(f, " scale ", renderableScale(obj->scale), "\n");
    if (!isZero(obj->rotate)) writeLabelledVector(f, " rotate ", obj->rotate, "\n");
    if (!isZero(obj->translate)) writeLabelledVector(f, " translate ", obj->translate, "\n");
}

namespace {

int exportPovUngroupedBlob(StandardFile* f, CadObject* obj, int) {
    exportPovBlob(f, obj, true);
    ExportAttributes(f, obj);
    closeObject(f);
    return 1;
}

void exportPovGroupMember(StandardFile* f, CadObject* obj, unsigned index, unsigned op) {
    if (index == 0) {
        StdPutLine(f, "// DEFAULT GROUP\n");
        StdPutLine(f, "%s {\n", kx::files::csgKeyword(op));
    }
    StdPutLine(f, "  object { %s }\n", objectIdentifier(obj).c_str());
}

int blobComponent(StandardFile* f, CadObject* obj, bool first) { return exportPovBlob(f, obj, first); }

// The first dialect has no user-defined objects; the row still warns of an empty one.
int writeNothing(StandardFile*, CadObject*, int) { return 1; }

template <int (*W)(StandardFile*, CadObject*)>
int cell(StandardFile* f, CadObject* obj, int) {
    return W(f, obj);
}

constexpr WriterCells kPov23Cells = cells({
    {KX_SPHERE, cell<exportSphere>},
    {KX_BOX, cell<exportBox>},
    {KX_PLANE, cell<exportPov23Primitive>},
    {KX_DISC, cell<exportPov23Primitive>},
    {KX_TORUS, cell<exportPov23Primitive>},
    {KX_CYLINDER, cell<exportPov23Primitive>},
    {KX_CONE, cell<exportPov23Primitive>},
    {KX_HEIGHTFIELD, cell<exportHeightField>},
    {KX_BLOB, exportPovUngroupedBlob},
    {KX_PATCH, cell<exportPatch>},
    {KX_USERDEFINED, exportUserDefined},
    {7, exportPoints},
});

// POV-Ray 3 also has the renderer's own shapes; the earlier dialects get their meshes.
constexpr WriterCells kPov3Cells = [] {
    WriterCells c = kPov23Cells;
    for (unsigned t = KX_SUPERELLIPSOID; t <= KX_JULIA; ++t) c[t] = exportPovShape;
    return c;
}();

}  // namespace

int exportUserDefined(StandardFile* f, CadObject* obj, int) {
    StdPutLine(f, "// USER DEFINED %s\n", commentText(obj->name).c_str());
    StdPutLine(f, "object {\n");
    ExportAttributes(f, obj);
    StdPutLine(f, "}\n\n");
    return 1;
}

namespace {

// The views draw a blob component as its sphere scaled by the object's scale
// and then turned: unevenly scaled, it is an ellipsoid. A plain component is
// a sphere, so such a blob is written as a sphere component with its own
// scale (the y axis's radius, the other axes in proportion) and turn.
bool unevenlyScaled(const CadObject* obj) {
    const Point3d& s = obj->scale;
    return s.y != 0.0f && s.x != 0.0f && s.z != 0.0f && (s.x != s.y || s.z != s.y);
}

}  // namespace

int exportPovBlob(StandardFile* f, CadObject* obj, bool firstComponent) {
    const Point3d& e = obj->extraPoint;
    if (firstComponent) {
        StdPutLine(f, "// BLOB %s\n", commentText(obj->name).c_str());
        StdPutLine(f, "blob { ");
        StdPutLine(f, " threshold %g\n", e.x);
    }
    const double strength = e.y == 0.0f ? 1.0 : static_cast<double>(e.y);
    const double radius = blobRadius(obj, firstComponent);
    if (f->type == KX_FILETYPE_POVRAY3 && unevenlyScaled(obj) && blobHasSurface(obj)) {
        const Point3d& s = obj->scale;
        StdPutLine(f, " sphere { < 0, 0, 0 >, %g, %g\n", radius, strength);
        writeLabelledVector(f, "  scale ", Point3d{s.x / s.y, 1, s.z / s.y}, "\n");
        if (!isZero(obj->rotate)) writeLabelledVector(f, "  rotate ", obj->rotate, "\n");
        writeLabelledVector(f, "  translate ", obj->translate, "\n");
        StdPutLine(f, " }\n");
        return 1;
    }
    StdPutLine(f, " component %g, %g, < %g, %g, %g >\n", strength, radius, obj->translate.x, obj->translate.y,
               obj->translate.z);
    return 1;
}

const Dialect kPovray1Dialect{KX_FILETYPE_POVRAY1, "< %g %g %g >", "// %s\n", nullptr, true, writePovHeader,
                              exportPovCamera, exportPov1Light, nullptr, nullptr, exportPovTexture, nullptr,
                              nullptr, nullptr, kMeshObjects, exportMesh,
                              cells({{KX_SPHERE, cell<exportSphere>},
                                     {KX_BOX, cell<exportBox>},
                                     {KX_USERDEFINED, writeNothing},
                                     {7, exportPoints}})};
const Dialect kPovray2Dialect{KX_FILETYPE_POVRAY2, "< %g, %g, %g >", "// %s\n", "#declare %s = \n", true,
                              writePovHeader, exportPovCamera, exportPovLight, nullptr, exportPovAttributes,
                              exportPovTexture, nullptr, blobComponent, exportPovGroupMember, kMeshObjects, exportMesh, kPov23Cells};
const Dialect kPovray3Dialect{KX_FILETYPE_POVRAY3, "< %g, %g, %g >", "// %s\n", "#declare %s = \n", true,
                              writePovHeader, exportPovCamera, exportPovLight, nullptr, exportPovAttributes,
                              exportPovTexture, nullptr, blobComponent, exportPovGroupMember, kMeshObjects, exportMesh, kPov3Cells};

}  // namespace kx::exporter
