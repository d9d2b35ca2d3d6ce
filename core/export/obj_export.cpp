// Wavefront OBJ: every mesh's vertices and normals first, then the groups of
// faces that refer to them.
#include <string>
#include <vector>

#include "export/export_internal.h"
#include "files/formats_internal.h"

namespace kx::exporter {
namespace {

void writeObjHeader(StandardFile* f, int) {
    StdPutLine(f, "# %s\n", "Scene Created by the Kalvex 2.0");
    StdPutLine(f, "# Wavefront export filter 1.0\n");
    StdPutLine(f, "\n");
    StdPutLine(f, "\n");
}

// A group or material name is one word in this format: blanks would split
// it and "#" would start a comment.
std::string objName(const char* name) {
    std::string out;
    for (const char* p = name ? name : ""; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        out += (c <= ' ' || c == '#' || c == 0x7F) ? '_' : *p;
    }
    return out.empty() ? "_" : out;
}

bool writesNormals(const CadObject* o) {
    return o->points && o->points->normals && !kx::core().settings.noNormalsInExport;
}

// What pass 1 wrote of one object: the faces of pass 2 refer to exactly that.
struct Written {
    CadObject* object;
    unsigned facets;
    bool normals;
};

Written writeVertices(StandardFile* f, CadObject* o) {
    StdPutLine(f, "\n# Object %s\n", commentText(o->name).c_str());
    Written w{o, 0, false};
    // Lines and empty meshes have no faces; the facet writer would complain of them.
    if (!hasWritableFacet(o) || !WriteFacetsEx(o, f)) return w;
    w.facets = f->facetCount;
    if (w.facets == 0 || !writesNormals(o)) return w;
    unsigned normals = 0;
    kx::files::LineBatch out(f);
    kx::files::forEachTriangle(o, [&](const kx::files::Triangle& t) {
        for (const Point3d& n : t.normal) out.add("vn %g %g %g\n", n.x, n.y, n.z);
        ++normals;
    });
    w.normals = true;
    // The facet writer and the walk above see the same triangles.
    if (normals != w.facets) LogMessage(0, "Normals of %s do not match its facets", commentText(o->name).c_str());
    return w;
}

void writeFaces(StandardFile* f, const Written& w, unsigned long& vertex, unsigned long& normal) {
    StdPutLine(f, "\ng %s\n", objName(w.object->name).c_str());
    if ((w.object->materialType & 3) == 1) StdPutLine(f, "usemtl %s\n", objName(w.object->material).c_str());
    kx::files::LineBatch out(f);
    for (unsigned i = 0; i < w.facets; ++i, vertex += 3) {
        if (w.normals) {
            out.add("f %lu//%lu %lu//%lu %lu//%lu \n", vertex + 1, normal + 1, vertex + 2, normal + 2, vertex + 3,
                    normal + 3);
            normal += 3;
        } else {
            out.add("f %lu %lu %lu \n", vertex + 1, vertex + 2, vertex + 3);
        }
    }
}

}  // namespace

bool inObjFile(const CadObject* o) {
    switch (o->type) {
        case KX_NULL:
        case KX_GROUP:
        case KX_POINTS:
        case KX_LIGHT:
        case KX_CAMERA: return false;
        default: return !(o->flags & KX_FLAG_NOEXPORT);
    }
}

const Dialect kObjDialect{KX_FILETYPE_WAVEFRONT, nullptr, "# %s\n", nullptr, false, writeObjHeader, nullptr,
                          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, cells({})};

}  // namespace kx::exporter

using namespace kx::exporter;

int WriteOBJ(const char* fileName) {
    if (!fileName) return 0;
    const std::string path = kx::files::withDefaultExtension(fileName, ".OBJ");
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_DERIVED);
    if (!f) {
        StdFileError(2, "Wavefront OBJ", path.c_str());
        return 0;
    }
    f->type = KX_FILETYPE_WAVEFRONT;
    f->scene = GetCurrentScene();
    WriteHeader(f, 0);
    CadObject* first = GetCadObject(nullptr);
    std::vector<Written> written;
    for (CadObject* o = first; o; o = o->next)
        if (inObjFile(o)) written.push_back(writeVertices(f, o));
    unsigned long vertex = 0, normal = 0, faces = 0;
    for (const Written& w : written)
        if (w.facets) {
            writeFaces(f, w, vertex, normal);
            faces += w.facets;
        }
    // A file of comments alone would pass for an export of the scene.
    if (faces == 0) {
        StdAbortFile(f);
        return refuseEmptyMeshExport(path.c_str(), "Wavefront OBJ");
    }
    if (!StdCloseFile(f)) {
        StdFileError(2, "Wavefront OBJ", path.c_str());
        return 0;
    }
    return first ? 1 : 0;
}
