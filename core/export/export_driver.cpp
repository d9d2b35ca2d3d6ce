// The export driver, header, attributes, textures and groups.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "export/export_internal.h"
#include "texture/user_internal.h"

namespace kx::exporter {
namespace {

// Clears the run's bookkeeping however the export ends.
struct RunScope {
    RunScope() {
        run().busy = true;
        run().grouped = false;
        run().firstGroup = run().lastGroup = 0;
        run().userInline.clear();
        run().declared.clear();
        run().identifiers.clear();
        run().identifiersTaken.clear();
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
    if (auto header = dialectOf(f).header) header(f, withScene);
    return 1;
}

namespace {

// User textures are built from the elements of POV-Ray's texture language,
// which Polyray does not read: a scene for Polyray is given the texture's
// colour under its name, and says so.
void definePolyrayStandIn(StandardFile* f, const char* name) {
    if (!kx::texture::isIdentifier(name)) {
        LogMessage(1, "Texture name %s left out of the export", commentText(name).c_str());
        return;
    }
    float rgb[3] = {1, 1, 1};
    if (!kx::texture::firstColour(rgb)) {
        const unsigned long packed = GetTextureColorByName(name);
        for (int k = 0; k < 3; ++k) rgb[k] = static_cast<float>((packed >> (8 * k)) & 0xFF) / 255.0f;
    }
    StdPutLine(f, "\r\n// %s: a texture of POV-Ray's terms, which Polyray has no form for; its colour stands in\r\n", name);
    StdPutLine(f, "define %s\r\ntexture { surface { color < %g, %g, %g > } }\r\n", name, rgb[0], rgb[1], rgb[2]);
}

}  // namespace

int SaveUserTextureAs(StandardFile* f) {
    ClearTextureUsed();
    CadObject* first = GetCadObject(nullptr);
    if (!first) return 0;
    for (CadObject* o = first; o; o = o->next) {
        if (!(o->materialType & 2) || !IsUserTexture(o->material)) continue;
        if (!LoadCustomTexture(o->material)) continue;
        if (f->type == KX_FILETYPE_POLYRAY) definePolyrayStandIn(f, o->material);
        else ExportCustomTexture(f, o->material, f->type, TEX_EXPORT_FLAGS{});
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
        if (f->type == KX_FILETYPE_POVRAY2 || f->type == KX_FILETYPE_POVRAY3) {
            writeLayer(name);
            return 1;
        }
        if (f->type == KX_FILETYPE_POLYRAY) {
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
    auto texture = dialectOf(f).texture;
    return texture ? texture(f, obj) : 1;
}

int ExportAttributes(StandardFile* f, CadObject* obj) {
    if (!f || !obj) return 0;
    if (run().userInline.count(obj)) exportObjectExtras(f, obj, true);
    if (auto attributes = dialectOf(f).attributes) attributes(f, obj);
    return 1;
}

int SaveGroupsAsPov(StandardFile* f, unsigned first, unsigned last) {
    if (!f) return 0;
    // Only ids that have members: a range read from a file may be vast and sparse.
    std::set<unsigned> ids;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        if (o->type != KX_GROUP && o->groupId >= first && o->groupId <= last && o->groupId) ids.insert(o->groupId);
    const Dialect& d = dialectOf(f);
    for (unsigned g : ids) {
        unsigned op = static_cast<unsigned>(UpdateCsgOperation(g, 0, 0));
        unsigned written = 0;
        bool blobOpened = false;
        CadObject* lastMember = nullptr;
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
            if (o->type == KX_GROUP || o->groupId != g) continue;
            if (o->type == KX_BLOB) {
                if (!d.blobComponent) continue;
                d.blobComponent(f, o, !blobOpened && written == 0);
                blobOpened = true;
            } else {
                if (!d.groupMember || !run().declared.count(o)) continue;
                d.groupMember(f, o, written, op);
            }
            ++written;
            lastMember = o;
        }
        if (written) {
            if (lastMember && lastMember->type == KX_BLOB) ExportTexture(f, lastMember);
            StdPutLine(f, "}\n");
        }
    }
    return 1;
}

char* GetPovHeightField(const char* fileName) {
    std::string& result = kx::core().results.heightField;
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
    const Dialect& d = dialectOf(f);
    WriteHeader(f, 1);
    if (d.camera) d.camera(f);
    exportLights(f);
    CadObject* first = GetCadObject(nullptr);
    if (!first) return 0;
    // Identifiers follow the scene's order, so each export of a scene gives
    // every object the same one.
    for (CadObject* o = first; o; o = o->next) objectIdentifier(o);
    for (CadObject* o = first; o; o = o->next) {
        if (d.declareForm) {
            StdPutLine(f, "\n");
            if (o->groupId) {
                // A member is declared only when its writer gives it a value.
                if (o->type != KX_BLOB && o->type != KX_GROUP && writesObject(f, o)) {
                    StdPutLine(f, d.declareForm, objectIdentifier(o).c_str());
                    run().declared.insert(o);
                }
                noteGroup(o->groupId);
            }
        }
        int extras = exportObjectExtras(f, o, false);
        if (!exportObject(f, o, extras)) LogMessage(1, "Error exporting scene");
        if (extras & 1) d.link(f, 0, nullptr);  // the anchor opened by the extras ends here
    }
    if (run().grouped) SaveGroupsAsPov(f, run().firstGroup, run().lastGroup);
    resetIndent();
    if (d.trailer) d.trailer(f);
    return 1;
}
