#include "document/texture_list_copy.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>

namespace kx::app {

namespace {

// The record without what ties it to the list or to memory of its own.
TextureInfo plainRecord(const TextureInfo& t) {
    TextureInfo out = t;
    out.next = nullptr;
    out.text = nullptr;
    out.reserved1 = out.reserved2 = 0;
    return out;
}

std::string pictureKey(const TextureInfo& t) {
    return std::string(t.name, strnlen(t.name, sizeof t.name)) + '\n' +
           std::string(t.shortText2, strnlen(t.shortText2, sizeof t.shortText2));
}

}  // namespace

TextureListCopy copyTextureList() {
    TextureListCopy copy;
    for (const TextureInfo* t = GetTexture(nullptr); t; t = t->next) copy.records.push_back(plainRecord(*t));
    return copy;
}

bool sameTextureList(const TextureListCopy& a, const TextureListCopy& b) {
    auto same = [](const TextureInfo& x, const TextureInfo& y) {
        return std::strncmp(x.name, y.name, sizeof x.name) == 0 &&
               std::strncmp(x.shortText1, y.shortText1, sizeof x.shortText1) == 0 &&
               std::strncmp(x.shortText2, y.shortText2, sizeof x.shortText2) == 0 && x.kind == y.kind &&
               x.word1 == y.word1 && x.word2 == y.word2 && std::memcmp(x.colour, y.colour, sizeof x.colour) == 0 &&
               std::memcmp(x.points, y.points, sizeof x.points) == 0;
    };
    return std::equal(a.records.begin(), a.records.end(), b.records.begin(), b.records.end(), same);
}

bool restoreTextureList(const TextureListCopy& copy) {
    // Decoded pictures move over to the records that name them again.
    struct Picture {
        char* block;
        uint32_t width, height;
    };
    std::multimap<std::string, Picture> pictures;
    for (TextureInfo* t = GetTexture(nullptr); t; t = t->next)
        if (t->text) {
            pictures.emplace(pictureKey(*t), Picture{t->text, t->reserved1, t->reserved2});
            t->text = nullptr;
        }
    ClearTexture(GetTexture(nullptr));
    SetFirstTexture(nullptr);
    TextureInfo* last = nullptr;
    bool whole = true;
    for (const TextureInfo& record : copy.records) {
        TextureInfo* made = AddTexture(last);
        if (!made) {
            whole = false;
            break;
        }
        if (!last) SetFirstTexture(made);
        *made = record;
        made->next = nullptr;
        if (auto found = pictures.find(pictureKey(record)); found != pictures.end()) {
            made->text = found->second.block;
            made->reserved1 = found->second.width;
            made->reserved2 = found->second.height;
            pictures.erase(found);
        }
        last = made;
    }
    // The record frees its block with free(), as the list does.
    for (auto& [key, picture] : pictures) std::free(picture.block);
    return whole;
}

}  // namespace kx::app
