// RenderMan RIB: one frame with a perspective camera, numbered light sources
// and each object in its own transform block.
#include "export/export_internal.h"

namespace kx::exporter {
namespace {

void writeHeader(StandardFile* f, int) {
    StdPutLine(f, "# %s\n", "Scene Created by the Kalvex 2.0");
    StdPutLine(f, "# RenderMan export filter 1.0\n");
    StdPutLine(f, "\n");
}

void writeCamera(StandardFile* f) {
    CameraInfo* cam = GetActiveCamera();
    StdPutLine(f, "version 3.03\n");
    StdPutLine(f, "FrameBegin 1\n");
    // An image of no size is no image: the usual default instead.
    if (cam->width <= 0 || cam->height <= 0) StdPutLine(f, "Format %d %d 1\n", 320, 200);
    else StdPutLine(f, "Format %d %d 1\n", cam->width, cam->height);
    StdPutLine(f, "PixelSamples 1 1\n");
    StdPutLine(f, "ShadingRate 1.0\n");
    StdPutLine(f, "Projection \"perspective\" \"fov\" 35\n");
    StdPutLine(f, "Translate 0 0 %#g\n", 2.0 * cam->location.z);
    StdPutLine(f, "Scale -1 1 1\n");
    StdPutLine(f, "Rotate 180 0 1 0\n");
    StdPutLine(f, "WorldBegin\n\n");
    indentIn();
}

void writeTrailer(StandardFile* f) {
    StdPutLine(f, "WorldEnd\n");
    StdPutLine(f, "FrameEnd\n");
}

void writeLight(StandardFile* f, CadObject* light, const LightSetting& s) {
    const Point3d& p = light->translate;
    const int number = run().ribLights++;
    if (s.kind == 1) {
        const Point3d& e = light->extraPoint;
        StdPutLine(f,
                   "LightSource \"spotlight\" %d \"from\" [ %#g %#g %#g ] \"to\" [ %#g %#g %#g ] \"intensity\" 500\n",
                   number, p.x, p.y, p.z, e.x, e.y, e.z);
    } else {
        StdPutLine(f, "LightSource \"pointlight\" %d \"from\" [ %#g %#g %#g ] \"intensity\" 500\n", number, p.x, p.y,
                   p.z);
    }
}

void writeColor(StandardFile* f, const CadObject* obj) {
    StdPutLine(f, "Color [ %g %g %g ]\n", channel(obj->rgb, 0), channel(obj->rgb, 8), channel(obj->rgb, 16));
}

void writeAttributes(StandardFile* f, CadObject* obj) {
    indent(f);
    writeColor(f, obj);
    if (!isZero(obj->translate)) {
        indent(f);
        writeLabelledVector(f, "Translate ", obj->translate, "\n");
    }
    const Point3d& r = obj->rotate;
    if (r.x != 0.0f) {
        indent(f);
        StdPutLine(f, "Rotate %#g 1 0 0\n", r.x);
    }
    if (r.y != 0.0f) {
        indent(f);
        StdPutLine(f, "Rotate %#g 0 1 0\n", r.y);
    }
    if (r.z != 0.0f) {
        indent(f);
        StdPutLine(f, "Rotate %#g 0 0 1\n", r.z);
    }
    if (!isUnitScale(obj->scale)) {
        indent(f);
        writeLabelledVector(f, "Scale ", obj->scale, "\n");
    }
}

void openBlock(StandardFile* f, CadObject* obj) {
    StdPutLine(f, "\n# Object %s\n", commentText(obj->name).c_str());
    StdPutLine(f, "TransformBegin\n");
    indentIn();
    ExportAttributes(f, obj);
}

void closeBlock(StandardFile* f) {
    indentOut();
    indented(f, "TransformEnd\n");
}

int writeSphere(StandardFile* f, CadObject* obj, int) {
    const double r = obj->size.y;
    openBlock(f, obj);
    indent(f);
    StdPutLine(f, "Sphere %#g %#g %#g 360\n", r, -r, r);
    closeBlock(f);
    return 1;
}

int writeCylinder(StandardFile* f, CadObject* obj, int) {
    const double half = obj->size.y / 2.0;
    openBlock(f, obj);
    indented(f, "Rotate 90.0 1 0 0\n");
    indent(f);
    StdPutLine(f, "Cylinder %#g %#g %#g 360\n", static_cast<double>(obj->size.x), -half, half);
    closeBlock(f);
    return 1;
}

int writeCone(StandardFile* f, CadObject* obj, int) {
    openBlock(f, obj);
    indented(f, "Rotate -90.0 1 0 0\n");
    indent(f);
    StdPutLine(f, "Translate 0 0 %#g\n", -obj->size.y / 2.0);
    indent(f);
    StdPutLine(f, "Cone %#g %#g 360\n", obj->size.y, obj->size.x);
    closeBlock(f);
    return 1;
}

int writeTorus(StandardFile* f, CadObject* obj, int) {
    openBlock(f, obj);
    indented(f, "Rotate -90.0 1 0 0\n");
    indent(f);
    StdPutLine(f, "Torus %#g %#g 0 360 360\n", obj->size.x, obj->size.y);
    closeBlock(f);
    return 1;
}

int writeMesh(StandardFile* f, CadObject* obj, int) {
    StdPutLine(f, "\n# Object %s\n", commentText(obj->name).c_str());
    StdPutLine(f, "TransformBegin\n");
    writeColor(f, obj);
    WriteFacetsEx(obj, f);
    StdPutLine(f, "TransformEnd\n");
    return 1;
}

}  // namespace

void resetLightCounter() { run().ribLights = 0; }

const Dialect kRibDialect{KX_FILETYPE_RENDERMAN,
                          "%g %g %g",
                          nullptr,
                          nullptr,
                          true,
                          writeHeader,
                          writeCamera,
                          writeLight,
                          writeTrailer,
                          writeAttributes,
                          nullptr,
                          nullptr,
                          nullptr,
                          nullptr,
                          kMeshObjects | typeBits({KX_PLANE, KX_DISC, KX_BOX}),
                          writeMesh,
                          cells({{KX_SPHERE, writeSphere},
                                 {KX_CYLINDER, writeCylinder},
                                 {KX_CONE, writeCone},
                                 {KX_TORUS, writeTorus},
                                 {7, exportPoints}})};

}  // namespace kx::exporter
