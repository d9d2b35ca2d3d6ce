// STL and PLY: the triangles of every exported object, primitives as the
// views draw them. Both formats give their counts before the data, so each
// file is made in memory and written in one piece once it is whole.
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <map>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_internal.h"
#include "files/formats_internal.h"

namespace kx::exporter {
namespace {


// Bytes and numbers appended to one growing buffer.
class Bytes {
public:
    std::vector<char>& data() { return data_; }
    void raw(const void* p, size_t n) {
        // Grown and copied into, not inserted: GCC 12 warns of a false overflow
        // when a range is inserted into an empty vector.
        const size_t at = data_.size();
        data_.resize(at + n);
        if (n) std::memcpy(data_.data() + at, p, n);
    }
    void u32(uint32_t v) {
        const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 24)};
        raw(b, 4);
    }
    // A binary PLY vertex: `floats` little-endian floats, then three colour bytes.
    void vertex(const float* v, int floats, const unsigned* rgb) {
        char r[27];
        put(r, v, floats);
        for (int k = 0; k < 3; ++k) r[floats * 4 + k] = static_cast<char>(rgb[k]);
        raw(r, static_cast<size_t>(floats) * 4 + 3);
    }
    // A binary PLY triangle of three corners numbered from `first`.
    void face(uint32_t first) {
        char r[13];
        r[0] = 3;
        for (uint32_t k = 0; k < 3; ++k)
            for (int b = 0; b < 4; ++b) r[1 + k * 4 + b] = static_cast<char>((first + k) >> (8 * b));
        raw(r, sizeof r);
    }
    // One binary STL triangle: twelve floats and the two bytes after them,
    // appended at once.
    void record(const float* v, uint16_t attribute) {
        char r[50];
        put(r, v, 12);
        r[48] = static_cast<char>(attribute);
        r[49] = static_cast<char>(attribute >> 8);
        raw(r, sizeof r);
    }
    void text(std::string_view s) { raw(s.data(), s.size()); }
    // n floats little-endian into out.
    static void put(char* out, const float* v, int n) {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out, v, static_cast<size_t>(n) * 4);
        } else {
            for (int i = 0; i < n; ++i) {
                uint32_t bits;
                std::memcpy(&bits, &v[i], 4);
                for (int k = 0; k < 4; ++k) out[i * 4 + k] = static_cast<char>(bits >> (8 * k));
            }
        }
    }
    // The shortest text that reads back as the same float, in the C locale.
    void number(float v) {
        char b[32];
        auto [end, ec] = std::to_chars(b, b + sizeof b, std::isfinite(v) ? v : 0.0f);
        raw(b, ec == std::errc{} ? static_cast<size_t>(end - b) : 0);
    }
    void point(const Point3d& p, char after) {
        number(p.x);
        data_.push_back(' ');
        number(p.y);
        data_.push_back(' ');
        number(p.z);
        data_.push_back(after);
    }

private:
    std::vector<char> data_;
};

// Writes the made pieces over the file, which keeps its old content on failure.
int writeWhole(const char* path, const char* label, std::initializer_list<std::string_view> pieces) {
    StandardFile* f = StdOpenFile(path, KX_OPEN_DERIVED);
    if (!f) {
        StdFileError(2, label, path);
        return 0;
    }
    for (std::string_view piece : pieces) StdWriteFile(f, const_cast<char*>(piece.data()), piece.size());
    if (!StdCloseFile(f)) {
        StdFileError(2, label, path);
        return 0;
    }
    return 1;
}

std::string_view viewOf(const std::vector<char>& bytes) { return {bytes.data(), bytes.size()}; }

// Five bits each of red (10-14), green (5-9) and blue (0-4), and the top bit
// that says the colour is there.
uint16_t stlColour(uint32_t rgb) {
    auto five = [](uint32_t byte) { return static_cast<uint16_t>((byte * 31 + 127) / 255); };
    return static_cast<uint16_t>(0x8000 | (five((rgb >> 0) & 0xFF) << 10) | (five((rgb >> 8) & 0xFF) << 5) |
                                 five((rgb >> 16) & 0xFF));
}

int writeStl(const char* path, bool binary) {
    Bytes out;
    uint32_t count = 0;
    if (binary) {
        char header[80];
        std::memset(header, ' ', sizeof header);
        // Not "solid": readers take a file that begins so for the text form.
        const char title[] = "Binary STL made by Kalvex";
        std::memcpy(header, title, sizeof title - 1);
        out.raw(header, sizeof header);
        out.u32(0);  // the count, filled in at the end
        size_t nodes = 0;
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
            if (inMeshFile(o)) nodes += o->count;
        out.data().reserve(84 + nodes * 50);
    }
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
        if (!inMeshFile(o)) continue;
        const uint16_t colour = stlColour(o->rgb);
        const std::string name = commentText(o->name);
        bool opened = false;
        kx::files::forEachTriangle(o, [&](const kx::files::Triangle& t) {
            const Point3d n = triangleNormal(t.point, Point3d{0, 0, 0});
            ++count;
            if (binary) {
                const float v[12] = {n.x, n.y, n.z, t.point[0].x, t.point[0].y, t.point[0].z, t.point[1].x,
                                     t.point[1].y, t.point[1].z, t.point[2].x, t.point[2].y, t.point[2].z};
                out.record(v, colour);
                return;
            }
            if (!opened) {
                out.text("solid " + name + "\n");
                opened = true;
            }
            out.text("  facet normal ");
            out.point(n, '\n');
            out.text("    outer loop\n");
            for (const Point3d& p : t.point) {
                out.text("      vertex ");
                out.point(p, '\n');
            }
            out.text("    endloop\n  endfacet\n");
        });
        if (opened) out.text("endsolid " + name + "\n");
    }
    if (count == 0) return refuseEmptyMeshExport(path, "STL");
    if (binary) {
        const char b[4] = {static_cast<char>(count), static_cast<char>(count >> 8), static_cast<char>(count >> 16),
                           static_cast<char>(count >> 24)};
        std::memcpy(out.data().data() + 80, b, 4);
    }
    return writeWhole(path, "STL", {viewOf(out.data())});
}

int writePly(const char* path, bool binary) {
    // Normals go in when any object has its own; the others get their faces'.
    bool normals = false;
    for (CadObject* o = GetCadObject(nullptr); o && !normals; o = o->next)
        normals = inMeshFile(o) && o->points && o->points->normals && !kx::core().settings.noNormalsInExport;
    Bytes vertices, faces;
    uint32_t triangles = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
        if (!inMeshFile(o)) continue;
        const unsigned rgb[3] = {o->rgb & 0xFF, (o->rgb >> 8) & 0xFF, (o->rgb >> 16) & 0xFF};
        kx::files::forEachTriangle(o, [&](const kx::files::Triangle& t) {
            const Point3d flat = triangleNormal(t.point, Point3d{0, 0, 0});
            for (int c = 0; c < 3; ++c) {
                const Point3d& n = t.hasNormals ? t.normal[c] : flat;
                if (binary) {
                    // One vertex at once: three floats, three more with normals, three bytes.
                    const float v[6] = {t.point[c].x, t.point[c].y, t.point[c].z, n.x, n.y, n.z};
                    vertices.vertex(v, normals ? 6 : 3, rgb);
                } else {
                    vertices.point(t.point[c], ' ');
                    if (normals) vertices.point(n, ' ');
                    vertices.text(std::to_string(rgb[0]) + " " + std::to_string(rgb[1]) + " " + std::to_string(rgb[2]) + "\n");
                }
            }
            const uint32_t first = triangles * 3;
            if (binary) {
                faces.face(first);
            } else {
                faces.text("3 " + std::to_string(first) + " " + std::to_string(first + 1) + " " +
                           std::to_string(first + 2) + "\n");
            }
            ++triangles;
        });
    }
    if (triangles == 0) return refuseEmptyMeshExport(path, "PLY");
    std::string header = "ply\nformat ";
    header += binary ? "binary_little_endian 1.0\n" : "ascii 1.0\n";
    header += "comment made by Kalvex\n";
    header += "element vertex " + std::to_string(size_t{triangles} * 3) + "\n";
    header += "property float x\nproperty float y\nproperty float z\n";
    if (normals) header += "property float nx\nproperty float ny\nproperty float nz\n";
    header += "property uchar red\nproperty uchar green\nproperty uchar blue\n";
    header += "element face " + std::to_string(triangles) + "\n";
    header += "property list uchar uint vertex_indices\nend_header\n";
    return writeWhole(path, "PLY", {header, viewOf(vertices.data()), viewOf(faces.data())});
}

std::string plural(unsigned n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

bool inMeshFile(CadObject* o) { return inObjFile(o) && (!GetExportSelected() || IsSelected(o)); }

Point3d triangleNormal(const Point3d* p, const Point3d& degenerate) {
    const double ax = double{p[1].x} - p[0].x, ay = double{p[1].y} - p[0].y, az = double{p[1].z} - p[0].z;
    const double bx = double{p[2].x} - p[0].x, by = double{p[2].y} - p[0].y, bz = double{p[2].z} - p[0].z;
    const double nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(length > 0) || !std::isfinite(length)) return degenerate;
    return MakePoint(nx / length, ny / length, nz / length);
}

std::string leftOutOfMeshes() {
    unsigned lights = 0, cameras = 0, groups = 0, points = 0, hidden = 0, unselected = 0, empty = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
        if (o->type == KX_LIGHT) ++lights;
        else if (o->type == KX_CAMERA) ++cameras;
        else if (o->type == KX_GROUP || o->type == KX_NULL) ++groups;
        else if (o->type == KX_POINTS) ++points;
        else if (o->flags & KX_FLAG_NOEXPORT) ++hidden;
        else if (GetExportSelected() && !IsSelected(o)) ++unselected;
        else ++empty;
    }
    std::string list;
    auto add = [&list](unsigned n, const char* one, const char* many) {
        if (n == 0) return;
        list += list.empty() ? "" : ", ";
        list += plural(n, one, many);
    };
    add(lights, "light", "lights");
    add(cameras, "camera", "cameras");
    add(groups, "group", "groups");
    add(points, "point set", "point sets");
    add(hidden, "object marked not to export", "objects marked not to export");
    add(unselected, "unselected object", "unselected objects");
    add(empty, "object without faces", "objects without faces");
    return list.empty() ? "the scene has no objects" : "left out: " + list;
}

int refuseEmptyMeshExport(const char* path, const char* format) {
    ErrorMessage("Nothing to export to %s: %s holds triangles, and no object gave any (%s)", path, format,
                 leftOutOfMeshes().c_str());
    return 0;
}

}  // namespace kx::exporter

int WriteSTL(const char* fileName, int binary) {
    if (!fileName || !*fileName) return 0;
    try {
        return kx::exporter::writeStl(fileName, binary != 0);
    } catch (const std::bad_alloc&) {
        ErrorMessage("Out of memory writing %s", fileName);
        return 0;
    }
}

int WritePLY(const char* fileName, int binary) {
    if (!fileName || !*fileName) return 0;
    try {
        return kx::exporter::writePly(fileName, binary != 0);
    } catch (const std::bad_alloc&) {
        ErrorMessage("Out of memory writing %s", fileName);
        return 0;
    }
}
