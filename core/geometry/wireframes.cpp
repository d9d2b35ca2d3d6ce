// Line-segment previews: the light's star with its spot cone, the camera body,
// and the wireframe builder both use.
#include <cmath>

#include "geometry/mesh_builder.h"
#include "model/model_internal.h"

using kx::geometry::MeshBuilder;

namespace {

// A three-axis star of four segments.
constexpr Point3d kStar[8] = {
    {0.5f, 0, 0},         {-0.5f, 0, 0},          {0, 0.5f, 0},           {0, -0.5f, 0},
    {0.35f, 0.35f, 0.35f}, {-0.35f, -0.35f, -0.35f}, {-0.35f, 0.35f, -0.35f}, {0.35f, -0.35f, 0.35f},
};
constexpr unsigned kLightPoints = 29;

// A box from z = -1 to 0 as the body and a pyramid from the square at z = 1
// to the origin as the lens: 20 segments.
constexpr Point3d kCamera[40] = {
    {1, 1, 1},   {-1, 1, 1},   {-1, 1, 1},   {-1, -1, 1},  {-1, -1, 1},  {1, -1, 1},
    {1, -1, 1},  {1, 1, 1},    {1, 1, -1},   {-1, 1, -1},  {-1, 1, -1},  {-1, -1, -1},
    {-1, -1, -1}, {1, -1, -1}, {1, -1, -1},  {1, 1, -1},   {1, 1, 0},    {-1, 1, 0},
    {-1, 1, 0},  {-1, -1, 0},  {-1, -1, 0},  {1, -1, 0},   {1, -1, 0},   {1, 1, 0},
    {1, 1, -1},  {1, 1, 0},    {1, -1, -1},  {1, -1, 0},   {-1, 1, -1},  {-1, 1, 0},
    {-1, -1, -1}, {-1, -1, 0}, {1, 1, 1},    {0, 0, 0},    {1, -1, 1},   {0, 0, 0},
    {-1, 1, 1},  {0, 0, 0},    {-1, -1, 1},  {0, 0, 0},
};

// p turned by radians about a coordinate axis through the origin.
Point3d turned(const Point3d& p, double ax, double ay, double az, double radians) {
    initrotate(0, 0, 0, ax, ay, az, radians);
    double x, y, z;
    rotateZ(p.x, p.y, p.z, &x, &y, &z);
    return kx::geometry::vertex(x, y, z);
}

}  // namespace

namespace kx::geometry {

int buildLight(CadObject* obj, const Point3d& target) {
    if (!obj) return 0;
    double values[6] = {};  // missing values count as 0
    kx::model::readExtra(obj, KX_PROP_LIGHTVALUES, KX_VALUE_FLOATARRAY, 6, values);
    Point3d table[kLightPoints] = {};
    std::copy(std::begin(kStar), std::end(kStar), table);
    // Compared as a double: a stored type may be any number, NaN included.
    if (std::trunc(values[0]) != 1.0) return CreateWireFrame(obj, 8, table);

    table[9] = target;
    const double falloff = values[2];
    if (falloff == 0) return CreateWireFrame(obj, 10, table);
    const double phi = falloff * (4.0 * std::atan(1.0)) / 180.0;
    const Point3d a = turned(target, 0, 0, 1, -phi);
    const Point3d b = turned(target, 0, 0, 1, phi);
    const Point3d c = turned(target, 0, 1, 0, -phi);
    const Point3d d = turned(target, 0, 1, 0, phi);
    table[11] = a;
    table[13] = b;
    table[15] = c;
    table[17] = d;
    // The rim of the cone: A-C-B-D-A.
    const Point3d rim[8] = {a, c, c, b, b, d, d, a};
    std::copy(std::begin(rim), std::end(rim), table + 18);
    return CreateWireFrame(obj, 26, table);
}

}  // namespace kx::geometry

int CreateWireFrame(CadObject* obj, unsigned n, Point3d* pts) {
    if (!obj) return 0;
    MeshBuilder mesh;
    if (pts)
        for (unsigned i = 0; i + 1 < n; i += 2) mesh.segment(pts[i], pts[i + 1]);
    mesh.storeInto(obj);
    return 1;
}

int CreateLightEx(CadObject* obj) {
    if (!obj) return 0;
    return kx::geometry::buildLight(obj, obj->extraPoint);
}

int CreateCameraEx(CadObject* obj) {
    if (!obj) return 0;
    return CreateWireFrame(obj, 40, const_cast<Point3d*>(kCamera));
}

int CreateDefaultCamera() {
    // Resetting the camera must not cut it from the object that shows it:
    // that object would stop following the camera, and a second would appear.
    CameraInfo* cam = GetActiveCamera();
    CadObject* shown = cam ? cam->object : nullptr;
    InitCamera();
    if (cam) cam->object = shown;
    return CreateCamera(CameraToInfo(GetActiveCamera()));
}
