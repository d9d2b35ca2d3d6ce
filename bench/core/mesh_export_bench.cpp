// Exporting the 1M-triangle grid (plain and smooth) as Wavefront OBJ and as a
// VRML 2 world, beside an anchor: a plain fprintf loop with a 1 MB buffer that
// writes the same bytes from the same triangles. Outside the timing, the two
// files must be identical.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "grid_mesh.h"

namespace {

constexpr unsigned kTriangles = 1000000;

std::string tempFolder() {
    char dir[] = "/tmp/kalvex-mesh-export-XXXXXX";
    return mkdtemp(dir);
}

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

double megabytes(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_size / 1e6 : 0;
}

// The grid's triangles as the exporter sees them: corners and normals.
struct Grid {
    std::vector<Point3d> corners;
    std::vector<Point3d> normals;
};

Grid gridOf(const CadObject* mesh) {
    Grid g;
    for (const ListEntry* n = mesh->points; n; n = n->next)
        for (unsigned k = 0; k < 3; ++k) {
            g.corners.push_back(n->points[k]);
            if (n->normals) g.normals.push_back(n->normals[k]);
        }
    return g;
}

void anchorObj(const Grid& g, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::vector<char> buffer(1 << 20);
    std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
    std::fputs("# Scene Created by the Kalvex 2.0\r\n# Wavefront export filter 1.0\r\n\r\n\r\n\r\n# Object mesh\r\n", f);
    for (const Point3d& p : g.corners) std::fprintf(f, "v %#g %#g %#g\r\n", p.x, p.y, p.z);
    for (const Point3d& n : g.normals) std::fprintf(f, "vn %g %g %g\r\n", n.x, n.y, n.z);
    std::fputs("\r\ng mesh\r\n", f);
    const bool smooth = !g.normals.empty();
    for (unsigned long v = 1; v <= g.corners.size(); v += 3) {
        if (smooth) std::fprintf(f, "f %lu//%lu %lu//%lu %lu//%lu \r\n", v, v, v + 1, v + 1, v + 2, v + 2);
        else std::fprintf(f, "f %lu %lu %lu \r\n", v, v + 1, v + 2);
    }
    std::fclose(f);
}

void anchorVrml2(const Grid& g, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::vector<char> buffer(1 << 20);
    std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
    std::fputs("#VRML V2.0 utf8\r\n\r\n# Scene Created by the Kalvex 2.0\r\n# VRML export filter 1.0\r\n\r\n"
               "Transform {\r\n  children [\r\n    Viewpoint {\r\n        position       0 4 20 \r\n"
               "        #orientation    0 0 0  0\r\n        #focalDistance 20\r\n        #heightAngle   2\r\n    }\r\n"
               "    Transform {\t# mesh\r\n    children [\r\n    Shape {\r\n        appearance Appearance {\r\n"
               "        material Material { diffuseColor 1 1 1 }\r\n        }\r\n        geometry IndexedFaceSet {\r\n"
               "            coord Coordinate {\r\n              point [\r\n",
               f);
    for (const Point3d& p : g.corners) std::fprintf(f, "    %#g %#g %#g,\r\n", p.x, p.y, p.z);
    std::fputs("              ]\r\n            }\r\n", f);
    if (!g.normals.empty()) {
        std::fputs("        normalPerVertex TRUE\r\n        normal Normal { vector [\r\n", f);
        for (const Point3d& n : g.normals) std::fprintf(f, "    %g %g %g,\r\n", n.x, n.y, n.z);
        std::fputs("    0 0 0\r\n            ]\r\n        }\r\n", f);
    }
    std::fputs("            coordIndex [ ", f);
    for (unsigned long i = 0; i < g.corners.size(); i += 3) std::fprintf(f, "    %lu, %lu, %lu, -1,\r\n", i, i + 1, i + 2);
    std::fputs("            ]\r\n        }\r\n      }\r\n     ]\r\n    }\r\n  ]\r\n}\r\n", f);
    std::fclose(f);
}

void exportGrid(benchmark::State& state, unsigned format, void (*anchor)(const Grid&, const std::string&)) {
    EnableLogMessage(-1);
    const bool smooth = state.range(0) != 0;
    const bool anchored = state.range(1) != 0;
    CadObject* mesh = kxbench::gridMeshScene(kTriangles);
    if (smooth) SmoothObject(mesh);
    const Grid grid = gridOf(mesh);
    const std::string dir = tempFolder();
    const std::string exported = dir + "/grid.txt";
    const std::string written = format == KX_FILETYPE_WAVEFRONT ? exported : dir + "/grid.vrm";
    const std::string plain = dir + "/anchor.txt";
    for (auto _ : state) {
        if (anchored) anchor(grid, plain);
        else benchmark::DoNotOptimize(Write3Dfile(GetCurrentScene(), exported.c_str(), format));
    }
    state.counters["MB"] = megabytes(anchored ? plain : written);
    if (anchored) {
        // The same bytes, or the comparison means nothing.
        Write3Dfile(GetCurrentScene(), exported.c_str(), format);
        if (contents(written) != contents(plain)) state.SkipWithError("the anchor's file differs from the export");
    }
    DeleteAllCadObjects();
    std::remove(written.c_str());
    std::remove(plain.c_str());
    rmdir(dir.c_str());
}

void BM_ExportGridObj(benchmark::State& state) { exportGrid(state, KX_FILETYPE_WAVEFRONT, anchorObj); }
void BM_ExportGridVrml2(benchmark::State& state) { exportGrid(state, KX_FILETYPE_VRML2, anchorVrml2); }

// Arguments: smooth (0 or 1), anchor (0 the exporter, 1 the fprintf loop).
BENCHMARK(BM_ExportGridObj)
    ->ArgNames({"smooth", "anchor"})
    ->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ExportGridVrml2)
    ->ArgNames({"smooth", "anchor"})
    ->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
