// Output routines shared by every export format.
#include <cctype>
#include <cmath>
#include <cstring>

#include "export/export_internal.h"
#include "files/formats_internal.h"
#include "model/model_internal.h"

namespace kx::exporter {

void writeVector(StandardFile* f, const Point3d& p) {
    const char* form = dialectOf(f).vectorForm;
    if (!form) {
        // Formats written elsewhere still have their vector forms.
        switch (f->type) {
            case 13: case KX_FILETYPE_VIVID: case KX_FILETYPE_RAYSHADE: case KX_FILETYPE_RTRACE: case 18: form = "%g %g %g"; break;
            case KX_FILETYPE_QRT: case KX_FILETYPE_ART: form = "%g, %g, %g"; break;
            default: return;
        }
    }
    StdPutLine(f, form, p.x, p.y, p.z);
}

void writeLabelledVector(StandardFile* f, const char* label, const Point3d& p, const char* suffix) {
    StdPutLine(f, "%s ", label);
    writeVector(f, p);
    StdPutLine(f, " %s", suffix);
}

void indent(StandardFile* f) {
    int spaces = run().indentUnit * run().indentDepth;
    if (spaces > 0) StdPutLine(f, "%*s", spaces, "");
}

void indentIn() { ++run().indentDepth; }

void indentOut() {
    if (run().indentDepth > 0) --run().indentDepth;
}

void resetIndent() {
    run().indentUnit = 4;
    run().indentDepth = 0;
}

void indented(StandardFile* f, const char* text) {
    indent(f);
    StdPutLine(f, "%s", text);
}


int truncated(double v) {
    if (!std::isfinite(v)) return 0;
    if (v > 2147483647.0) return 2147483647;
    if (v < -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(v);
}

std::string extraText(CadObject* obj, unsigned id) {
    char text[KX_EXTRA_TEXT_MAX + 1] = "";
    ExtraField* field = kx::model::findExtra(obj->extra, id);
    if (!field || field->type != KX_VALUE_STRING) return {};
    GetObjectExtraString(obj, static_cast<int>(id), text);
    return text;
}

bool uvFits(const CadObject* o) {
    if (!o->uv || kx::core().settings.noUvInExport) return false;
    // A triangle array keeps its triangles in the order of their uvs.
    if (o->polygons) return o->uvCount >= size_t{o->polygonCount ? o->polygonCount : o->count} * 3;
    for (const ListEntry* n = o->points; n; n = n->next)
        if (n->count != 3) return false;
    return o->uvCount >= size_t{o->count} * 3;
}

std::string imageMapOf(CadObject* obj) {
    if (!obj || !uvFits(obj)) return {};
    return extraText(obj, KX_PROP_IMAGEMAP);
}

bool isPlainIdentifier(const char* name) {
    if (!name || !*name || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
    for (const char* p = name; *p; ++p)
        if (!std::isalnum(static_cast<unsigned char>(*p)) && *p != '_') return false;
    return true;
}

std::string identifierOf(const char* name) {
    std::string id;
    for (const char* p = name ? name : ""; *p; ++p)
        id += (std::isalnum(static_cast<unsigned char>(*p)) || *p == '_') ? *p : '_';
    if (id.empty()) id = "_unnamed";
    // The renderer's own words are all lower case: a name that could be one of
    // them, or that starts with a digit, is kept apart by a leading "_".
    bool couldBeKeyword = std::islower(static_cast<unsigned char>(id[0]));
    for (char c : id)
        if (std::isupper(static_cast<unsigned char>(c))) couldBeKeyword = false;
    if (couldBeKeyword || std::isdigit(static_cast<unsigned char>(id[0]))) id = "_" + id;
    return id;
}

std::string objectIdentifier(const CadObject* obj) {
    ExportRun& r = run();
    if (auto found = r.identifiers.find(obj); found != r.identifiers.end()) return found->second;
    const std::string base = identifierOf(obj ? obj->name : nullptr);
    std::string id = base;
    for (unsigned n = 2; r.identifiersTaken.count(id); ++n) id = base + "_" + std::to_string(n);
    r.identifiersTaken.insert(id);
    r.identifiers.emplace(obj, id);
    return id;
}

std::string defNameOf(const char* name) {
    std::string id;
    for (const char* p = name ? name : ""; *p; ++p)
        id += (std::isalnum(static_cast<unsigned char>(*p)) || *p == '_') ? *p : '_';
    if (id.empty() || std::isdigit(static_cast<unsigned char>(id[0]))) id = "_" + id;
    return id;
}

std::string commentText(const char* text) {
    std::string out = text ? text : "";
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

int exportObjectExtras(StandardFile* f, CadObject* obj, bool userInlineOnly) {
    run().userInline.erase(obj);
    int result = 0;
    if (!obj->extra) return 0;
    ExtraField* fields = ExtraBlockFields(obj->extra);
    for (uint32_t i = 0; i < obj->extra->count; ++i) {
        const ExtraField& field = fields[i];
        if (field.type != KX_VALUE_STRING) continue;
        const char* text = reinterpret_cast<const char*>(field.value);
        if (!text[0]) continue;
        if (userInlineOnly) {
            if (field.id == 304) {
                StdPutLine(f, "%s\n", text);
                run().userInline.insert(obj);
            }
            continue;
        }
        switch (field.id) {
            case KX_PROP_COMMENT:
                if (const char* form = dialectOf(f).commentForm) StdPutLine(f, form, commentFor(f, text).c_str());
                break;
            case KX_PROP_VRMLANCHOR:
            case KX_PROP_VRMLINLINE:
                if (auto link = dialectOf(f).link) {
                    int bits = link(f, field.id, text);
                    result |= bits & 1;
                    if (bits & 4) return result;
                }
                break;
            case KX_PROP_USERINLINE:  // written with the attributes
                run().userInline.insert(obj);
                result |= 2;
                break;
            default: break;
        }
    }
    return result;
}

bool blobHasSurface(const CadObject* obj) { return BlobComponentRadius(obj, run().blobThreshold) > 0; }

}  // namespace kx::exporter

namespace kx::exporter {

bool hasWritableFacet(const CadObject* obj) {
    bool any = false;
    kx::files::forEachTriangle(obj, [&any](const kx::files::Triangle&) { any = true; });
    return any;
}

void writePatchNet(StandardFile* f, CadObject* obj, const char* opener, const char* stepsFormat) {
    Point3d net[16] = {};
    UnpackPatch(obj, net);
    const Point3d& e = obj->extraPoint;
    StdPutLine(f, "// BICUBIC_PATCH %s\n", commentText(obj->name).c_str());
    StdPutLine(f, "%s", opener);
    StdPutLine(f, stepsFormat, e.z == 0.0f ? 0.01 : static_cast<double>(e.z), e.x == 0.0f ? 3 : truncated(e.x),
               e.y == 0.0f ? 3 : truncated(e.y));
    for (int i = 0; i < 16; ++i) {
        writeVector(f, net[i]);
        if (i < 15) StdPutLine(f, ", ");
        if (i % 4 == 3) StdPutLine(f, "\n");
    }
    // The views scale and turn the net about the middle of its box, the
    // renderer about the origin: the net goes to the origin and back.
    Point3d lo = net[0], hi = net[0];
    for (Point3d& p : net) GetMinMaxPoint(&p, &lo, &hi);
    const Point3d middle = MakePoint((static_cast<double>(lo.x) + hi.x) / 2, (static_cast<double>(lo.y) + hi.y) / 2,
                                     (static_cast<double>(lo.z) + hi.z) / 2);
    const bool turned = !isUnitScale(obj->scale) || !isZero(obj->rotate);
    if (!turned || isZero(middle)) {
        ExportAttributes(f, obj);
        return;
    }
    writeLabelledVector(f, " translate ", MakePoint(-middle.x, -middle.y, -middle.z), "\n");
    const Point3d placed = obj->translate;
    obj->translate = MakePoint(static_cast<double>(placed.x) + middle.x, static_cast<double>(placed.y) + middle.y,
                               static_cast<double>(placed.z) + middle.z);
    ExportAttributes(f, obj);
    obj->translate = placed;
}

double blobRadius(CadObject* obj, bool first) {
    if (first) run().blobThreshold = obj->extraPoint.x;
    const double r = BlobComponentRadius(obj, run().blobThreshold);
    if (r > 0) return r;
    // A blob of no size is drawn as nothing; a component of no radius renders nothing too.
    if (obj->size.y == 0.0f || obj->scale.y == 0.0f) return 0;
    return static_cast<double>(obj->scale.y);
}

}  // namespace kx::exporter
