// The memory list: user textures that a scene brought along without their
// being in the database, kept with copies of their set elements' values.
#include <cstring>
#include <string>
#include <vector>

#include "model/memory.h"
#include "model/text.h"
#include "texture/user_internal.h"

namespace {

using kx::texture::fieldText;
using kx::texture::userTextures;

constexpr unsigned kFirstCapacity = 10;
// More than any scene carries; it keeps a damaged count from asking for gigabytes.
constexpr unsigned kMaxCapacity = 4096;

CustomTexure* findListed(const char* name) {
    kx::UserTextureState& s = userTextures();
    if (!name || !s.list) return nullptr;
    std::string wanted(name, strnlen(name, KX_TEXNAME_SIZE - 1));
    for (unsigned i = 0; i < s.listCount; ++i)
        if (kx::text::equalNoCase(fieldText(s.list[i].name).c_str(), wanted.c_str())) return &s.list[i];
    return nullptr;
}

void copyTexture(CustomTexure& to, const CustomTexure& from) {
    std::memcpy(to.name, from.name, sizeof to.name);
    std::memcpy(to.parent, from.parent, sizeof to.parent);
    std::memcpy(to.previewName, from.previewName, sizeof to.previewName);
    std::memcpy(to.freeForm, from.freeForm, sizeof to.freeForm);
    to.colour = from.colour;
}

void snapshot(TexItemValue& copy, const TexItem* item) {
    copy.item = const_cast<TexItem*>(item);
    copy.type = item->type;
    std::memcpy(copy.name, item->name, sizeof copy.name);
    std::memcpy(copy.syntax, item->syntax, sizeof copy.syntax);
    copy.value = item->value;
    kx::text::copyField(copy.text, item->text);
}

// The element a copy was taken from, if the tree still holds it as it was.
TexItem* elementOf(const TexItemValue& copy) {
    TexItem* item = copy.item;
    if (!kx::texture::inTree(item) || item->type != copy.type) return nullptr;
    if (std::memcmp(item->name, copy.name, sizeof copy.name) != 0) return nullptr;
    if (std::memcmp(item->syntax, copy.syntax, sizeof copy.syntax) != 0) return nullptr;
    return item;
}

}  // namespace

int InitCustomTexList(unsigned capacity) {
    DestroyCustomTexList();
    if (capacity == 0) capacity = kFirstCapacity;
    kx::UserTextureState& s = userTextures();
    s.list = capacity <= kMaxCapacity ? kx::mem::allocZeroed<CustomTexure>(capacity) : nullptr;
    if (!s.list) {
        ErrorMessage("Error allocating user texture list: %d", static_cast<int>(capacity));
        return 0;
    }
    s.listCapacity = capacity;
    return 1;
}

int DestroyCustomTexList() {
    kx::UserTextureState& s = userTextures();
    for (unsigned i = 0; s.list && i < s.listCount; ++i) kx::mem::release(s.list[i].items);
    kx::mem::release(s.list);
    s.list = nullptr;
    s.listCapacity = s.listCount = 0;
    return 1;
}

int AddCustomTexToList(const char* name) {
    if (!name || !*name) return 0;
    if (GetUserDbIndex(name)) {
        LogMessage(1, "Warning: Adding user texture ignored %s already exists", name);
        return 1;
    }
    kx::UserTextureState& s = userTextures();
    if (!s.list && !InitCustomTexList(kFirstCapacity)) return 0;
    CustomTexure* entry = findListed(name);
    if (!entry && s.listCount >= s.listCapacity) {
        ErrorMessage("Too many user textures for list");
        return 0;
    }
    std::vector<const TexItem*> set;
    kx::texture::forEachLeaf([&set](TexItem* item, const std::string&) {
        if (item->set) set.push_back(item);
    });
    if (set.size() > KX_TEXLIST_ITEMS_MAX) {
        ErrorMessage("Too many custom texture elements");
        return 0;
    }
    TexItemValue* items = nullptr;
    if (!set.empty()) {
        items = kx::mem::allocZeroed<TexItemValue>(set.size());
        if (!items) {
            ErrorMessage("Error allocating user texture list items");
            return 0;
        }
        for (size_t i = 0; i < set.size(); ++i) snapshot(items[i], set[i]);
    }
    // A texture listed again takes the newer definition.
    if (entry) kx::mem::release(entry->items);
    else entry = &s.list[s.listCount++];
    *entry = CustomTexure{};
    copyTexture(*entry, s.current);
    kx::text::copyField(entry->name, name);
    entry->items = items;
    entry->itemCount = static_cast<uint32_t>(set.size());
    return 1;
}

int GetCustomTexFromList(const char* name) {
    const CustomTexure* entry = findListed(name);
    if (!entry) return 0;
    kx::UserTextureState& s = userTextures();
    InitCustomTexture();
    copyTexture(s.current, *entry);
    for (uint32_t i = 0; i < entry->itemCount; ++i) {
        const TexItemValue& copy = entry->items[i];
        TexItem* item = elementOf(copy);
        if (!item) {
            LogMessage(1, "User texture %s: element %s is no longer defined", fieldText(entry->name).c_str(),
                       fieldText(copy.name).c_str());
            continue;
        }
        item->value = copy.value;
        kx::text::copyField(item->text, KX_TEXTEXT_SIZE, copy.text);
        item->set = 1;
    }
    return 1;
}

int GetCustomTexListInfo(const char* name, TextureInfo* info) {
    const CustomTexure* entry = findListed(name);
    if (!entry) return 0;
    if (info) {
        info->colour[0] = static_cast<unsigned char>(entry->colour & 0xff);
        info->colour[1] = static_cast<unsigned char>((entry->colour >> 8) & 0xff);
        info->colour[2] = static_cast<unsigned char>((entry->colour >> 16) & 0xff);
        info->kind = KX_TEXTURE_TEXTURE | KX_TEXTURE_USER;
        info->word1 = 0;
    }
    return 1;
}

int GetCustomTexListState(const char* name) {
    CustomTexure* entry = findListed(name);
    if (!entry || entry->used) return 0;
    entry->used = 1;
    return 1;
}

int ClearCustomTexListUsed() {
    kx::UserTextureState& s = userTextures();
    for (unsigned i = 0; s.list && i < s.listCount; ++i) s.list[i].used = 0;
    return 1;
}

unsigned GetCustomTexListCount() { return userTextures().listCount; }

char* GetCustomTexListName(unsigned index) {
    kx::UserTextureState& s = userTextures();
    return s.list && index < s.listCount ? s.list[index].name : nullptr;
}
