// RenderMan RIB: one frame with a perspective camera, numbered light sources
// and each object in its own transform block.
#include <cmath>

#include "export/export_internal.h"

namespace kx::exporter {
namespace {

void writeHeader(StandardFile* f, int) {
    StdPutLine(f, "# %s\n", "Scene Created by the Kalvex 2.0");
    StdPutLine(f, "# RenderMan export filter 1.0\n");
    StdPutLine(f, "\n");
}

// The scene's camera as the POV-Ray export describes it (right and direction
// lengths, up, look_at with the sky along +y), in the renderer's camera
// space: +x right on the picture, +y up, +z into it. The screen window is
// the picture's extent at unit distance, so the picture is the one POV-Ray
// renders of the same camera. False when the camera gives no view.
bool writeSceneCamera(StandardFile* f, const CameraInfo& cam) {
    const double rightLength = cam.rightDir.x != 0.0f ? cam.rightDir.x : 1.33;
    const double directionZ = cam.rightDir.z != 0.0f ? cam.rightDir.z : 1.0;
    double up[3] = {cam.up.x, cam.up.y, cam.up.z};
    if (norm(up) == 0) cv(0, 1, 0, up);
    const double upLength = norm(up);
    // A negative right, or an up or direction turned round, mirrors the picture.
    const double given[3] = {0, 0, directionZ}, rightGiven[3] = {rightLength, 0, 0};
    double handed[3];
    cross(up, given, handed);
    const bool mirrored = dot(handed, rightGiven) < 0;
    const double eye[3] = {cam.location.x, cam.location.y, cam.location.z};
    const double at[3] = {cam.lookAt.x, cam.lookAt.y, cam.lookAt.z};
    const double sky[3] = {0, 1, 0};
    double look[3], right[3], upward[3];
    direction(eye, at, look);
    cross(sky, look, right);
    normalize(right);
    cross(look, right, upward);
    normalize(upward);
    if (norm(look) == 0 || norm(right) == 0 || !std::isfinite(dot(eye, eye))) return false;
    if (mirrored) vecscale(-1, right, right);
    const double distance = std::fabs(directionZ);
    const double halfWidth = std::fabs(rightLength) / 2 / distance, halfHeight = upLength / 2 / distance;
    StdPutLine(f, "Projection \"perspective\" \"fov\" 90\n");
    StdPutLine(f, "ScreenWindow %g %g %g %g\n", -halfWidth, halfWidth, -halfHeight, halfHeight);
    // World to camera, rows of a row-vector matrix: the axes as columns,
    // then the eye moved to the origin.
    const auto n = [](double v) { return v == 0 ? 0.0 : v; };  // no "-0"
    StdPutLine(f, "Transform [ %g %g %g 0 %g %g %g 0 %g %g %g 0 %g %g %g 1 ]\n", n(right[0]), n(upward[0]),
               n(look[0]), n(right[1]), n(upward[1]), n(look[1]), n(right[2]), n(upward[2]), n(look[2]),
               n(-dot(eye, right)), n(-dot(eye, upward)), n(-dot(eye, look)));
    return true;
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
    if (!kx::core().settings.ribSceneCamera || !writeSceneCamera(f, *cam)) {
        StdPutLine(f, "Projection \"perspective\" \"fov\" 35\n");
        StdPutLine(f, "Translate 0 0 %#g\n", 2.0 * cam->location.z);
        StdPutLine(f, "Scale -1 1 1\n");
        StdPutLine(f, "Rotate 180 0 1 0\n");
    }
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
