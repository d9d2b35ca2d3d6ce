// Exporting the 1M-triangle grid (plain and smooth) as Wavefront OBJ, as a
// VRML 2 world, as binary STL and PLY, and as binary glTF, beside an anchor: a plain loop
// with a 1 MB buffer that writes the same bytes from the same triangles
// (fprintf for the text formats, fwrite for the binary ones). Outside the
// timing, the two files must be identical. Goal: within 1.2 times the anchor.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

// The unit normal of a triangle, worked out as the exporter does.
Point3d flatNormal(const Point3d* p, const Point3d& degenerate = Point3d{0, 0, 0}) {
    const double ax = double{p[1].x} - p[0].x, ay = double{p[1].y} - p[0].y, az = double{p[1].z} - p[0].z;
    const double bx = double{p[2].x} - p[0].x, by = double{p[2].y} - p[0].y, bz = double{p[2].z} - p[0].z;
    const double nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    return length > 0 && std::isfinite(length) ? MakePoint(nx / length, ny / length, nz / length) : degenerate;
}

void putFloats(std::FILE* f, const Point3d& p) {
    const float v[3] = {p.x, p.y, p.z};
    std::fwrite(v, sizeof v, 1, f);
}

// The grid is white: that colour as five bits a channel, marked as given.
void anchorStl(const Grid& g, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::vector<char> buffer(1 << 20);
    std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
    char header[80];
    std::memset(header, ' ', sizeof header);
    std::memcpy(header, "Binary STL made by Kalvex", 25);
    std::fwrite(header, sizeof header, 1, f);
    const uint32_t count = static_cast<uint32_t>(g.corners.size() / 3);
    std::fwrite(&count, 4, 1, f);
    const uint16_t colour = 0xFFFF;
    for (size_t i = 0; i < g.corners.size(); i += 3) {
        putFloats(f, flatNormal(&g.corners[i]));
        for (int k = 0; k < 3; ++k) putFloats(f, g.corners[i + k]);
        std::fwrite(&colour, 2, 1, f);
    }
    std::fclose(f);
}

void anchorPly(const Grid& g, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::vector<char> buffer(1 << 20);
    std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
    const bool smooth = !g.normals.empty();
    std::fprintf(f, "ply\nformat binary_little_endian 1.0\ncomment made by Kalvex\nelement vertex %zu\n"
                    "property float x\nproperty float y\nproperty float z\n%s"
                    "property uchar red\nproperty uchar green\nproperty uchar blue\nelement face %zu\n"
                    "property list uchar uint vertex_indices\nend_header\n",
                 g.corners.size(), smooth ? "property float nx\nproperty float ny\nproperty float nz\n" : "",
                 g.corners.size() / 3);
    const unsigned char white[3] = {255, 255, 255};
    for (size_t i = 0; i < g.corners.size(); ++i) {
        putFloats(f, g.corners[i]);
        if (smooth) putFloats(f, g.normals[i]);
        std::fwrite(white, 3, 1, f);
    }
    for (uint32_t v = 0; v < g.corners.size(); v += 3) {
        const unsigned char three = 3;
        const uint32_t corners[3] = {v, v + 1, v + 2};
        std::fwrite(&three, 1, 1, f);
        std::fwrite(corners, sizeof corners, 1, f);
    }
    std::fclose(f);
}

// The JSON of a ".glb" of the grid, taken from one export outside the timing:
// a few hundred bytes, where the buffer holds tens of megabytes.
std::string glbJson;

void putU32(std::FILE* f, uint32_t v) { std::fwrite(&v, 4, 1, f); }

// Every corner's position, then every corner's unit normal (the triangle's
// own where the mesh has none), after the container's header and the JSON.
void anchorGlb(const Grid& g, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::vector<char> buffer(1 << 20);
    std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
    const bool smooth = !g.normals.empty();
    const uint32_t bin = static_cast<uint32_t>(g.corners.size() * 24);
    putU32(f, 0x46546C67);  // "glTF"
    putU32(f, 2);
    putU32(f, static_cast<uint32_t>(12 + 8 + glbJson.size() + 8 + bin));
    putU32(f, static_cast<uint32_t>(glbJson.size()));
    putU32(f, 0x4E4F534A);  // "JSON"
    std::fwrite(glbJson.data(), 1, glbJson.size(), f);
    putU32(f, bin);
    putU32(f, 0x004E4942);  // "BIN"
    for (const Point3d& p : g.corners) putFloats(f, p);
    for (size_t i = 0; i < g.corners.size(); i += 3) {
        const Point3d flat = flatNormal(&g.corners[i], Point3d{0, 1, 0});
        for (int k = 0; k < 3; ++k) {
            Point3d n = flat;
            if (smooth) {
                const Point3d& given = g.normals[i + k];
                const double length = std::sqrt(double{given.x} * given.x + double{given.y} * given.y + double{given.z} * given.z);
                if (length > 1e-6 && std::isfinite(length)) n = MakePoint(given.x / length, given.y / length, given.z / length);
            }
            putFloats(f, n);
        }
    }
    std::fclose(f);
}

void exportGrid(benchmark::State& state, unsigned format, void (*anchor)(const Grid&, const std::string&)) {
    EnableLogMessage(-1);
    const bool smooth = state.range(0) != 0;
    const bool anchored = state.range(1) != 0;
    CadObject* mesh = kxbench::gridMeshScene(kTriangles);
    if (format == KX_FILETYPE_STL || format == KX_FILETYPE_PLY) SetEncodedRgb(mesh, 255, 255, 255);
    if (smooth) SmoothObject(mesh);
    const Grid grid = gridOf(mesh);
    const std::string dir = tempFolder();
    const std::string exported = dir + (format == KX_FILETYPE_GLTF ? "/grid.glb" : "/grid.txt");
    // The formats that keep every name write the file as named.
    const std::string written = format == KX_FILETYPE_VRML2 ? dir + "/grid.vrm" : exported;
    const std::string plain = dir + "/anchor.txt";
    if (format == KX_FILETYPE_GLTF && anchored) {
        Write3Dfile(GetCurrentScene(), exported.c_str(), format);
        const std::string glb = contents(exported);
        uint32_t length = 0;
        if (glb.size() >= 20) std::memcpy(&length, glb.data() + 12, 4);
        glbJson = glb.size() >= 20 + size_t{length} ? glb.substr(20, length) : std::string();
    }
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
void BM_ExportGridStl(benchmark::State& state) { exportGrid(state, KX_FILETYPE_STL, anchorStl); }
void BM_ExportGridPly(benchmark::State& state) { exportGrid(state, KX_FILETYPE_PLY, anchorPly); }
void BM_ExportGridGlb(benchmark::State& state) { exportGrid(state, KX_FILETYPE_GLTF, anchorGlb); }

// Arguments: smooth (0 or 1), anchor (0 the exporter, 1 the fprintf loop).
BENCHMARK(BM_ExportGridObj)
    ->ArgNames({"smooth", "anchor"})
    ->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ExportGridVrml2)
    ->ArgNames({"smooth", "anchor"})
    ->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK(BM_ExportGridStl)
    ->ArgNames({"smooth", "anchor"})
    ->Args({0, 0})->Args({0, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ExportGridPly)
    ->ArgNames({"smooth", "anchor"})
    ->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ExportGridGlb)
    ->ArgNames({"smooth", "anchor"})
    ->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
