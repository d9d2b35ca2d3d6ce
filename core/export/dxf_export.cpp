// AutoCAD DXF: an entities section of 3DFACEs for every surface and one 3D
// polyline for every points or lines object.
#include "export/export_internal.h"

namespace kx::exporter {
namespace {

void writeHeader(StandardFile* f, int) {
    for (const char* line : {"  0\n", "SECTION\n", "  2\n", "HEADER\n", "  0\n", "ENDSEC\n", "  0\n", "SECTION\n",
                             "  2\n", "ENTITIES\n"})
        StdPutLine(f, "%s", line);
}

void writeTrailer(StandardFile* f) {
    for (const char* line : {"  0\n", "ENDSEC\n", "  0\n", "EOF\n"}) StdPutLine(f, "%s", line);
}

int writeMesh(StandardFile* f, CadObject* obj, int) {
    WriteFacetsEx(obj, f);
    return 1;
}

int writePoints(StandardFile* f, CadObject* obj, int) { return WritePointsAs(obj, f, KX_FILETYPE_DXF); }

void writeCoordinates(StandardFile* f, const Point3d& p) { StdPutLine(f, "10\n%g\n20\n%g\n30\n%g\n", p.x, p.y, p.z); }

}  // namespace

// Readers take the points of a polyline from its vertices only: the first
// point stands in the header as well, and again as the first vertex.
int writeDxfPoints(CadObject* obj, StandardFile* f) {
    if (!obj || !f || !obj->points || obj->points->count == 0) return 0;
    StdPutLine(f, "0\nPOLYLINE\n");
    StdPutLine(f, "8\nSURFACE\n");
    StdPutLine(f, "62\n%d\n66\n1\n", 7);
    writeCoordinates(f, obj->points->points[0]);
    StdPutLine(f, "70\n8\n");
    for (const ListEntry* node = obj->points; node; node = node->next)
        for (uint32_t k = 0; k < node->count && k < 8; ++k) {
            StdPutLine(f, "0\nVERTEX\n8\nSURFACE\n");
            writeCoordinates(f, node->points[k]);
        }
    StdPutLine(f, "0\nSEQEND\n");
    return 1;
}

const Dialect kDxfDialect{KX_FILETYPE_DXF,
                          nullptr,
                          nullptr,
                          nullptr,
                          false,
                          writeHeader,
                          nullptr,
                          nullptr,
                          writeTrailer,
                          nullptr,
                          nullptr,
                          nullptr,
                          nullptr,
                          nullptr,
                          kMeshObjects | typeBits({KX_SPHERE, KX_PLANE, KX_DISC, KX_CYLINDER, KX_CONE,
                                                   KX_ELLIPSOID, KX_TORUS, KX_BOX}),
                          writeMesh,
                          cells({{KX_POINTS, writePoints}, {KX_LINESEG, writePoints}, {7, exportPoints}})};

}  // namespace kx::exporter
