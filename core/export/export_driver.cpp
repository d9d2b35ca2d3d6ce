// The export driver, header, attributes, textures and groups.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "export/export_internal.h"

namespace kx::exporter {
namespace {

bool isZero(const Point3d& p) { return p.x == 0.0f && p.y == 0.0f && p.z == 0.0f; }

void writeDefaultPigment(StandardFile* f) {
    StdPutLine(f, " %s { White }\n", f->type == kPolyray ? "surface" : "pigment");
}

// Clears the run's bookkeeping however the export ends.
struct RunScope {
    RunScope() {
        run().busy = true;
        run().grouped = false;
        run().firstGroup = run().lastGroup = 0;
        run().userInline.clear();
        run().declared.clear();
    }
    ~RunScope() {
        run().busy = false;
        run().userInline.clear();
        run().declared.clear();
    }
};

void noteGroup(unsigned id) {
    ExportRun& r = run();
    if (!r.grouped) r.firstGroup = r.lastGroup = id;
    r.firstGroup = std::min(r.firstGroup, id);
    r.lastGroup = std::max(r.lastGroup, id);
    r.grouped = true;
}

}  // namespace
}  // namespace kx::exporter

using namespace kx::exporter;

int WriteHeader(StandardFile* f, int withScene) {
    if (!f) return 0;
    resetIndent();
    StdPutLine(f, "// %s\n", "Scene Created by the Kalvex 2.0");
    StdPutLine(f, "// Povray export filter 1.4\n");
    StdPutLine(f, "\n");
    StdPutLine(f, "#include \"colors.inc\"\n");
    StdPutLine(f, "#include \"textures.inc\"\n");
    StdPutLine(f, "#include \"shapes.inc\"\n\n");
    if (!withScene) return 1;
    if (const CadScene* scene = f->scene) {
        if (scene->include[0]) StdPutLine(f, "%s\n\n", scene->include);
        if (scene->backColor) {
            unsigned c = scene->backColor;
            StdPutLine(f, "background { color rgb < %g, %g, %g > }\n\n", (c & 0xFF) * (1.0 / 255),
                       ((c >> 8) & 0xFF) * (1.0 / 255), ((c >> 16) & 0xFF) * (1.0 / 255));
        }
    }
    if (isPov23(f->type)) writeColourDeclarations(f);
    SaveUserTextureAs(f);
    return 1;
}

int SaveUserTextureAs(StandardFile* f) {
    ClearTextureUsed();
    CadObject* first = GetCadObject(nullptr);
    if (!first) return 0;
    for (CadObject* o = first; o; o = o->next) {
        if (!(o->materialType & 2) || !IsUserTexture(o->material)) continue;
        if (LoadCustomTexture(o->material)) ExportCustomTexture(f, o->material, f->type, TEX_EXPORT_FLAGS{});
    }
    return 1;
}

int SaveTextureLayers(StandardFile* f, const char* name) {
    if (!f || !name) return 0;
    auto writeLayer = [f](const std::string& layer) {
        // A layer name stands in the text as it is, so only plain names may.
        if (isPlainIdentifier(layer.c_str())) StdPutLine(f, " texture { %s }\n", layer.c_str());
        else {
            LogMessage(1, "Texture name %s left out of the export", commentText(layer.c_str()).c_str());
            StdPutLine(f, " texture { pigment { White } }\n");
        }
    };
    if (!std::strchr(name, '+')) {
        if (f->type == kPovray2 || f->type == kPovray3) {
            writeLayer(name);
            return 1;
        }
        if (f->type == kPolyray) {
            StdPutLine(f, " %s\n", isPlainIdentifier(name) ? name : "White");
            return 1;
        }
    }
    std::string all(name, strnlen(name, 1024));
    size_t start = 0;
    for (;;) {
        size_t plus = all.find('+', start);
        writeLayer(all.substr(start, plus == std::string::npos ? std::string::npos : plus - start));
        if (plus == std::string::npos) break;
        start = plus + 1;
    }
    return 1;
}

int ExportTexture(StandardFile* f, CadObject* obj) {
    if (!f || !obj) return 0;
    const char* word = f->type == kPolyray ? "surface" : "pigment";
    unsigned kind = obj->materialType & 3;
    if (kind == 1) {
        unsigned r, g, b;
        if (GetEncodedRgb(obj->material, &r, &g, &b))
            StdPutLine(f, " texture { %s { color rgb < %g, %g, %g > } }\n", word, r * (1.0 / 255), g * (1.0 / 255),
                       b * (1.0 / 255));
        else if (isPlainIdentifier(obj->material))
            StdPutLine(f, " texture { %s { color %s } }\n", word, obj->material);
        else
            StdPutLine(f, " texture { %s { color White } }\n", word);
    } else if (kind == 2) {
        SaveTextureLayers(f, obj->material);
    } else if (f->type != kPolyray) {
        writeDefaultPigment(f);
    }
    return 1;
}

int ExportAttributes(StandardFile* f, CadObject* obj) {
    if (!f || !obj) return 0;
    if (run().userInline.count(obj)) exportObjectExtras(f, obj, true);
    if (f->type == kPovray1) return 1;
    ExportTexture(f, obj);
    // A blob carries its scale and position in its component already.
    bool blob = obj->type == KX_BLOB;
    if (!blob && (obj->scale.x != 1.0f || obj->scale.y != 1.0f || obj->scale.z != 1.0f))
        writeLabelledVector(f, " scale ", obj->scale, "\n");
    if (!blob && !isZero(obj->rotate)) writeLabelledVector(f, " rotate ", obj->rotate, "\n");
    if (!blob && !isZero(obj->translate)) writeLabelledVector(f, " translate ", obj->translate, "\n");
    return 1;
}

int SaveGroupsAsPov(StandardFile* f, unsigned first, unsigned last) {
    if (!f) return 0;
    // Only ids that have members: a range read from a file may be vast and sparse.
    std::set<unsigned> ids;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        if (o->type != KX_GROUP && o->groupId >= first && o->groupId <= last && o->groupId) ids.insert(o->groupId);
    for (unsigned g : ids) {
        unsigned op = static_cast<unsigned>(UpdateCsgOperation(g, 0, 0));
        bool wrote = false;
        bool blobOpened = false;
        CadObject* lastMember = nullptr;
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
            if (o->type == KX_GROUP || o->groupId != g) continue;
            if (o->type == KX_BLOB) {
                if (!isPov23(f->type)) continue;
                exportBlob(f, o, !blobOpened && !wrote);
                blobOpened = true;
                wrote = true;
                lastMember = o;
                continue;
            }
            if (!isPov23(f->type) || !run().declared.count(o)) continue;
            if (!wrote) {
                StdPutLine(f, "// DEFAULT GROUP\n");
                const char* opener = op == 1 ? "merge {\n" : op == 2 ? "intersection {\n" : op == 3 ? "difference {\n" : "union {\n";
                StdPutLine(f, "%s", opener);
            }
            StdPutLine(f, "  object { %s }\n", identifierOf(o->name).c_str());
            wrote = true;
            lastMember = o;
        }
        if (wrote) {
            if (lastMember && lastMember->type == KX_BLOB) ExportTexture(f, lastMember);
            StdPutLine(f, "}\n");
        }
    }
    return 1;
}

char* GetPovHeightField(const char* fileName) {
    thread_local std::string result;
    std::string name = fileName ? fileName : "";
    // The name goes inside quotes: quotes and line ends in it would end them.
    std::string quoted;
    for (char c : name) quoted += (c == '"' || c == '\r' || c == '\n') ? '_' : c;
    const char* base = name.c_str();
    for (const char* p = base; *p; ++p)
        if (*p == '/' || *p == '\\') base = p + 1;
    const char* dot = std::strrchr(base, '.');
    std::string ext;
    for (const char* p = dot ? dot + 1 : ""; *p; ++p) ext += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    const char* keyword = "gif";
    struct Kind {
        const char* ext;
        const char* keyword;
    } kinds[] = {{"gif", "gif"}, {"tga", "tga"}, {"pot", "tga"}, {"png", "png"}, {"ppm", "ppm"},
                 {"pgm", "pgm"}, {"jpg", "jpeg"}, {"jpeg", "jpeg"}, {"tif", "tiff"}, {"tiff", "tiff"},
                 {"bmp", "sys"}, {"exr", "exr"}, {"hdr", "hdr"}};
    for (const Kind& k : kinds)
        if (ext == k.ext) keyword = k.keyword;
    result = std::string(keyword) + " \"" + quoted + "\" ";
    return result.data();
}

int ExportObjects(StandardFile* f) {
    if (!f || run().busy) return 0;
    RunScope scope;
    f->scene = GetCurrentScene();
    WriteHeader(f, 1);
    exportCamera(f);
    exportLights(f);
    CadObject* first = GetCadObject(nullptr);
    if (!first) return 0;
    bool blocks = isPov23(f->type) || f->type == kPolyray;
    for (CadObject* o = first; o; o = o->next) {
        if (blocks) {
            StdPutLine(f, "\n");
            if (o->groupId) {
                // A member is declared only when its writer gives it a value.
                if (o->type != KX_BLOB && o->type != KX_GROUP && writesObject(f, o)) {
                    if (f->type == kPolyray) StdPutLine(f, "define %s\n", identifierOf(o->name).c_str());
                    else StdPutLine(f, "#declare %s = \n", identifierOf(o->name).c_str());
                    run().declared.insert(o);
                }
                noteGroup(o->groupId);
            }
        }
        int extras = exportObjectExtras(f, o, false);
        if (!exportObject(f, o, extras)) LogMessage(1, "Error exporting scene");
        if (extras & 1) {
            indentOut();
            indent(f);
            StdPutLine(f, " }\n\n");
        }
    }
    if (run().grouped && f->type != kPovray1) SaveGroupsAsPov(f, run().firstGroup, run().lastGroup);
    resetIndent();
    return 1;
}
