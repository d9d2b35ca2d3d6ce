// The object type table: ids, the names of the native format and the legacy labels.
#include <array>

#include "model/model_internal.h"
#include "model/text.h"

namespace {

struct TypeName {
    int id;
    const char* name;
};

// In table order; type 2 has no name.
constexpr std::array<TypeName, 25> kTypeNames = {{
    {0, "Null"},        {1, "Group"},      {3, "Reserved1"}, {4, "Reserved2"},
    {5, "Reserved3"},   {6, "Reserved4"},  {7, "Reserved5"}, {8, "Points"},
    {9, "Lineseg"},     {10, "Polygon"},   {11, "Light"},    {12, "Camera"},
    {13, "Sphere"},     {14, "Plane"},     {15, "Disc"},     {16, "Cylinder"},
    {17, "Cone"},       {18, "Ellipsoid"}, {19, "Torus"},    {20, "Box"},
    {21, "Heightfield"}, {22, "Blob"},     {23, "Patch"},    {24, "Text"},
    {25, "Userdefined"},
}};

constexpr LookUp kTypeLabels[] = {
    {0, "_null"},       {1, "_group"},      {2, "_null"},        {3, "_null"},
    {4, "_null"},       {5, "_null"},       {6, "_null"},        {7, "_null"},
    {8, "_points"},     {9, "_lines"},      {10, "_facets"},     {11, "_light"},
    {12, "_camera"},    {13, "_sphere"},    {14, "_plane"},      {15, "_disc"},
    {16, "_cylinder"},  {17, "_cone"},      {18, "_ellipse"},    {19, "_torus"},
    {20, "_box"},       {21, "_heightfield"}, {22, "_blob"},     {23, "_patch"},
    {24, "_text"},      {25, "_userdefined"}, {KX_LOOKUP_END, nullptr},
};

}  // namespace

int GetObjectInfoIndex(const char* name) {
    if (!name) return -1;
    for (size_t i = 0; i < kTypeNames.size(); ++i)
        if (kx::text::equalNoCase(kTypeNames[i].name, name)) return static_cast<int>(i);
    return -1;
}

int GetObjectInfoType(const char* name) {
    int index = GetObjectInfoIndex(name);
    return index < 0 ? 0 : kTypeNames[static_cast<size_t>(index)].id;
}

const char* GetObjectTypeName(int id) {
    for (const TypeName& t : kTypeNames)
        if (t.id == id) return t.name;
    return nullptr;
}

char* GetObjectTypeLabel(unsigned id) {
    // Callers only read the label; the table itself is constant.
    return const_cast<char*>(GetLookUpLabel(id, kTypeLabels));
}

int IsObjectAtomic(CadObject* obj) {
    return (obj && obj->type >= KX_LIGHT && obj->type <= KX_TEXT) ? 1 : 0;
}

const char* GetDefaultObjectName(unsigned) { return "Unknown"; }
