// The property tables: names, ids and value types shared by files, plug-ins and scripts.
#include <array>
#include <string_view>

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
constexpr std::array<PropertyRow, 72> kObjectProperties = {{
    {KX_PROP_SIZE, "Size", KX_VALUE_POINT, 0},
    {KX_PROP_EXTRA, "Extra", KX_VALUE_POINT, 0},
    {KX_PROP_SCALE, "Scale", KX_VALUE_POINT, 0},
    {KX_PROP_ROTATE, "Rotate", KX_VALUE_POINT, 0},
    {KX_PROP_TRANSLATE, "Translate", KX_VALUE_POINT, 0},
    {KX_PROP_TRANSLATE, "Position", KX_VALUE_POINT, 0},
    {KX_PROP_LOOKAT, "LookAt", KX_VALUE_POINT, 0},
    {KX_PROP_UP, "Up", KX_VALUE_POINT, 0},
    {KX_PROP_DIRECTION, "Direction", KX_VALUE_POINT, 0},
    {KX_PROP_RIGHT, "Right", KX_VALUE_POINT, 0},
    {KX_PROP_TYPE, "Type", KX_VALUE_INTEGER, 0},
    {KX_PROP_GROUPID, "GroupId", KX_VALUE_INTEGER, 0},
    {KX_PROP_SELECT, "Select", KX_VALUE_INTEGER, 0},
    {KX_PROP_RGBCOLOR, "RgbColor", KX_VALUE_INTEGER, 0},
    {KX_PROP_CSGTYPE, "CsgType", KX_VALUE_INTEGER, 0},
    {KX_PROP_MATERIALTYPE, "MaterialType", KX_VALUE_INTEGER, 0},
    {KX_PROP_LIGHTTYPE, "LightType", KX_VALUE_INTEGER, 0},
    {KX_PROP_LIGHTTIGHTNESS, "LightTightness", KX_VALUE_FLOAT, 0},
    {KX_PROP_LIGHTADAPTIVE, "LightAdaptive", KX_VALUE_FLOAT, 0},
    {KX_PROP_LIGHTJITTER, "LightJitter", KX_VALUE_FLOAT, 0},
    {KX_PROP_LIGHTFALLOFF, "LightFalloff", KX_VALUE_FLOAT, 0},
    {KX_PROP_LIGHTRADIUS, "LightRadius", KX_VALUE_FLOAT, 0},
    {KX_PROP_LIGHTVALUES, "LightValues", KX_VALUE_FLOATARRAY, 0},
    {KX_PROP_VISIBLE, "Visible", KX_VALUE_INTEGER, 0},
    {KX_PROP_SMOOTH, "Smooth", KX_VALUE_INTEGER, 0},
    {KX_PROP_UVMAP, "UvMap", KX_VALUE_INTEGER, 0},
    {KX_PROP_TINDEX, "Tindex", KX_VALUE_INTEGER, 0},
    {KX_PROP_ANIMATED, "Animated", KX_VALUE_INTEGER, 0},
    {KX_PROP_BOUND, "Bound", KX_VALUE_INTEGER, 0},
    {KX_PROP_NOEXPORT, "Noexport", KX_VALUE_INTEGER, 0},
    {KX_PROP_NOOBJECT, "Noobject", KX_VALUE_INTEGER, 0},
    {KX_PROP_NAME, "Name", KX_VALUE_STRING, 0},
    {KX_PROP_MATERIAL, "Material", KX_VALUE_STRING, 0},
    {KX_PROP_PLUGIN, "Plugin", KX_VALUE_STRING, 0},
    {KX_PROP_TEXTSTRING, "TextString", KX_VALUE_STRING, 0},
    {KX_PROP_TEXTFONT, "TextFont", KX_VALUE_STRING, 0},
    {KX_PROP_TEXTSTYLE, "TextStyle", KX_VALUE_STRING, 0},
    {KX_PROP_HEIGHTFIELDFILE, "HeightfieldFile", KX_VALUE_STRING, 0},
    {KX_PROP_IMAGEMAP, "ImageMap", KX_VALUE_STRING, 0},
    {KX_PROP_COLOR, "Color", KX_VALUE_STRING, 0},
    {KX_PROP_TEXTURE, "Texture", KX_VALUE_STRING, 0},
    {KX_PROP_COMMENT, "Comment", KX_VALUE_STRING, 1},
    {KX_PROP_ALICEINLINE, "AliceInline", KX_VALUE_STRING, 1},
    {KX_PROP_VRMLANCHOR, "VrmlAnchor", KX_VALUE_STRING, 1},
    {KX_PROP_VRMLINLINE, "VrmlInline", KX_VALUE_STRING, 1},
    {KX_PROP_USERINLINE, "UserInline", KX_VALUE_STRING, 1},
    {KX_PROP_USERDATA, "UserData", KX_VALUE_STRING, 1},
    {KX_PROP_USEROBJECT, "UserObject", KX_VALUE_STRING, 1},
    {KX_PROP_LIGHTLOOKSLIKE, "LightLooksLike", KX_VALUE_STRING, 1},
    {KX_PROP_PATCHDATA, "PatchData", KX_VALUE_POINTSARRAY, 0},
    {KX_PROP_BOUNDINGBOX, "BoundingBox", KX_VALUE_POINTSARRAY, 0},
    {KX_PROP_EXPONENTS, "Exponents", KX_VALUE_FLOATARRAY, 0},
    {KX_PROP_SPLINETYPE, "SplineType", KX_VALUE_INTEGER, 0},
    {KX_PROP_PROFILE, "Profile", KX_VALUE_POINTSARRAY, 0},
    {KX_PROP_RADII, "Radii", KX_VALUE_FLOATARRAY, 0},
    {KX_PROP_SWEEPHEIGHTS, "SweepHeights", KX_VALUE_FLOATARRAY, 0},
    {KX_PROP_CONIC, "Conic", KX_VALUE_INTEGER, 0},
    {KX_PROP_FUNCTION, "Function", KX_VALUE_STRING, 1},
    {KX_PROP_CONTAINER, "Container", KX_VALUE_INTEGER, 0},
    {KX_PROP_THRESHOLD, "Threshold", KX_VALUE_FLOAT, 0},
    {KX_PROP_ACCURACY, "Accuracy", KX_VALUE_FLOAT, 0},
    {KX_PROP_MAXGRADIENT, "MaxGradient", KX_VALUE_FLOAT, 0},
    {KX_PROP_JULIAPARAMETER, "JuliaParameter", KX_VALUE_FLOATARRAY, 0},
    {KX_PROP_ITERATIONS, "Iterations", KX_VALUE_INTEGER, 0},
    {KX_PROP_PRECISION, "Precision", KX_VALUE_FLOAT, 0},
    {KX_PROP_SLICE, "Slice", KX_VALUE_FLOATARRAY, 0},
    {KX_PROP_PHOTONS, "Photons", KX_VALUE_INTEGER, 0},
    {KX_PROP_INTERIORMEDIA, "InteriorMedia", KX_VALUE_FLOATARRAY, 0},
    {KX_PROP_LIGHTOPTIONS, "LightOptions", KX_VALUE_INTEGER, 0},
    {KX_PROP_LIGHTFADE, "LightFade", KX_VALUE_FLOATARRAY, 0},
    {KX_PROP_INVERSE, "Inverse", KX_VALUE_INTEGER, 0},
    {0, "", KX_VALUE_UNKNOWN, 0},
}};

// The flag properties are the object flags, in bit order.
constexpr bool flagPropertiesAgree() {
    int id = KX_PROP_VISIBLE;
    for (const KxObjectFlag& flag : KX_OBJECT_FLAGS) {
        bool same = false;
        for (const PropertyRow& row : kObjectProperties)
            if (row.id == id) {
                same = std::string_view(row.name) == flag.name;
                break;
            }
        if (!same) return false;
        ++id;
    }
    return id - 1 == KX_PROP_NOOBJECT;
}
static_assert(flagPropertiesAgree(), "flag property names and ids follow the object flag table");

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

constexpr char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool sameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

// No two rows share a name in any letter case, so a name that is a row's own
// text can only match that row.
template <size_t N>
constexpr bool namesDistinct(const std::array<PropertyRow, N>& table) {
    for (size_t i = 0; i < N; ++i)
        for (size_t j = i + 1; j < N; ++j)
            if (sameNoCase(table[i].name, table[j].name)) return false;
    return true;
}
static_assert(namesDistinct(kObjectProperties) && namesDistinct(kSceneProperties),
              "property names are unique without regard to case");

template <size_t N>
int indexByName(const std::array<PropertyRow, N>& table, const char* name) {
    if (!name || !*name) return -1;
    // Callers mostly pass the table's own text (GetObjectPropertyTypeName),
    // which plug-in and script property calls make a million times over.
    for (size_t i = 0; i < N; ++i)
        if (table[i].name == name) return static_cast<int>(i);
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
namespace {

// The renderer's scene settings follow the table as text properties, with
// ids from kFirstSettingId in the settings' order.
constexpr int kFirstSettingId = 1101;

int settingIndex(const char* name) {
    for (unsigned i = 0; const char* setting = GetSceneSettingName(i); ++i)
        if (name && kx::text::equalNoCase(setting, name)) return static_cast<int>(i);
    return -1;
}

const char* settingNameOf(int id) {
    return id >= kFirstSettingId ? GetSceneSettingName(static_cast<unsigned>(id - kFirstSettingId)) : nullptr;
}

}  // namespace

int GetScenePropertyIndex(const char* name) {
    const int i = indexByName(kSceneProperties, name);
    if (i >= 0) return i;
    const int setting = settingIndex(name);
    return setting < 0 ? -1 : static_cast<int>(kSceneProperties.size()) + setting;
}
int GetObjectPropertyTypeId(const char* name) { return kx::model::objectPropertyId(name); }

int GetObjectPropertyType(const char* name) {
    const PropertyRow* row = rowByName(kObjectProperties, name);
    return row ? row->type : 0;
}

int GetObjectPropertyType(int id) { return kx::model::objectPropertyTypeOf(id); }

int GetScenePropertyType(const char* name) {
    const PropertyRow* row = rowByName(kSceneProperties, name);
    if (row) return row->type;
    return settingIndex(name) >= 0 ? static_cast<int>(KX_VALUE_STRING) : 0;
}

int GetScenePropertyType(int id) {
    const PropertyRow* row = rowById(kSceneProperties, id);
    if (row) return row->type;
    return settingNameOf(id) ? static_cast<int>(KX_VALUE_STRING) : 0;
}

const char* GetObjectPropertyTypeName(int id) {
    const PropertyRow* row = rowById(kObjectProperties, id);
    return row ? row->name : nullptr;
}

const char* GetScenePropertyTypeName(int id) {
    const PropertyRow* row = rowById(kSceneProperties, id);
    return row ? row->name : settingNameOf(id);
}

int GetObjectPropertyExtra(const char* name) {
    const PropertyRow* row = rowByName(kObjectProperties, name);
    return row ? row->freeText : 0;
}
