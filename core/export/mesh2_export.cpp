// POV-Ray 3 meshes as mesh2: each distinct vertex (with its normal, when the
// mesh is smooth) once, and faces as index triples. The renderer parses this
// form many times faster than a list of triangles.
#include <cstring>
#include <unordered_map>
#include <vector>

#include "export/export_internal.h"
#include "files/formats_internal.h"

namespace kx::exporter {
namespace {

struct Corner {
    Point3d point;
    Point3d normal;
    float u, v;
    bool operator==(const Corner& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
};

struct CornerHash {
    size_t operator()(const Corner& c) const {
        unsigned words[8];
        std::memcpy(words, &c, sizeof words);
        size_t h = 1469598103934665603ull;
        for (unsigned w : words) h = (h ^ w) * 1099511628211ull;
        return h;
    }
};

struct Indexed {
    std::vector<Corner> corners;
    std::vector<unsigned> faces;  // three a triangle
};

Indexed indexTriangles(const CadObject* obj, bool smooth, bool withUv) {
    Indexed out;
    std::unordered_map<Corner, unsigned, CornerHash> seen;
    kx::files::forEachTriangle(obj, [&](const kx::files::Triangle& t) {
        for (unsigned k = 0; k < 3; ++k) {
            Corner c{t.point[k], smooth && t.hasNormals ? t.normal[k] : Point3d{0, 0, 0}, 0, 0};
            if (withUv) {
                const Point3d& uv = obj->uv[t.index * 3 + t.corner[k]];
                c.u = uv.x;
                c.v = uv.y;
            }
            // -0 and 0 are one coordinate.
            for (float* v : {&c.point.x, &c.point.y, &c.point.z, &c.normal.x, &c.normal.y, &c.normal.z, &c.u, &c.v})
                if (*v == 0.0f) *v = 0.0f;
            auto [it, added] = seen.try_emplace(c, static_cast<unsigned>(out.corners.size()));
            if (added) out.corners.push_back(c);
            out.faces.push_back(it->second);
        }
    });
    return out;
}

void writeVectors(StandardFile* f, const char* block, const Indexed& m, bool normals) {
    StdPutLine(f, " %s { %zu,\n", block, m.corners.size());
    for (size_t i = 0; i < m.corners.size(); ++i) {
        const Point3d& p = normals ? m.corners[i].normal : m.corners[i].point;
        StdPutLine(f, "  < %7.4f, %7.4f, %7.4f >%s\n", p.x, p.y, p.z, i + 1 < m.corners.size() ? "," : "");
    }
    StdPutLine(f, " }\n");
}

// The uvs share the corners' numbers, so the faces' indices serve them too.
void writeUvs(StandardFile* f, const Indexed& m) {
    StdPutLine(f, " uv_vectors { %zu,\n", m.corners.size());
    for (size_t i = 0; i < m.corners.size(); ++i)
        StdPutLine(f, "  < %g, %g >%s\n", m.corners[i].u, m.corners[i].v, i + 1 < m.corners.size() ? "," : "");
    StdPutLine(f, " }\n");
}

}  // namespace

int exportMesh2(StandardFile* f, CadObject* obj) {
    const bool smooth = obj->points && obj->points->normals && !kx::core().settings.noNormalsInExport;
    const bool withUv = !imageMapOf(obj).empty();
    const Indexed m = indexTriangles(obj, smooth, withUv);
    StdPutLine(f, "mesh2 { \n");
    writeVectors(f, "vertex_vectors", m, false);
    if (smooth) writeVectors(f, "normal_vectors", m, true);
    if (withUv) writeUvs(f, m);
    const size_t faces = m.faces.size() / 3;
    StdPutLine(f, " face_indices { %zu,\n", faces);
    for (size_t i = 0; i < faces; ++i)
        StdPutLine(f, "  < %u, %u, %u >%s\n", m.faces[3 * i], m.faces[3 * i + 1], m.faces[3 * i + 2],
                   i + 1 < faces ? "," : "");
    StdPutLine(f, " }\n");
    return 1;
}

}  // namespace kx::exporter

void SetExportMesh2(int on) { kx::core().settings.exportMesh2 = on ? 1 : 0; }
int GetExportMesh2() { return kx::core().settings.exportMesh2; }
