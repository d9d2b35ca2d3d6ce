// The facet writer of the exporters: every facet of one object as one piece of
// text in the syntax of the file's format, and ".RAW" facet files made with it.
#include <functional>
#include <string>
#include <string_view>

#include "core_state.h"
#include "files/formats_internal.h"
#include "kxplatform/c_locale.h"
#include "model/model_internal.h"

namespace {

// One facet's text may not outgrow the line buffer it was always composed in.
constexpr size_t kFacetTextMax = 1024;

enum class Vertex { Triple, Indexed };

struct FacetSyntax {
    int format;
    const char* start;        // also the start of a smooth facet unless smoothStart is set
    const char* smoothStart;
    const char* vertex;       // also the layout of the normals
    const char* end;
    Vertex kind = Vertex::Triple;
};

// Formats 18 and 19 have variants chosen below.
constexpr FacetSyntax kSyntax[] = {
    {KX_FILETYPE_POVRAY2, "triangle { ", "smooth_triangle { ", "< %7.4f, %7.4f, %7.4f > ", "}\n"},
    {KX_FILETYPE_POVRAY3, "triangle { ", "smooth_triangle { ", "< %7.4f, %7.4f, %7.4f > ", "}\n"},
    {KX_FILETYPE_POVRAY1, "triangle { ", nullptr, "< %7.4f %7.4f %7.4f > ", "}\n"},
    // Blanks between the numbers: readers of the format take no commas.
    {KX_FILETYPE_NFF, "p 3\n", nullptr, "%7.4f %7.4f %7.4f\n", "\r\n"},
    {KX_FILETYPE_VIVID, "polygon { points 3 ", nullptr, "vertex %g, %g, %g \n", "}\n\n"},
    {KX_FILETYPE_RAYSHADE, "triangle ", nullptr, "%g, %g, %g ", "\n"},
    {18, "", nullptr, "%7.4f %7.4f %7.4f  ", "\r\n"},
    {KX_FILETYPE_POLYRAY, "object { polygon 3,", "object { patch ", "< %g, %g, %g > ", "}\n"},
    {KX_FILETYPE_DXF, "  0\n3DFACE\n8\n0\n62\n7\n", nullptr, "1%d\n%0.4f\n2%d\n%0.4f\n3%d\n%0.4f\n", " ", Vertex::Indexed},
    {KX_FILETYPE_RENDERMAN, "Polygon \"P\" [ ", nullptr, "%#g %#g %#g ", "]\n"},
    {KX_FILETYPE_VRML, "", nullptr, "    %#g %#g %#g,\n", ""},
    {KX_FILETYPE_VRML2, "", nullptr, "    %#g %#g %#g,\n", ""},
    {KX_FILETYPE_WAVEFRONT, "", nullptr, "v %#g %#g %#g\n", ""},
};
constexpr FacetSyntax kCommaRaw = {18, "", nullptr, "%7.4f, %7.4f, %7.4f\r\n", ""};

const FacetSyntax* syntaxOf(int format) {
    if (format == 18 && GetExportComma()) return &kCommaRaw;
    for (const FacetSyntax& s : kSyntax)
        if (s.format == format) return &s;
    return nullptr;
}

bool samePoint(const Point3d& a, const Point3d& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// One triangle: copies of its corners and, when it has them, their normals;
// index is its record or node position (where its mapping entries are), and
// corner the node corners it was made of.
using Facet = kx::files::Triangle;

// Composes one facet's text the way it has always been: line feeds as CR LF.
class FacetText {
public:
    // Composes into the caller's text, which keeps its storage from facet to facet.
    explicit FacetText(std::string& text) : text_(text) { text_.clear(); }
    void add(std::string_view piece) { kx::files::appendWithCrLf(text_, piece); }
    template <class... A>
    void addf(const char* fmt, A... args) {
        char piece[256];
        const int n = kx::platform::snprintfC(piece, sizeof piece, fmt, args...);
        if (n >= 0 && static_cast<size_t>(n) < sizeof piece) add(std::string_view(piece, static_cast<size_t>(n)));
        else add(kx::platform::formatC(fmt, args...));
    }
    bool fits() const { return text_.size() < kFacetTextMax; }

private:
    std::string& text_;
};

void addCorner(FacetText& out, const FacetSyntax& s, const Point3d& p, unsigned corner) {
    if (s.kind == Vertex::Indexed) out.addf(s.vertex, corner, p.x, corner, p.y, corner, p.z);
    else out.addf(s.vertex, p.x, p.y, p.z);
}

struct FacetOptions {
    const FacetSyntax* syntax;
    int format;
    bool smooth;
    bool uv;
    // A plain facet (three corners, nothing between them) as one format.
    std::string whole;
};

// False when the facet's text outgrows its line.
bool composeFacet(const CadObject* obj, const Facet& facet, const FacetOptions& o, bool firstOfFile,
                  std::string& text) {
    const FacetSyntax& s = *o.syntax;
    FacetText out(text);
    if (!o.whole.empty()) {
        const Point3d* p = facet.point;
        if (!o.smooth) {
            out.addf(o.whole.c_str(), p[0].x, p[0].y, p[0].z, p[1].x, p[1].y, p[1].z, p[2].x, p[2].y, p[2].z);
        } else {
            static const Point3d kNone[3] = {};
            const Point3d* n = facet.hasNormals ? facet.normal : kNone;
            out.addf(o.whole.c_str(), p[0].x, p[0].y, p[0].z, n[0].x, n[0].y, n[0].z, p[1].x, p[1].y, p[1].z,
                     n[1].x, n[1].y, n[1].z, p[2].x, p[2].y, p[2].z, n[2].x, n[2].y, n[2].z);
        }
        return out.fits();
    }
    if (o.format == KX_FILETYPE_POLYRAY && !firstOfFile) out.add("+");
    out.add(o.smooth && s.smoothStart ? s.smoothStart : s.start);
    const Point3d zero{0, 0, 0};
    for (unsigned k = 0; k < 3; ++k) {
        addCorner(out, s, facet.point[k], k);
        if (o.smooth) {
            if (o.format == KX_FILETYPE_POLYRAY) out.add(", ");
            addCorner(out, s, facet.hasNormals ? facet.normal[k] : zero, k);
        }
        if (o.uv && o.smooth && o.format == KX_FILETYPE_POLYRAY) {
            // Only a record's or node's first three corners have mapping entries.
            const unsigned corner = facet.corner[k];
            size_t entry = facet.index * 3 + corner;
            const Point3d& uv = (corner < 3 && entry < obj->uvCount) ? obj->uv[entry] : zero;
            out.addf("uv %g, %g", uv.x, uv.y);
        }
        if (o.format == KX_FILETYPE_POLYRAY && k < 2) out.add(", ");
    }
    if (o.format == KX_FILETYPE_DXF) {
        const Point3d& c = facet.point[2];
        out.addf("13\n%0.4f\n23\n%0.4f\n33\n%0.4f\n", c.x, c.y, c.z);
    }
    out.add(s.end);
    return out.fits();
}

bool hasNormals(const TriPolygon& t) {
    for (const Point3d& n : t.normal)
        if (n.x != 0.0f || n.y != 0.0f || n.z != 0.0f) return true;
    return false;
}

// Writes every facet; counts those written and those too long to write.
class FacetSink {
public:
    FacetSink(StandardFile* f, const CadObject* obj, const FacetOptions& o) : f_(f), obj_(obj), o_(o), out_(f) {}

    void write(const Facet& facet) {
        // "+" joins the facets of one object; each object is a block of its own.
        const bool first = f_->facetCount == 0;
        if (!composeFacet(obj_, facet, o_, first, text_)) {
            ++tooLong_;
            return;
        }
        out_.append(text_);
        ++f_->facetCount;
        if (f_->internals) ++f_->internals->facetsInFile;
    }
    unsigned tooLong() const { return tooLong_; }

private:
    StandardFile* f_;
    const CadObject* obj_;
    FacetOptions o_;
    kx::files::LineBatch out_;
    std::string text_;
    unsigned tooLong_ = 0;
};

}  // namespace

namespace kx::files {

void forEachTriangle(const CadObject* obj, const std::function<void(const Triangle&)>& visit) {
    if (!obj || !obj->points || obj->count == 0) return;
    auto emit = [&visit](Triangle& t) {
        const Point3d* p = t.point;
        if (samePoint(p[0], p[1]) || samePoint(p[1], p[2]) || samePoint(p[0], p[2])) return;
        visit(t);
    };
    if (obj->polygons) {
        const uint32_t triangles = kx::model::triangleCount(obj);
        for (size_t i = 0; i < triangles; ++i) {
            const TriPolygon& r = obj->polygons[i];
            Triangle t{};
            t.index = i;
            t.hasNormals = hasNormals(r);
            for (unsigned k = 0; k < 3; ++k) {
                t.point[k] = r.vertex[k];
                t.normal[k] = r.normal[k];
                t.corner[k] = k;
            }
            emit(t);
        }
        return;
    }
    if (obj->points->count < 3) return;
    size_t index = 0;
    // A node of n corners is a fan of n - 2 triangles around its first corner.
    for (const ListEntry* node = obj->points; node; node = node->next, ++index) {
        const unsigned n = node->count > 8 ? 8 : node->count;
        for (unsigned k = 1; k + 1 < n; ++k) {
            const unsigned corners[3] = {0, k, k + 1};
            Triangle t{};
            t.index = index;
            t.hasNormals = node->normals != nullptr;
            for (unsigned c = 0; c < 3; ++c) {
                t.point[c] = node->points[corners[c]];
                if (node->normals) t.normal[c] = node->normals[corners[c]];
                t.corner[c] = corners[c];
            }
            emit(t);
        }
    }
}

}  // namespace kx::files

int WriteFacetsEx(CadObject* obj, StandardFile*& f) {
    if (!f) return 0;
    f->facetCount = 0;
    if (obj && GetExportSelected() && !IsSelected(obj)) return 1;
    if (!obj || !obj->points || obj->count == 0) return 0;
    const int format = static_cast<int>(f->type);
    const kx::CoreSettings& settings = kx::core().settings;
    FacetOptions o{syntaxOf(format), format, false, false, {}};
    // The first POV-Ray dialect has no smooth triangles.
    o.smooth = obj->points->normals && format != 0 && !settings.noNormalsInExport && format != KX_FILETYPE_VRML &&
               format != KX_FILETYPE_VRML2 && format != KX_FILETYPE_WAVEFRONT && format != KX_FILETYPE_POVRAY1;
    o.uv = obj->uv && obj->uvCount && !settings.noUvInExport;
    if (o.syntax && o.syntax->kind == Vertex::Triple && format != KX_FILETYPE_POLYRAY && format != KX_FILETYPE_DXF) {
        // A smooth facet: each corner followed by its normal in the same layout.
        const std::string corner = o.smooth ? std::string(o.syntax->vertex) + o.syntax->vertex : o.syntax->vertex;
        const char* start = o.smooth && o.syntax->smoothStart ? o.syntax->smoothStart : o.syntax->start;
        o.whole = start + corner + corner + corner + o.syntax->end;
    }
    if (!o.syntax) {
        // These formats write their meshes in other ways.
        if (format == 13 || format == KX_FILETYPE_RTRACE || format == KX_FILETYPE_QRT || format == KX_FILETYPE_ART) return 0;
        ErrorMessage("Unknown polygon type: %d", format);
        return 0;
    }
    if (!obj->polygons && obj->points->count < 3) {
        ErrorMessage("Error, Attempt to Save Points as Facets");
        return 0;
    }
    FacetSink sink(f, obj, o);
    kx::files::forEachTriangle(obj, [&sink](const Facet& facet) { sink.write(facet); });
    if (sink.tooLong()) {
        ErrorMessage("Error string too long");
        LogMessage(1, "%u facets of %s left out", sink.tooLong(), obj->name);
    }
    return 1;
}

int WriteFacetFile(CadObject* obj, const char* name, int type) {
    const char* path = name ? AddNewExt(name, ".RAW") : nullptr;
    StandardFile* f = path ? StdOpenFile(path, KX_OPEN_DERIVED) : nullptr;
    if (!f) {
        StdFileError(1, "Facets", name);
        return 0;
    }
    const std::string target = path;
    f->type = static_cast<uint32_t>(type);
    WriteFacetsEx(obj, f);
    if (!StdCloseFile(f)) {
        StdFileError(1, "Facets", target.c_str());
        return 0;
    }
    return 1;
}
