// VRML worlds: version 1 (separators and property nodes) and version 2
// (transforms holding shapes). Every block opened is closed, whatever the
// object's data, and names and texts from files are made safe for the syntax.
#include <algorithm>
#include <cmath>
#include <string>

#include "export/export_internal.h"
#include "files/formats_internal.h"
#include "kxplatform/c_locale.h"

namespace kx::exporter {
namespace {

bool isVrml2(const StandardFile* f) { return f->type == KX_FILETYPE_VRML2; }

// True when the text is well-formed UTF-8.
bool isUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t extra = 0;
        if (c >= 0x80) {
            if (c >= 0xC2 && c <= 0xDF) extra = 1;
            else if (c >= 0xE0 && c <= 0xEF) extra = 2;
            else if (c >= 0xF0 && c <= 0xF4) extra = 3;
            else return false;
            if (s.size() - i <= extra) return false;
        }
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
        i += extra + 1;
    }
    return true;
}

// Windows-1252 text (what older scene files hold) as UTF-8; text that already
// is UTF-8 stays as it is.
std::string toUtf8(const std::string& s) {
    if (isUtf8(s)) return s;
    static constexpr unsigned short kHigh[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    std::string out;
    for (char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        unsigned code = c < 0x80 ? c : c < 0xA0 ? kHigh[c - 0x80] : c;
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

// Text for a comment line of this file.
std::string comment(const StandardFile* f, const char* text) {
    std::string line = commentText(text);
    return isVrml2(f) ? toUtf8(line) : line;
}

// Text between double quotes: quote and backslash escaped, line ends as blanks.
std::string quoted(const StandardFile* f, const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '"' || *p == '\\') out += '\\';
        out += (*p == '\r' || *p == '\n') ? ' ' : *p;
    }
    return isVrml2(f) ? toUtf8(out) : out;
}

void writeHeader(StandardFile* f, int) {
    if (isVrml2(f)) StdPutLine(f, "#VRML V2.0 utf8\n\n");
    else StdPutLine(f, "#VRML V1.0 ascii\n\n");
    StdPutLine(f, "# %s\n", "Scene Created by the Kalvex 2.0");
    StdPutLine(f, "# VRML export filter 1.0\n");
    StdPutLine(f, "\n");
    if (isVrml2(f)) {
        StdPutLine(f, "Transform {\n");
        StdPutLine(f, "  children [\n");
    } else {
        StdPutLine(f, "Separator {\n");
    }
    indentIn();
}

void writeCamera(StandardFile* f) {
    CameraInfo* cam = GetActiveCamera();
    indented(f, isVrml2(f) ? "Viewpoint {\n" : "PerspectiveCamera {\n");
    indentIn();
    indent(f);
    writeLabelledVector(f, "position      ", cam->location, "\n");
    indent(f);
    writeLabelledVector(f, "#orientation   ", Point3d{0, 0, 0}, " 0\n");
    indented(f, "#focalDistance 20\n");
    indented(f, "#heightAngle   2\n");
    indentOut();
    indented(f, "}\n");
}

void writeTrailer(StandardFile* f) {
    if (isVrml2(f)) StdPutLine(f, "  ]\n");
    StdPutLine(f, "}\n");
}

void writeLight(StandardFile* f, CadObject* light, const LightSetting& s) {
    const Point3d& p = light->translate;
    const bool spot = s.kind == 1;
    indent(f);
    if (isVrml2(f)) StdPutLine(f, spot ? "SpotLight {\n" : "PointLight {\n");
    else StdPutLine(f, spot ? "DEF %s SpotLight {\n" : "DEF %s PointLight {\n", defNameOf(light->name).c_str());
    indentIn();
    if (spot) {
        // The light's extra point is the point it aims at.
        const Point3d& e = light->extraPoint;
        Point3d d{e.x - p.x, e.y - p.y, e.z - p.z};
        if (isZero(d)) d = Point3d{0, 0, -1};
        indent(f);
        StdPutLine(f, "direction %g %g %g\n", d.x, d.y, d.z);
    }
    indent(f);
    StdPutLine(f, "location %g %g %g\n", p.x, p.y, p.z);
    indented(f, "intensity 1.000\n");
    indented(f, "on TRUE\n");
    indentOut();
    indented(f, "}\n");
}

// Inline worlds and anchors; an anchor stays open around the object.
int writeLink(StandardFile* f, unsigned field, const char* text) {
    const bool v2 = isVrml2(f);
    if (field == 0) {  // closing an anchor after its object
        indentOut();
        indent(f);
        StdPutLine(f, v2 ? "] }\n\n" : " }\n\n");
        return 0;
    }
    const std::string target = quoted(f, text);
    if (field == 303) {
        indent(f);
        StdPutLine(f, v2 ? "Inline { url \"%s\" }\n" : "WWWInline { name \"%s\" }\n", target.c_str());
        return 4;
    }
    indented(f, v2 ? "Anchor {\n" : "WWWAnchor {\n");
    indentIn();
    indent(f);
    StdPutLine(f, v2 ? "url \"%s\"\n" : "name \"%s\"\n", target.c_str());
    if (v2) indented(f, "children [\n");
    return 1 | 4;
}

// A user texture's definition wherever it is used, not only the first time.
bool writeUserTexture(StandardFile* f, CadObject* obj) {
    if (!(obj->materialType & 2)) return false;
    if (TextureInfo* t = GetTextureInfoByName(obj->material)) t->used = 0;
    ClearCustomTexListUsed();
    if (!IsUserTexture(obj->material) || !LoadCustomTexture(obj->material)) return false;
    return ExportCustomTexture(f, obj->material, f->type, TEX_EXPORT_INLINE) != 0;
}

int writeTexture(StandardFile* f, CadObject* obj) {
    const unsigned c = obj->rgb;
    if (isVrml2(f)) {
        indented(f, "appearance Appearance {\n");
        indent(f);
        if (!writeUserTexture(f, obj))
            StdPutLine(f, "material Material { diffuseColor %g %g %g }\n", channel(c, 0), channel(c, 8),
                       channel(c, 16));
        indented(f, "}\n");
        return 1;
    }
    indent(f);
    if (!writeUserTexture(f, obj))
        StdPutLine(f, "Material { diffuseColor [ %g %g %g ] }\n", channel(c, 0), channel(c, 8), channel(c, 16));
    return 1;
}

constexpr double kRadians = 3.14159265358979323846 / 180.0;

// Rz * Ry * Rx (x turned first) as one axis and angle.
bool combinedRotation(const Point3d& r, double axis[3], double& angle) {
    const double cx = std::cos(r.x * kRadians), sx = std::sin(r.x * kRadians);
    const double cy = std::cos(r.y * kRadians), sy = std::sin(r.y * kRadians);
    const double cz = std::cos(r.z * kRadians), sz = std::sin(r.z * kRadians);
    const double m[3][3] = {{cz * cy, cz * sy * sx - sz * cx, cz * sy * cx + sz * sx},
                            {sz * cy, sz * sy * sx + cz * cx, sz * sy * cx - cz * sx},
                            {-sy, cy * sx, cy * cx}};
    const double cosine = std::clamp((m[0][0] + m[1][1] + m[2][2] - 1.0) / 2.0, -1.0, 1.0);
    angle = std::acos(cosine);
    if (angle < 1e-12) return false;
    double v[3] = {m[2][1] - m[1][2], m[0][2] - m[2][0], m[1][0] - m[0][1]};
    double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length < 1e-9) {
        // A half turn: the axis from the diagonal.
        v[0] = std::sqrt(std::max(0.0, (m[0][0] + 1) / 2));
        v[1] = std::sqrt(std::max(0.0, (m[1][1] + 1) / 2));
        v[2] = std::sqrt(std::max(0.0, (m[2][2] + 1) / 2));
        if (m[0][1] < 0) v[1] = -v[1];
        if (m[0][2] < 0) v[2] = -v[2];
        if (v[0] == 0 && m[1][2] < 0) v[2] = -v[2];
        length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    }
    for (int i = 0; i < 3; ++i) axis[i] = v[i] / length;
    return true;
}

void writeAttributes(StandardFile* f, CadObject* obj) {
    const Point3d& r = obj->rotate;
    if (isVrml2(f)) {
        // Fields of the object's Transform.
        if (!isZero(obj->translate)) {
            indent(f);
            writeLabelledVector(f, "translation ", obj->translate, "\n");
        }
        double axis[3], angle;
        if (!isZero(r) && combinedRotation(r, axis, angle)) {
            indent(f);
            StdPutLine(f, "rotation %g %g %g %#g\n", axis[0], axis[1], axis[2], angle);
        }
        if (!isUnitScale(obj->scale)) {
            indent(f);
            writeLabelledVector(f, "scale ", obj->scale, "\n");
        }
        return;
    }
    ExportTexture(f, obj);
    if (!isZero(obj->translate)) {
        indent(f);
        writeLabelledVector(f, "Translation { translation ", obj->translate, " }\n");
    }
    if (r.z != 0.0f) {
        indent(f);
        StdPutLine(f, "Rotation { rotation 0 0 1 %#g }\n", r.z * kRadians);
    }
    if (r.y != 0.0f) {
        indent(f);
        StdPutLine(f, "Rotation {  rotation 0 1 0 %#g }\n", r.y * kRadians);
    }
    if (r.x != 0.0f) {
        indent(f);
        StdPutLine(f, "Rotation {  rotation 1 0 0 %#g }\n", r.x * kRadians);
    }
    if (!isUnitScale(obj->scale)) {
        indent(f);
        writeLabelledVector(f, "Scale { scaleFactor ", obj->scale, " }\n");
    }
}

// A primitive: a separator (version 1) or a transform holding one shape.
int writeShape(StandardFile* f, CadObject* obj, const std::string& geometry) {
    if (isVrml2(f)) {
        indent(f);
        StdPutLine(f, "Transform {\t #%s\n", comment(f, obj->name).c_str());
        indentIn();
        ExportAttributes(f, obj);
        indented(f, "children [");
        indented(f, "Shape {\n");
        indent(f);
        StdPutLine(f, "\tgeometry %s\n", geometry.c_str());
        ExportTexture(f, obj);
        indented(f, "}\n");
        indentOut();
        indented(f, "]\n");
        indented(f, "}\n");
        return 1;
    }
    indent(f);
    StdPutLine(f, "DEF %s Separator {\n", defNameOf(obj->name).c_str());
    indentIn();
    ExportAttributes(f, obj);
    indent(f);
    StdPutLine(f, "%s\n", geometry.c_str());
    indentOut();
    indented(f, "}\n");
    return 1;
}

int writeSphere(StandardFile* f, CadObject* obj, int) {
    return writeShape(f, obj, kx::platform::formatC("Sphere { radius %#g }", obj->size.y));
}

int writeCylinder(StandardFile* f, CadObject* obj, int) {
    const char* form = isVrml2(f) ? "Cylinder { radius %#g height %#g }" : "Cylinder { parts ALL radius %#g height %#g }";
    return writeShape(f, obj, kx::platform::formatC(form, obj->size.x, obj->size.y));
}

int writeCone(StandardFile* f, CadObject* obj, int) {
    const char* form =
        isVrml2(f) ? "Cone { bottomRadius %#g height %#g }" : "Cone { parts ALL bottomRadius %#g height %#g }";
    return writeShape(f, obj, kx::platform::formatC(form, obj->size.x, obj->size.y));
}

bool writesNormals(const CadObject* obj) {
    return obj->points && obj->points->normals && !kx::core().settings.noNormalsInExport;
}

// The normals of exactly the facets written, three a facet, in their order.
void writeNormals(StandardFile* f, CadObject* obj) {
    if (isVrml2(f)) {
        indented(f, "normalPerVertex TRUE\n");
        indented(f, "normal Normal { vector [\n");
    } else {
        indented(f, "NormalBinding {value PER_VERTEX_INDEXED }\n");
        indented(f, "Normal { vector [\n");
    }
    {
        kx::files::LineBatch out(f);
        kx::files::forEachTriangle(obj, [&out](const kx::files::Triangle& t) {
            for (const Point3d& n : t.normal) out.add("    %g %g %g,\n", n.x, n.y, n.z);
        });
    }
    StdPutLine(f, "    0 0 0\n");
    indented(f, "    ]\n");
    indented(f, "}\n");
}

void writeIndices(StandardFile* f, unsigned facets) {
    if (facets == 0) return;
    if (!isVrml2(f)) indented(f, "IndexedFaceSet {\n");
    indented(f, "    coordIndex [ ");
    {
        kx::files::LineBatch out(f);
        for (unsigned long i = 0; i < 3ul * facets; i += 3) out.add("    %lu, %lu, %lu, -1,\n", i, i + 1, i + 2);
    }
    indented(f, "    ]\n");
    if (!isVrml2(f)) indented(f, "}\n");
}

// The point list, then (whatever the facet writer managed) its closing,
// normals and faces.
void writeGeometry(StandardFile* f, CadObject* obj) {
    indented(f, isVrml2(f) ? "    coord Coordinate {\n" : "    Coordinate3 {\n");
    indented(f, "      point [\n");
    const bool wrote = WriteFacetsEx(obj, f) != 0;
    const unsigned facets = wrote ? f->facetCount : 0;
    indented(f, "      ]\n");
    indented(f, "    }\n");
    if (facets && writesNormals(obj)) writeNormals(f, obj);
    writeIndices(f, facets);
}

int writeMesh(StandardFile* f, CadObject* obj, int) {
    const unsigned c = obj->rgb;
    if (isVrml2(f)) {
        indent(f);
        StdPutLine(f, "Transform {\t# %s\n", comment(f, obj->name).c_str());
        indented(f, "children [\n");
        indented(f, "Shape {\n");
        indentIn();
        indented(f, "appearance Appearance {\n");
        indent(f);
        StdPutLine(f, "material Material { diffuseColor %g %g %g }\n", channel(c, 0), channel(c, 8), channel(c, 16));
        indented(f, "}\n");
        indented(f, "geometry IndexedFaceSet {\n");
        writeGeometry(f, obj);
        indented(f, "}\n");
        indentOut();
        indented(f, "  }\n");
        indented(f, " ]\n");
        indented(f, "}\n");
        return 1;
    }
    indent(f);
    StdPutLine(f, "DEF %s Separator {\n", defNameOf(obj->name).c_str());
    indentIn();
    indent(f);
    StdPutLine(f, "Material { diffuseColor [ %g %g %g ] }\n\n", channel(c, 0), channel(c, 8), channel(c, 16));
    writeGeometry(f, obj);
    indentOut();
    indented(f, "}\n");
    return 1;
}

constexpr uint64_t kVrmlMeshes = kMeshObjects | typeBits({KX_PLANE, KX_DISC, KX_TORUS, KX_BOX});
constexpr WriterCells kVrmlCells =
    cells({{KX_SPHERE, writeSphere}, {KX_CYLINDER, writeCylinder}, {KX_CONE, writeCone}, {7, exportPoints}});

}  // namespace

std::string commentFor(const StandardFile* f, const char* text) { return comment(f, text); }

const Dialect kVrml1Dialect{KX_FILETYPE_VRML, "%g %g %g", "# %s\n", nullptr, false, writeHeader, writeCamera,
                            writeLight, writeTrailer, writeAttributes, writeTexture, writeLink, nullptr, nullptr,
                            kVrmlMeshes, writeMesh, kVrmlCells};
const Dialect kVrml2Dialect{KX_FILETYPE_VRML2, "%g %g %g", "# %s\n", nullptr, false, writeHeader, writeCamera,
                            writeLight, writeTrailer, writeAttributes, writeTexture, writeLink, nullptr, nullptr,
                            kVrmlMeshes, writeMesh, kVrmlCells};

}  // namespace kx::exporter
