// The property tables: names, ids and value types shared by files, plug-ins and scripts.
#include <array>

#include "model/model_internal.h"
#include "model/text.h"

namespace {

struct PropertyRow {
    int id;
    const char* name;
    int type;
    int freeText;
};

// Lookups return the first match, so id 5 reads back as "Translate".
constexpr std::array<PropertyRow, 51> kObjectProperties = {{
    {1, "Size", 4, 0},
    {2, "Extra", 4, 0},
    {3, "Scale", 4, 0},
    {4, "Rotate", 4, 0},
    {5, "Translate", 4, 0},
    {5, "Position", 4, 0},
    {6, "LookAt", 4, 0},
    {7, "Up", 4, 0},
    {8, "Direction", 4, 0},
    {9, "Right", 4, 0},
    {101, "Type", 3, 0},
    {103, "GroupId", 3, 0},
    {104, "Select", 3, 0},
    {105, "RgbColor", 3, 0},
    {106, "CsgType", 3, 0},
    {107, "MaterialType", 3, 0},
    {110, "LightType", 3, 0},
    {111, "LightTightness", 2, 0},
    {112, "LightAdaptive", 2, 0},
    {113, "LightJitter", 2, 0},
    {114, "LightFalloff", 2, 0},
    {115, "LightRadius", 2, 0},
    {116, "LightValues", 5, 0},
    {121, "Visible", 3, 0},
    {122, "Smooth", 3, 0},
    {123, "UvMap", 3, 0},
    {124, "Tindex", 3, 0},
    {125, "Animated", 3, 0},
    {126, "Bound", 3, 0},
    {127, "Noexport", 3, 0},
    {128, "Noobject", 3, 0},
    {201, "Name", 1, 0},
    {202, "Material", 1, 0},
    {203, "Plugin", 1, 0},
    {204, "TextString", 1, 0},
    {205, "TextFont", 1, 0},
    {206, "TextStyle", 1, 0},
    {309, "HeightfieldFile", 1, 0},
    {210, "Color", 1, 0},
    {211, "Texture", 1, 0},
    {301, "Comment", 1, 1},
    {306, "AliceInline", 1, 1},
    {302, "VrmlAnchor", 1, 1},
    {303, "VrmlInline", 1, 1},
    {304, "UserInline", 1, 1},
    {305, "UserData", 1, 1},
    {308, "UserObject", 1, 1},
    {310, "LightLooksLike", 1, 1},
    {400, "PatchData", 7, 0},
    {401, "BoundingBox", 7, 0},
    {0, "", 0, 0},
}};

constexpr std::array<PropertyRow, 8> kSceneProperties = {{
    {1001, "Redraw", 3, 0},
    {1002, "Name", 1, 0},
    {1003, "BackColor", 3, 0},
    {1004, "Description", 1, 0},
    {1005, "Include", 1, 0},
    {1006, "Image", 1, 0},
    {1007, "RenderPath", 1, 0},
    {1008, "RenderInclude", 1, 0},
}};

template <size_t N>
int indexByName(const std::array<PropertyRow, N>& table, const char* name) {
    if (!name || !*name) return -1;
    for (size_t i = 0; i < N; ++i)
        if (kx::text::equalNoCase(table[i].name, name)) return static_cast<int>(i);
    return -1;
}

template <size_t N>
const PropertyRow* rowById(const std::array<PropertyRow, N>& table, int id) {
    if (id == 0) return nullptr;
    for (const PropertyRow& row : table)
        if (row.id == id) return &row;
    return nullptr;
}

template <size_t N>
const PropertyRow* rowByName(const std::array<PropertyRow, N>& table, const char* name) {
    int i = indexByName(table, name);
    return i < 0 ? nullptr : &table[static_cast<size_t>(i)];
}

}  // namespace

namespace kx::model {

int objectPropertyId(const char* name) {
    const PropertyRow* row = rowByName(kObjectProperties, name);
    return row ? row->id : 0;
}

int objectPropertyTypeOf(int id) {
    const PropertyRow* row = rowById(kObjectProperties, id);
    return row ? row->type : 0;
}

}  // namespace kx::model

int GetObjectPropertyIndex(const char* name) { return indexByName(kObjectProperties, name); }
int GetScenePropertyIndex(const char* name) { return indexByName(kSceneProperties, name); }
int GetObjectPropertyTypeId(const char* name) { return kx::model::objectPropertyId(name); }

int GetObjectPropertyType(const char* name) {
    const PropertyRow* row = rowByName(kObjectProperties, name);
    return row ? row->type : 0;
}

int GetObjectPropertyType(int id) { return kx::model::objectPropertyTypeOf(id); }

int GetScenePropertyType(const char* name) {
    const PropertyRow* row = rowByName(kSceneProperties, name);
    return row ? row->type : 0;
}

int GetScenePropertyType(int id) {
    const PropertyRow* row = rowById(kSceneProperties, id);
    return row ? row->type : 0;
}

const char* GetObjectPropertyTypeName(int id) {
    const PropertyRow* row = rowById(kObjectProperties, id);
    return row ? row->name : nullptr;
}

const char* GetScenePropertyTypeName(int id) {
    const PropertyRow* row = rowById(kSceneProperties, id);
    return row ? row->name : nullptr;
}

int GetObjectPropertyExtra(const char* name) {
    const PropertyRow* row = rowByName(kObjectProperties, name);
    return row ? row->freeText : 0;
}
