// Polyray: POV-Ray's driver and attribute blocks with its own header, camera,
// lights, primitives, surfaces and "+"/"-" groups.
#include <string>

#include "export/export_internal.h"

namespace kx::exporter {
namespace {

void writeHeader(StandardFile* f, int withScene) {
    StdPutLine(f, "// %s\n", "Scene Created by the Kalvex 2.0");
    StdPutLine(f, "// Polyray export filter 1.4\n");
    StdPutLine(f, "\n");
    StdPutLine(f, "include \"colors.inc\"\n");
    StdPutLine(f, "include \"texture.inc\"\n\n");
    if (!withScene) return;
    if (const CadScene* scene = f->scene) {
        if (scene->include[0]) StdPutLine(f, "%s\n\n", scene->include);
        if (unsigned c = scene->backColor)
            StdPutLine(f, "background < %g, %g, %g >\n\n", channel(c, 0), channel(c, 8), channel(c, 16));
    }
    SaveUserTextureAs(f);
}

void writeCamera(StandardFile* f) {
    CameraInfo* cam = GetActiveCamera();
    indented(f, "viewpoint {\n");
    indentIn();
    indent(f);
    writeLabelledVector(f, "from ", cam->location, "\n");
    indent(f);
    writeLabelledVector(f, "at   ", cam->lookAt, "\n");
    indent(f);
    writeLabelledVector(f, "up   ", cam->up, "\n");
    if (cam->rightDir.x != 0.0f) {
        indent(f);
        StdPutLine(f, "aspect %g\n", cam->rightDir.x);
    }
    indent(f);
    if (cam->width == 0 || cam->height == 0) StdPutLine(f, "resolution 320, 200\n");
    else StdPutLine(f, "resolution %d, %d\n", cam->width, cam->height);
    indentOut();
    indented(f, "}\n");
    StdPutLine(f, "\n");
}

void writeLight(StandardFile* f, CadObject* light, const LightSetting& s) {
    const Point3d& p = light->translate;
    indent(f);
    if (s.kind == 1) {
        const Point3d& e = light->extraPoint;
        StdPutLine(f, "spot_light <%g, %g, %g>, <%g, %g, %g>, <%g, %g, %g>, %d, %g, %g\n", 1.0, 1.0, 1.0, p.x, p.y,
                   p.z, e.x, e.y, e.z, s.v[3] != 0 ? truncated(s.v[3]) : 3, s.v[1] != 0 ? s.v[1] : 45.0,
                   s.v[2] != 0 ? s.v[2] : 50.0);
    } else {
        StdPutLine(f, "light <%g, %g, %g>, <%g, %g, %g>\n", 1.0, 1.0, 1.0, p.x, p.y, p.z);
    }
    StdPutLine(f, "\n");
}

int writeTexture(StandardFile* f, CadObject* obj) {
    unsigned kind = obj->materialType & 3;
    if (kind == 1) {
        unsigned r, g, b;
        if (GetEncodedRgb(obj->material, &r, &g, &b))
            StdPutLine(f, " texture { %s { color rgb < %g, %g, %g > } }\n", "surface", r * (1.0 / 255),
                       g * (1.0 / 255), b * (1.0 / 255));
        else
            StdPutLine(f, " texture { %s { color %s } }\n", "surface",
                       isPlainIdentifier(obj->material) ? obj->material : "White");
    } else if (kind == 2) {
        SaveTextureLayers(f, obj->material);
    }
    return 1;
}

// "object {" at the indent, the shape one level in, then the attributes.
void openShape(StandardFile* f, const char* comment, CadObject* obj) {
    StdPutLine(f, comment, commentText(obj->name).c_str());
    indented(f, "object {");
    indentIn();
    indent(f);
}

void closeShape(StandardFile* f, CadObject* obj) {
    ExportAttributes(f, obj);
    indentOut();
    indented(f, "}\n");
    StdPutLine(f, "\n");
}

int writeSphere(StandardFile* f, CadObject* obj, int) {
    StdPutLine(f, "// SPHERE %s\n", commentText(obj->name).c_str());
    indent(f);
    StdPutLine(f, "object { sphere <0, 0, 0>, %g", obj->size.y);
    ExportAttributes(f, obj);
    StdPutLine(f, " }\n");
    StdPutLine(f, "\n");
    return 1;
}

int writeDisc(StandardFile* f, CadObject* obj, int) {
    openShape(f, "// DISC %s\n", obj);
    StdPutLine(f, "disc < 0, 0, 0>, < 0, 1, 0 >, %g\n", obj->size.x);
    closeShape(f, obj);
    return 1;
}

int writeCylinder(StandardFile* f, CadObject* obj, int) {
    const Point3d& s = obj->size;
    openShape(f, "// CYLINDER %s\n", obj);
    StdPutLine(f, "cylinder <0, -%g, 0>, ", s.y / 2);
    StdPutLine(f, " < 0, %g, 0>, %g\n", s.y / 2, s.x);
    closeShape(f, obj);
    return 1;
}

int writeCone(StandardFile* f, CadObject* obj, int) {
    const Point3d& s = obj->size;
    openShape(f, "// CONE %s\n", obj);
    StdPutLine(f, "cone <0, -%g, 0>, %g, ", s.y / 2, s.x);
    StdPutLine(f, "  < 0, %g, 0>, 0\n", s.y / 2);
    closeShape(f, obj);
    return 1;
}

int writeBox(StandardFile* f, CadObject* obj, int) {
    const Point3d& s = obj->size;
    openShape(f, "// BOX %s\n", obj);
    StdPutLine(f, "box < %g, %g, %g>,\n", -s.x / 2, -s.y / 2, -s.z / 2);
    StdPutLine(f, " < %g, %g, %g>\n", s.x / 2, s.y / 2, s.z / 2);
    closeShape(f, obj);
    return 1;
}

int writeMesh(StandardFile* f, CadObject* obj, int) {
    StdPutLine(f, "// OBJECT %s\n", commentText(obj->name).c_str());
    StdPutLine(f, "object { \n");
    WriteFacetsEx(obj, f);
    ExportTexture(f, obj);
    StdPutLine(f, "}\n");
    return 1;
}

// Planes and tori are meshes under a comment of their own.
int writePlane(StandardFile* f, CadObject* obj, int extras) {
    StdPutLine(f, "// PLANE %s\n", commentText(obj->name).c_str());
    return writeMesh(f, obj, extras);
}

int writeTorus(StandardFile* f, CadObject* obj, int extras) {
    StdPutLine(f, "// TORUS %s\n", commentText(obj->name).c_str());
    return writeMesh(f, obj, extras);
}

int writeHeightField(StandardFile* f, CadObject* obj, int) {
    std::string file = extraText(obj, KX_PROP_HEIGHTFIELDFILE);
    // The image name is a string of the scene language: quoted, no quote or line end in it.
    for (char& c : file)
        if (c == '"' || c == '\r' || c == '\n') c = '_';
    StdPutLine(f, "// HEIGHTFIELD %s\n", commentText(obj->name).c_str());
    StdPutLine(f, "object { %s \"%s\"\n", (obj->flags & KX_FLAG_SMOOTH) ? "smooth_height_field" : "height_field",
               file.c_str());
    if (obj->extraPoint.y != 0.0f) StdPutLine(f, "  water_level %g\n", obj->extraPoint.y);
    StdPutLine(f, " translate < -0.5, -0.5, -0.5 >\n");
    ExportAttributes(f, obj);
    StdPutLine(f, "}\n\n");
    return 1;
}

int writePatch(StandardFile* f, CadObject* obj, int) {
    writePatchNet(f, obj, "object { \n", "bezier 1, %g, %d, %d,\n");
    StdPutLine(f, " }\n\n");
    return 1;
}

int blobComponent(StandardFile* f, CadObject* obj, bool first) {
    const Point3d& e = obj->extraPoint;
    if (first) {
        StdPutLine(f, "// BLOB %s\n", commentText(obj->name).c_str());
        StdPutLine(f, "object { ");
        StdPutLine(f, " blob %g:\n", e.x);
    }
    const Point3d& p = obj->translate;
    StdPutLine(f, " sphere < %g, %g, %g >, %g, %g\n", p.x, p.y, p.z, e.y == 0.0f ? 1.0 : static_cast<double>(e.y),
               blobRadius(obj, first));
    return 1;
}

// The CSG operators by a group's operation; any other value joins.
constexpr const char* kCsgOperators[] = {"  + ", "  ^ ", "  * ", "  - "};

void groupMember(StandardFile* f, CadObject* obj, unsigned index, unsigned op) {
    if (index == 0) {
        StdPutLine(f, "// DEFAULT GROUP\n");
        StdPutLine(f, "object {\n");
    } else {
        StdPutLine(f, "%s", index == 1 ? kCsgOperators[op < 4 ? op : 0] : kCsgOperators[0]);
    }
    StdPutLine(f, "  %s \n", objectIdentifier(obj).c_str());
}

}  // namespace

const Dialect kPolyrayDialect{KX_FILETYPE_POLYRAY,
                              "< %g, %g, %g >",
                              "// %s\n",
                              "define %s\n",
                              true,
                              writeHeader,
                              writeCamera,
                              writeLight,
                              nullptr,
                              exportPovAttributes,
                              writeTexture,
                              nullptr,
                              blobComponent,
                              groupMember,
                              kMeshObjects | typeBits({KX_PLANE, KX_TORUS}),
                              writeMesh,
                              cells({{KX_SPHERE, writeSphere},
                                     {KX_PLANE, writePlane},
                                     {KX_DISC, writeDisc},
                                     {KX_CYLINDER, writeCylinder},
                                     {KX_CONE, writeCone},
                                     {KX_TORUS, writeTorus},
                                     {KX_BOX, writeBox},
                                     {KX_HEIGHTFIELD, writeHeightField},
                                     {KX_PATCH, writePatch},
                                     {KX_USERDEFINED, exportUserDefined},
                                     {7, exportPoints}})};

}  // namespace kx::exporter
