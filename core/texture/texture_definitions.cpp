// The renderer's texture definition file: options of lookup elements, the
// element tree and the short names of deep elements.
#include <cstring>
#include <string>
#include <vector>

#include "model/memory.h"
#include "model/text.h"
#include "texture/user_internal.h"

namespace {

using kx::texture::userTextures;

// Deeper nesting than any renderer needs; it bounds the tree walks.
constexpr unsigned kMaxDepth = 32;

bool is(const char* word, const char* keyword) { return word && std::strcmp(word, keyword) == 0; }
bool endsSection(const char* word) { return !word || is(word, "#end") || is(word, "}"); }

TexItem* newItem(const char* name) {
    auto* item = kx::mem::allocZeroed<TexItem>(1);
    char* text = item ? kx::mem::allocZeroed<char>(KX_TEXTEXT_SIZE) : nullptr;
    if (!text) {
        kx::mem::release(item);
        ErrorMessage("Error Allocating Texture Element");
        return nullptr;
    }
    item->text = text;
    kx::text::copyField(item->name, name);
    return item;
}

void freeList(TexItem* item) {
    while (item) {
        TexItem* following = item->next;
        freeList(item->children);
        kx::mem::release(item->text);
        kx::mem::release(item);
        item = following;
    }
}

void freeTree() {
    kx::UserTextureState& s = userTextures();
    // Listed textures keep their values, but no longer the elements they came from.
    for (unsigned i = 0; s.list && i < s.listCount; ++i)
        for (uint32_t k = 0; k < s.list[i].itemCount; ++k) s.list[i].items[k].item = nullptr;
    freeList(s.tree);
    s.tree = nullptr;
    s.optionCount = 0;
    std::memset(s.options, 0, sizeof s.options);
    s.xrefCount = 0;
}

void readOptions(StandardFile* f) {
    kx::UserTextureState& s = userTextures();
    for (;;) {
        char* word = StdGetNextArg(f);
        if (endsSection(word)) return;
        long long id = 0;
        if (!kx::texture::parseInteger(word, id)) id = 0;
        char* pairs = StdGetNextArg(f);
        if (!pairs) return;
        if (id == 0 || id < INT32_MIN || id > INT32_MAX) continue;
        std::vector<std::string> fields;
        std::string field;
        for (const char* p = pairs;; ++p) {
            if (*p == '|' || *p == ' ' || *p == '\0') {
                if (!field.empty()) fields.push_back(field);
                field.clear();
                if (!*p) break;
            } else {
                field += *p;
            }
        }
        for (size_t i = 0; i + 1 < fields.size() && s.optionCount < KX_TEXOPT_MAX; i += 2) {
            long long value = 0;
            if (!kx::texture::parseInteger(fields[i].c_str(), value)) value = 0;
            ItemOpt& opt = s.options[s.optionCount++];
            opt.id = static_cast<int32_t>(id);
            opt.value = static_cast<int32_t>(value < INT32_MIN ? INT32_MIN : value > INT32_MAX ? INT32_MAX : value);
            kx::text::copyField(opt.text, fields[i + 1].c_str());
        }
    }
}

enum class ListEnd { Closed, EndOfSection, Failed };

// Reads elements into the list whose last element is `last`.
ListEnd readElements(StandardFile* f, TexItem* last, unsigned depth) {
    for (;;) {
        char* word = StdGetNextArg(f);
        if (!word || is(word, "#end")) return ListEnd::EndOfSection;
        if (is(word, "}")) return ListEnd::Closed;
        std::string name = word;
        char* kind = StdGetNextArg(f);
        if (!kind || is(kind, "#end")) return ListEnd::EndOfSection;
        if (is(kind, "}")) return ListEnd::Closed;
        bool group = is(kind, "{");
        char letter = kind[0];
        TexItem* item = newItem(name.c_str());
        if (!item) return ListEnd::Failed;
        last->next = item;
        last = item;
        if (group) {
            if (depth + 1 >= kMaxDepth) {
                ErrorMessage("Texture definition nested too deeply: %s", item->name);
                return ListEnd::Failed;
            }
            item->type = KX_TEXITEM_GROUP;
            item->children = newItem("");
            if (!item->children) return ListEnd::Failed;
            ListEnd end = readElements(f, item->children, depth + 1);
            if (end != ListEnd::Closed) return end;
            continue;
        }
        // Neither kind may pass for a group or a placeholder.
        item->type = (letter == KX_TEXITEM_GROUP || letter == KX_TEXITEM_PLACEHOLDER) ? '?' : letter;
        char* syntax = StdGetNextArg(f);
        if (!syntax) return ListEnd::EndOfSection;
        kx::text::copyField(item->syntax, syntax);
    }
}

TexItem* matchPath(TexItem* list, const std::vector<std::string>& parts, size_t i) {
    for (TexItem* item = list; item; item = item->next) {
        if (item->type == KX_TEXITEM_PLACEHOLDER) continue;
        // A group without a name adds no level to the paths below it.
        if (item->type == KX_TEXITEM_GROUP && !item->name[0]) {
            if (TexItem* found = matchPath(item->children, parts, i)) return found;
            continue;
        }
        if (!kx::text::equalNoCase(item->name, parts[i].c_str())) continue;
        if (i + 1 == parts.size()) return item;
        if (item->type == KX_TEXITEM_GROUP)
            if (TexItem* found = matchPath(item->children, parts, i + 1)) return found;
    }
    return nullptr;
}

TexItem* findPath(const char* path) {
    std::vector<std::string> parts;
    std::string part;
    for (const char* p = path;; ++p) {
        if (*p == '/' || *p == '\0') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
            if (!*p) break;
        } else {
            part += *p;
        }
    }
    if (parts.empty()) return nullptr;
    return matchPath(userTextures().tree, parts, 0);
}

void readXref(StandardFile* f) {
    kx::UserTextureState& s = userTextures();
    for (;;) {
        char* word = StdGetNextArg(f);
        if (endsSection(word)) return;
        std::string shortName = word;
        char* path = StdGetNextArg(f);
        if (!path) return;
        TexItem* item = findPath(path);
        if (!item) {
            LogMessage(1, "Texture cross reference %s names no element: %s", shortName.c_str(), path);
            continue;
        }
        if (!s.xref || s.xrefCount >= KX_TEXXREF_MAX) continue;
        kx::TexXref& entry = s.xref[s.xrefCount++];
        kx::text::copyField(entry.name, shortName.c_str());
        entry.item = item;
    }
}

bool ensureXref() {
    kx::UserTextureState& s = userTextures();
    if (!s.xref) s.xref = kx::mem::allocZeroed<kx::TexXref>(KX_TEXXREF_MAX);
    if (!s.xref) ErrorMessage("Out of memory allocating custom texture xref");
    return s.xref != nullptr;
}

bool readDefinitions(StandardFile* f) {
    kx::UserTextureState& s = userTextures();
    if (!SkipToSection(f, "texture_options")) return false;
    readOptions(f);
    if (!SkipToSection(f, "texture_syntax")) return false;
    s.tree = newItem("");
    if (!s.tree || readElements(f, s.tree, 0) == ListEnd::Failed) return false;
    if (!SkipToSection(f, "texture_xref")) return false;
    readXref(f);
    return true;
}

void clearValues(TexItem* item) {
    for (; item; item = item->next) {
        item->value = TexValue{};
        if (item->text) item->text[0] = '\0';
        item->set = 0;
        clearValues(item->children);
    }
}

bool markGroups(TexItem* item) {
    bool any = false;
    for (; item; item = item->next) {
        if (item->type == KX_TEXITEM_GROUP) item->set = markGroups(item->children) ? 1 : 0;
        else if (item->type == KX_TEXITEM_PLACEHOLDER) item->set = 0;
        if (item->set) any = true;
    }
    return any;
}

void visitLeaves(TexItem* item, const std::string& prefix,
                 const std::function<void(TexItem*, const std::string&)>& visit) {
    for (; item; item = item->next) {
        if (item->type == KX_TEXITEM_GROUP)
            visitLeaves(item->children, item->name[0] ? prefix + "/" + item->name : prefix, visit);
        else if (kx::texture::isLeaf(item))
            visit(item, prefix + "/" + item->name);
    }
}

bool contains(const TexItem* list, const TexItem* wanted) {
    for (; list; list = list->next)
        if (list == wanted || contains(list->children, wanted)) return true;
    return false;
}

}  // namespace

namespace kx::texture {

void forEachLeaf(const std::function<void(TexItem*, const std::string&)>& visit) {
    visitLeaves(userTextures().tree, "", visit);
}

bool inTree(const TexItem* item) { return item && contains(userTextures().tree, item); }

}  // namespace kx::texture

int InitTextureBuiler(const char* fileName) {
    if (!ensureXref()) return 0;
    DestroyCustomTexList();
    if (!fileName || !*fileName) {
        freeTree();
        return 0;
    }
    std::string path = fileName[0] == '/' ? std::string(fileName) : kx::texture::dataFile(fileName);
    return BuildTexList(path.c_str());
}

int BuildTexList(const char* path) {
    kx::texture::clearCurrent();
    // The tree must match the renderer now chosen: the old one goes in any case.
    freeTree();
    if (!path) return 0;
    if (std::strchr(path, '$')) return 1;
    ensureXref();
    StandardFile* f = StdOpenFile(path, KX_OPEN_READ);
    if (!f) {
        StdFileError(1, "Texture Definition", path);
        return 0;
    }
    bool ok = readDefinitions(f);
    StdCloseFile(f);
    if (!ok) freeTree();
    return ok ? 1 : 0;
}

int ExitTextureBuiler() {
    kx::UserTextureState& s = userTextures();
    kx::mem::release(s.xref);
    s.xref = nullptr;
    DestroyCustomTexList();
    freeTree();
    return 1;
}

TexItem* FindFirstTexItem() { return userTextures().tree; }

TexItem* FindTexItem(char* name) {
    if (!name || !*name) return nullptr;
    const kx::UserTextureState& s = userTextures();
    if (name[0] != '/' && s.xref)
        for (unsigned i = 0; i < s.xrefCount; ++i)
            if (kx::text::equalNoCase(std::string(s.xref[i].name, strnlen(s.xref[i].name, KX_TEXNAME_SIZE)).c_str(),
                                      name))
                return s.xref[i].item;
    return findPath(name);
}

int GetTexOptOffset(int id) {
    const kx::UserTextureState& s = userTextures();
    for (unsigned i = 0; i < s.optionCount; ++i)
        if (s.options[i].id == id) return static_cast<int>(i);
    return -1;
}

ItemOpt* GetTexOpt(unsigned index) { return index < KX_TEXOPT_MAX ? &userTextures().options[index] : nullptr; }

int InitCustomTexture() {
    clearValues(userTextures().tree);
    return 1;
}

int ResetSetCustomTextureUsage() {
    markGroups(userTextures().tree);
    return 1;
}
