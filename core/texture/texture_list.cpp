// The texture list: records chained from one head, looked up by name, and the
// used marks that make an export write each user texture's definition once.
#include <cstring>
#include <string>

#include "model/memory.h"
#include "model/text.h"
#include "texture/texture_internal.h"

namespace {

using kx::texture::textures;

// Room of a layered name: the first layer is what is looked up.
constexpr size_t kLookupNameMax = 1023;

// A record's name; the program may fill all 32 bytes without a terminator.
std::string recordName(const TextureInfo* t) { return std::string(t->name, strnlen(t->name, sizeof t->name)); }

bool sameNoCase(const TextureInfo* t, const char* name) {
    return kx::text::equalNoCase(recordName(t).c_str(), name);
}

TextureInfo* findNoCase(const char* name) {
    if (!name) return nullptr;
    for (TextureInfo* t = textures().head; t; t = t->next)
        if (sameNoCase(t, name)) return t;
    return nullptr;
}

// The record lookups fill when a name is no list entry.
TextureInfo& lookupRecord() { return kx::core().results.textureRecord; }

}  // namespace

namespace kx::texture {

bool userListInfo(const char* name, TextureInfo* out) { return GetCustomTexListInfo(name, out) != 0; }
bool userListState(const char* name) { return GetCustomTexListState(name) != 0; }
void clearUserListUsed() { ClearCustomTexListUsed(); }

}  // namespace kx::texture

TextureInfo* GetTexture(TextureInfo* prev) { return prev ? prev->next : textures().head; }

int SetFirstTexture(TextureInfo* first) {
    textures().head = first;
    return 1;
}

TextureInfo* AddTexture(TextureInfo* prev) {
    auto* record = kx::mem::allocZeroed<TextureInfo>(1);
    if (!record) {
        ErrorMessage("Error allocating texture linked-list element");
        return nullptr;
    }
    if (prev) {
        record->next = prev->next;
        prev->next = record;
    }
    return record;
}

int AddCustomTexture(TextureInfo* info) {
    if (!info || findNoCase(info->name)) return 0;
    TextureInfo* last = textures().head;
    while (last && last->next) last = last->next;
    TextureInfo* copy = AddTexture(last);
    if (!copy) return 0;
    // Without a head nothing would reach the record: it would be lost.
    if (!last) textures().head = copy;
    kx::text::copyField(copy->name, info->name);
    kx::text::copyField(copy->shortText1, info->shortText1);
    kx::text::copyField(copy->shortText2, info->shortText2);
    copy->kind = info->kind;
    copy->word1 = info->word1;
    copy->word2 = info->word2;
    copy->used = info->used;
    std::memcpy(copy->colour, info->colour, sizeof copy->colour);
    std::memcpy(copy->points, info->points, sizeof copy->points);
    return 0;
}

int ClearTexture(TextureInfo* first) {
    if (!first) return 1;
    // Whatever led to first must not keep pointing at freed records.
    kx::TextureState& s = textures();
    if (s.head == first) {
        s.head = nullptr;
    } else {
        for (TextureInfo* t = s.head; t; t = t->next)
            if (t->next == first) {
                t->next = nullptr;
                break;
            }
    }
    while (first) {
        TextureInfo* following = first->next;
        kx::mem::release(first->text);
        kx::mem::release(first);
        first = following;
    }
    return 1;
}

int DeleteTexture(const char* name) {
    if (!name) return 1;
    for (TextureInfo* t = textures().head; t; t = t->next)
        if (sameNoCase(t, name)) {
            kx::text::copyField(t->name, "None");
            t->kind = 0;
        }
    return 1;
}

unsigned GetTextureNameCount(const char* name) {
    unsigned n = 0;
    if (!name) return 0;
    for (TextureInfo* t = textures().head; t; t = t->next)
        if (sameNoCase(t, name)) ++n;
    return n;
}

unsigned GetCustomTextureCount() { return textures().customCount; }

void SetCustomTextureCount(int n) {
    if (n < 0) ++textures().customCount;
    else textures().customCount = static_cast<unsigned>(n);
}

TextureInfo* GetTextureInfoByName(const char* name) {
    TextureInfo& found = lookupRecord();
    found = TextureInfo{};
    if (!name) return nullptr;
    unsigned r = 0, g = 0, b = 0;
    if (GetEncodedRgb(name, &r, &g, &b)) {
        // The record holds bytes: a field above 255 is as bright as it gets.
        found.colour[0] = static_cast<unsigned char>(r > 255 ? 255 : r);
        found.colour[1] = static_cast<unsigned char>(g > 255 ? 255 : g);
        found.colour[2] = static_cast<unsigned char>(b > 255 ? 255 : b);
        found.kind = KX_TEXTURE_COLOUR;
        return &found;
    }
    std::string layer(name, strnlen(name, kLookupNameMax));
    layer = layer.substr(0, layer.find('+'));
    for (TextureInfo* t = textures().head; t; t = t->next)
        if (recordName(t) == layer) return t;
    if (kx::texture::userListInfo(layer.c_str(), &found)) {
        found.kind = KX_TEXTURE_TEXTURE | KX_TEXTURE_USER;
        found.word1 = 0;
        return &found;
    }
    if (kx::texture::namedColour(layer.c_str(), found.colour)) {
        found.kind = KX_TEXTURE_COLOUR;
        return &found;
    }
    return nullptr;
}

unsigned long GetTextureColorByName(const char* name) {
    const TextureInfo* t = GetTextureInfoByName(name);
    if (!t) return 0xffffffUL;
    return static_cast<unsigned long>(t->colour[0]) | (static_cast<unsigned long>(t->colour[1]) << 8) |
           (static_cast<unsigned long>(t->colour[2]) << 16);
}

unsigned GetTextureTypeByName(const char* name) {
    const TextureInfo* t = GetTextureInfoByName(name);
    return t ? static_cast<unsigned>(t->kind) : 0;
}

int IsUserTexture(const char* name) {
    if (!name) return 0;
    if (kx::texture::userListState(name)) return 1;
    TextureInfo* t = findNoCase(name);
    if (!t || !(t->kind & KX_TEXTURE_USER) || t->used) return 0;
    t->used = 1;
    return 1;
}

int ClearTextureUsed() {
    for (TextureInfo* t = textures().head; t; t = t->next) t->used = 0;
    kx::texture::clearUserListUsed();
    return 1;
}
