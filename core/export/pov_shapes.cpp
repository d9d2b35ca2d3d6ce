// The POV-Ray 3 text of the renderer's own shapes: each written as the exact
// object from the parameters its proxy mesh is made of.
#include <cctype>
#include <cmath>
#include <string>

#include "export/export_internal.h"
#include "geometry/shape_parameters.h"
#include "model/model_internal.h"

namespace kx::exporter {
namespace {

using kx::shapes::ShapeParameters;

void closeShape(StandardFile* f, CadObject* obj) {
    ExportAttributes(f, obj);
    StdPutLine(f, " }\n\n");
}

void comment(StandardFile* f, const char* kind, CadObject* obj) {
    StdPutLine(f, "// %s %s\n", kind, commentText(obj->name).c_str());
}

// Points as "<a, b>" pairs (x with y, or x with z), comma separated.
void writePairs(StandardFile* f, const std::vector<Point3d>& pts, bool xz) {
    for (size_t i = 0; i < pts.size(); ++i)
        StdPutLine(f, "  < %g, %g >%s\n", pts[i].x, xz ? pts[i].z : pts[i].y, i + 1 < pts.size() ? "," : "");
}

int writeSuperellipsoid(StandardFile* f, CadObject* obj, const ShapeParameters& p) {
    comment(f, "SUPERELLIPSOID", obj);
    StdPutLine(f, "superellipsoid { < %g, %g >\n", p.exponents[0], p.exponents[1]);
    if (!isUnitScale(obj->size)) writeLabelledVector(f, " scale ", obj->size, "\n");
    closeShape(f, obj);
    return 1;
}

int writeLathe(StandardFile* f, CadObject* obj, const ShapeParameters& p) {
    comment(f, "LATHE", obj);
    StdPutLine(f, "lathe { %s %d,\n", kx::shapes::splineKeyword(p.spline), static_cast<int>(p.profile.size()));
    writePairs(f, p.profile, false);
    closeShape(f, obj);
    return 1;
}

int writeSor(StandardFile* f, CadObject* obj, const ShapeParameters& p) {
    comment(f, "SOR", obj);
    StdPutLine(f, "sor { %d,\n", static_cast<int>(p.profile.size()));
    writePairs(f, p.profile, false);
    closeShape(f, obj);
    return 1;
}

int writePrism(StandardFile* f, CadObject* obj, const ShapeParameters& p) {
    const std::vector<Point3d> pts = kx::shapes::prismSplinePoints(p);
    comment(f, "PRISM", obj);
    StdPutLine(f, "prism { %s %s %g, %g, %d,\n", p.conic ? "conic_sweep" : "linear_sweep",
               kx::shapes::splineKeyword(p.spline), p.heights[0], p.heights[1], static_cast<int>(pts.size()));
    writePairs(f, pts, true);
    closeShape(f, obj);
    return 1;
}

int writeSphereSweep(StandardFile* f, CadObject* obj, const ShapeParameters& p) {
    comment(f, "SPHERE SWEEP", obj);
    StdPutLine(f, "sphere_sweep { %s %d,\n", kx::shapes::sweepSplineKeyword(p.spline), static_cast<int>(p.profile.size()));
    for (size_t i = 0; i < p.profile.size(); ++i) {
        const Point3d& c = p.profile[i];
        StdPutLine(f, "  < %g, %g, %g >, %g%s\n", c.x, c.y, c.z, p.radii[i], i + 1 < p.profile.size() ? "," : "");
    }
    closeShape(f, obj);
    return 1;
}

int writeIsosurface(StandardFile* f, CadObject* obj, const ShapeParameters& p) {
    const Point3d& s = obj->size;
    comment(f, "ISOSURFACE", obj);
    StdPutLine(f, "isosurface {\n function { %s }\n", p.function.c_str());
    if (p.container == kx::shapes::kSphereContainer)
        StdPutLine(f, " contained_by { sphere { < 0, 0, 0 >, %g } }\n", std::fabs(s.x));
    else
        StdPutLine(f, " contained_by { box { < %g, %g, %g >, < %g, %g, %g > } }\n", -std::fabs(s.x), -std::fabs(s.y),
                   -std::fabs(s.z), std::fabs(s.x), std::fabs(s.y), std::fabs(s.z));
    StdPutLine(f, " threshold %g\n accuracy %g\n max_gradient %g\n", p.threshold, p.accuracy, p.maxGradient);
    closeShape(f, obj);
    return 1;
}

int writeJulia(StandardFile* f, CadObject* obj, const ShapeParameters& p) {
    comment(f, "JULIA FRACTAL", obj);
    StdPutLine(f, "julia_fractal { < %g, %g, %g, %g >\n quaternion sqr\n", p.julia[0], p.julia[1], p.julia[2], p.julia[3]);
    StdPutLine(f, " max_iteration %d\n precision %g\n", p.iterations, p.precision);
    StdPutLine(f, " slice < %g, %g, %g, %g >, %g\n", p.slice[0], p.slice[1], p.slice[2], p.slice[3], p.slice[4]);
    closeShape(f, obj);
    return 1;
}

}  // namespace

int exportPovShape(StandardFile* f, CadObject* obj, int) {
    const ShapeParameters p = kx::shapes::readShape(obj);
    switch (obj->type) {
        case KX_SUPERELLIPSOID: return writeSuperellipsoid(f, obj, p);
        case KX_LATHE: return writeLathe(f, obj, p);
        case KX_SOR: return writeSor(f, obj, p);
        case KX_PRISM: return writePrism(f, obj, p);
        case KX_SPHERESWEEP: return writeSphereSweep(f, obj, p);
        case KX_ISOSURFACE: return writeIsosurface(f, obj, p);
        case KX_JULIA: return writeJulia(f, obj, p);
        default: return 0;
    }
}

bool shapeWritable(CadObject* obj) { return kx::shapes::shapeProblem(obj->type, kx::shapes::readShape(obj)).empty(); }

int refuseShape(StandardFile*, CadObject* obj) {
    const std::string problem = kx::shapes::shapeProblem(obj->type, kx::shapes::readShape(obj));
    LogMessage(1, "%s %s: left out", commentText(obj->name).c_str(), problem.c_str());
    return 1;
}

bool callsLibraryFunction(const std::string& text) {
    for (size_t i = 0; i + 2 < text.size(); ++i) {
        const bool startsWord = i == 0 || !(std::isalnum(static_cast<unsigned char>(text[i - 1])) || text[i - 1] == '_');
        if (startsWord && text[i] == 'f' && text[i + 1] == '_') return true;
    }
    return false;
}

bool sceneCallsLibraryFunctions() {
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        if (o->type == KX_ISOSURFACE && !(o->flags & KX_FLAG_NOEXPORT) &&
            callsLibraryFunction(kx::shapes::readShape(o).function))
            return true;
    return false;
}

void exportPovInteriorMedia(StandardFile* f, CadObject* obj) {
    double m[4] = {};
    if (kx::model::readExtra(obj, KX_PROP_INTERIORMEDIA, KX_VALUE_FLOATARRAY, 4, m) != 4) return;
    const int kind = truncated(m[0]);
    if (kind < 0 || kind > 2) return;
    // A media fills the object only when the object is hollow.
    StdPutLine(f, " hollow\n interior { media { ");
    if (kind == 2) StdPutLine(f, "scattering { 1, rgb < %g, %g, %g > }", m[1], m[2], m[3]);
    else StdPutLine(f, "%s rgb < %g, %g, %g >", kind == 1 ? "emission" : "absorption", m[1], m[2], m[3]);
    StdPutLine(f, " } }\n");
}

void exportPovPhotons(StandardFile* f, CadObject* obj) {
    int32_t bits = 0;
    if (kx::model::readExtra(obj, KX_PROP_PHOTONS, KX_VALUE_INTEGER, 1, &bits) != 1 || bits == 0) return;
    StdPutLine(f, " photons {\n");
    if (bits & KX_PHOTONS_TARGET) StdPutLine(f, "  target\n");
    if (bits & KX_PHOTONS_REFLECTION) StdPutLine(f, "  reflection on\n");
    if (bits & KX_PHOTONS_REFRACTION) StdPutLine(f, "  refraction on\n");
    StdPutLine(f, " }\n");
}

}  // namespace kx::exporter
