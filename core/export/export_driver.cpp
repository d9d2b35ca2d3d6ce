// The export driver, header, attributes, textures and groups.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "export/export_internal.h"
#include "model/model_internal.h"
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

namespace {

// The groups of a run, as blocks of members written innermost first. A
// member belongs to the block of the group object it stands in (the one of
// its id when it stands in none), so that the tree the scene shows decides
// even where the ids of nested groups do not tell them apart. A group object
// standing inside another group is a member of that group's block: written
// before it under its own name, so that the outer operation takes it in.
struct GroupBlock {
    unsigned id = 0;            // the smallest id among its members: blocks go in the ids' order
    CadObject* group = nullptr; // its group object, when there is one
    size_t outer = SIZE_MAX;    // the block it is a member of
};

struct GroupPlan {
    std::vector<GroupBlock> blocks;
    std::vector<size_t> order;                               // innermost first, then by id
    std::unordered_map<const CadObject*, size_t> blockOf;    // of members and of group objects
};

GroupPlan planGroups(unsigned first, unsigned last, bool nests) {
    GroupPlan plan;
    std::unordered_map<const CadObject*, size_t> byGroup;
    std::map<unsigned, size_t> byId;  // blocks of an id without a group object
    std::map<unsigned, CadObject*> firstOfId;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        if (o->type == KX_GROUP) firstOfId.emplace(o->groupId, o);
    auto blockFor = [&](CadObject* group, unsigned id) {
        const size_t next = plan.blocks.size();
        const size_t at = group ? byGroup.emplace(group, next).first->second : byId.emplace(id, next).first->second;
        if (at == next) plan.blocks.push_back({id, group});
        plan.blocks[at].id = std::min(plan.blocks[at].id, id);
        if (group) plan.blockOf[group] = at;
        return at;
    };
    // Only ids that have members: a range read from a file may be vast and sparse.
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
        if (o->type == KX_GROUP || !o->groupId || o->groupId < first || o->groupId > last) continue;
        CadObject* group = o->parent && o->parent->type == KX_GROUP ? o->parent : nullptr;
        if (!group)
            if (auto found = firstOfId.find(o->groupId); found != firstOfId.end()) group = found->second;
        plan.blockOf[o] = blockFor(group, o->groupId);
    }
    if (nests)
        for (size_t b = 0; b < plan.blocks.size(); ++b) {  // grows as outer blocks are found
            const CadObject* group = plan.blocks[b].group;
            CadObject* parent = group ? group->parent : nullptr;
            if (!parent || parent->type != KX_GROUP) continue;
            const size_t outer = blockFor(parent, parent->groupId ? parent->groupId : plan.blocks[b].id);
            plan.blocks[b].outer = outer;
        }
    // Depths; a chain that came round again (a damaged tree) is cut.
    std::vector<size_t> depth(plan.blocks.size(), 0);
    for (size_t b = 0; b < plan.blocks.size(); ++b) {
        size_t steps = 0;
        for (size_t up = plan.blocks[b].outer; up != SIZE_MAX; up = plan.blocks[up].outer)
            if (++steps > plan.blocks.size()) {
                plan.blocks[b].outer = SIZE_MAX;
                steps = 0;
                break;
            }
        depth[b] = steps;
    }
    plan.order.resize(plan.blocks.size());
    for (size_t b = 0; b < plan.order.size(); ++b) plan.order[b] = b;
    std::stable_sort(plan.order.begin(), plan.order.end(), [&](size_t a, size_t b) {
        if (depth[a] != depth[b]) return depth[a] > depth[b];
        return plan.blocks[a].id < plan.blocks[b].id;
    });
    return plan;
}

}  // namespace

int SaveGroupsAsPov(StandardFile* f, unsigned first, unsigned last) {
    if (!f) return 0;
    const Dialect& d = dialectOf(f);
    const GroupPlan plan = planGroups(first, last, d.declareForm && d.groupMember);
    for (size_t b : plan.order) {
        const GroupBlock& block = plan.blocks[b];
        // A union without a group object.
        const unsigned op = block.group ? static_cast<unsigned>(kx::model::groupOperation(*block.group)) : KX_CSG_UNION;
        CadObject* self = block.outer != SIZE_MAX ? block.group : nullptr;
        unsigned written = 0;
        bool blobOpened = false;
        CadObject* lastMember = nullptr;
        // A group written as a member of another is given its group object's name.
        auto opening = [&] {
            if (self && written == 0) StdPutLine(f, d.declareForm, objectIdentifier(self).c_str());
        };
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
            const auto in = plan.blockOf.find(o);
            if (in == plan.blockOf.end()) continue;
            if (o->type == KX_GROUP) {
                // A group inside this one, written before it.
                if (plan.blocks[in->second].outer != b || blobOpened || !run().declared.count(o)) continue;
                opening();
                d.groupMember(f, o, written, op);
            } else if (in->second != b) {
                continue;
            } else if (o->type == KX_BLOB) {
                if (!d.blobComponent) continue;
                opening();
                d.blobComponent(f, o, !blobOpened && written == 0);
                blobOpened = true;
            } else {
                if (!d.groupMember || !run().declared.count(o)) continue;
                opening();
                d.groupMember(f, o, written, op);
            }
            ++written;
            lastMember = o;
        }
        if (written) {
            if (lastMember && lastMember->type == KX_BLOB) ExportTexture(f, lastMember);
            StdPutLine(f, "}\n");
            if (self) run().declared.insert(self);
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
