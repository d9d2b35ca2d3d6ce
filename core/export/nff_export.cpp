// Neutral file format: a viewpoint, point lights, spheres, upright cylinders
// and cones, and every other surface as triangles.
#include "export/export_internal.h"

namespace kx::exporter {
namespace {

void writeHeader(StandardFile* f, int) {
    StdPutLine(f, "# %s\n", "Scene Created by the Kalvex 2.0");
    StdPutLine(f, "# Neutral file format export filter 1.0\n");
}

void writeCamera(StandardFile* f) {
    CameraInfo* cam = GetActiveCamera();
    StdPutLine(f, "v\n");
    writeLabelledVector(f, "from ", cam->location, "\n");
    writeLabelledVector(f, "at   ", cam->lookAt, "\n");
    writeLabelledVector(f, "up   ", cam->up, "\n");
    StdPutLine(f, "resolution %d %d\n", cam->width, cam->height);
}

void writeLight(StandardFile* f, CadObject* light, const LightSetting&) {
    writeLabelledVector(f, "l ", light->translate, "\n");
}

int writeMesh(StandardFile* f, CadObject* obj, int) {
    WriteFacetsEx(obj, f);
    return 1;
}

int writeSphere(StandardFile* f, CadObject* obj, int) {
    const Point3d& p = obj->translate;
    StdPutLine(f, "# SPHERE %s\n", commentText(obj->name).c_str());
    StdPutLine(f, "s %g %g %g %g\n", p.x, p.y, p.z, obj->size.y);
    return 1;
}

int writePlane(StandardFile* f, CadObject* obj, int extras) {
    StdPutLine(f, "# PLANE %s\n", commentText(obj->name).c_str());
    return writeMesh(f, obj, extras);
}

// An upright cylinder or cone is a "c" entity; a turned one is its triangles.
int writeAxial(StandardFile* f, CadObject* obj, const char* comment, double topRadius) {
    StdPutLine(f, comment, commentText(obj->name).c_str());
    if (!isZero(obj->rotate)) return meshWritten(obj) ? writeMesh(f, obj, 0) : 1;
    const Point3d& p = obj->translate;
    const double half = obj->size.y / 2.0;
    StdPutLine(f, "c\n");
    StdPutLine(f, "%g %g %g %g\n", p.x, p.y - half, p.z, obj->size.x);
    StdPutLine(f, "%g %g %g %g\n", p.x, p.y + half, p.z, topRadius);
    return 1;
}

int writeCylinder(StandardFile* f, CadObject* obj, int) {
    return writeAxial(f, obj, "# CYLINDER %s\n", obj->size.x);
}

int writeCone(StandardFile* f, CadObject* obj, int) { return writeAxial(f, obj, "# CONE %s\n", 0.0); }

}  // namespace

const Dialect kNffDialect{KX_FILETYPE_NFF,
                          "%g %g %g",
                          nullptr,
                          nullptr,
                          false,
                          writeHeader,
                          writeCamera,
                          writeLight,
                          nullptr,
                          nullptr,
                          nullptr,
                          nullptr,
                          nullptr,
                          nullptr,
                          kMeshObjects | typeBits({KX_PLANE, KX_DISC, KX_TORUS, KX_BOX}),
                          writeMesh,
                          cells({{KX_SPHERE, writeSphere},
                                 {KX_PLANE, writePlane},
                                 {KX_CYLINDER, writeCylinder},
                                 {KX_CONE, writeCone},
                                 {7, exportPoints}})};

}  // namespace kx::exporter
