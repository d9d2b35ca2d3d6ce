#include "texbuild/texture_elements.h"

#include <cstdlib>
#include <cstring>

#include "kxplatform/files.h"

namespace kx::app {
namespace {

void collect(TexItem* first, int depth, const std::string& parentPath, std::vector<ElementRow>& rows) {
    for (TexItem* item = first; item; item = item->next) {
        if (item->type == KX_TEXITEM_PLACEHOLDER) continue;
        const std::string name(item->name, strnlen(item->name, sizeof item->name));
        // Groups without a name add nothing to the paths below them.
        const std::string path = name.empty() ? parentPath : parentPath + "/" + name;
        rows.push_back({item, depth, path});
        if (item->type == KX_TEXITEM_GROUP) collect(item->children, depth + 1, path, rows);
    }
}

}  // namespace

std::vector<ElementRow> elementRows() {
    std::vector<ElementRow> rows;
    collect(FindFirstTexItem(), 0, "", rows);
    return rows;
}

std::string optionLabel(const char* text) {
    const std::string whole(text, strnlen(text, KX_TEXNAME_SIZE));
    const size_t colon = whole.find(':');
    return colon == std::string::npos ? whole : whole.substr(0, colon);
}

std::vector<ElementChoice> lookupChoices(const TexItem& item) {
    std::vector<ElementChoice> choices;
    const int id = std::atoi(std::string(item.syntax, strnlen(item.syntax, sizeof item.syntax)).c_str());
    const int first = GetTexOptOffset(id);
    if (first < 0) return choices;
    for (unsigned i = static_cast<unsigned>(first); i < KX_TEXOPT_MAX; ++i) {
        const ItemOpt* option = GetTexOpt(i);
        // Unused entries of the table are zeros: an empty text ends the list.
        if (!option || option->id != id || option->text[0] == '\0') break;
        choices.push_back({option->value, optionLabel(option->text)});
    }
    return choices;
}

int colourCount(int32_t type) {
    switch (type) {
        case KX_TEXITEM_COLOUR: return 1;
        case KX_TEXITEM_TWO_COLOURS: return 2;
        case KX_TEXITEM_THREE_COLOURS: return 3;
        default: return 0;
    }
}

void setElementInteger(TexItem& item, int value) {
    item.value.integer = value;
    item.set = 1;
}

void setElementReal(TexItem& item, double value) {
    item.value.real = value;
    item.set = 1;
}

void setElementPoint(TexItem& item, const float (&point)[3]) {
    std::memcpy(item.value.point, point, sizeof item.value.point);
    item.set = 1;
}

void setElementColour(TexItem& item, int index, const float (&rgbf)[4]) {
    if (index < 0 || index >= 3) return;
    std::memcpy(item.value.colour[index], rgbf, sizeof item.value.colour[index]);
    // A colour set here is numbers only: names typed into the file are dropped.
    if (item.text) item.text[0] = '\0';
    item.set = 1;
}

bool setElementText(TexItem& item, const std::string& text, std::string& error) {
    if (text.size() >= KX_TEXTEXT_SIZE || text.find('\0') != std::string::npos) {
        error = "File name too long";
        return false;
    }
    if (!item.text) {
        error = "Error allocating file name";
        return false;
    }
    std::memcpy(item.text, text.c_str(), text.size() + 1);
    item.set = 1;
    return true;
}

bool imageMapPath(const TexItem& item, const std::string& texturesFolder, std::string& path, std::string& error) {
    const std::string name = item.text ? std::string(item.text, strnlen(item.text, KX_TEXTEXT_SIZE)) : std::string();
    if (name.empty()) {
        error = "Image map file not specified";
        return false;
    }
    path = name.front() == '/' || texturesFolder.empty() ? name : texturesFolder + "/" + name;
    const std::string found = platform::findExisting(path);
    if (!found.empty()) path = found;
    return true;
}

}  // namespace kx::app
