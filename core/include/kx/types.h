// The plain records shared between the core library, the program and the
// other libraries. Field order and sizes are part of the binary interface.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kxplatform/handles.h"

// A stored point: single precision everywhere in the scene.
struct Point3d {
    float x;
    float y;
    float z;
};

// One node of a singly linked point list: a point, a segment or a polygon of
// up to 8 vertices. normals is null when the node carries none.
struct ListEntry {
    ListEntry* next;
    Point3d* points;
    Point3d* normals;
    uint32_t count;
};

// One triangle with a normal per corner; nine zero normals mean "no normals".
struct TriPolygon {
    Point3d vertex[3];
    Point3d normal[3];
};

// Value types of properties and extra fields.
enum : uint32_t {
    KX_VALUE_UNKNOWN = 0,
    KX_VALUE_STRING = 1,
    KX_VALUE_FLOAT = 2,
    KX_VALUE_INTEGER = 3,
    KX_VALUE_POINT = 4,
    KX_VALUE_FLOATARRAY = 5,
    KX_VALUE_INTEGERARRAY = 6,
    KX_VALUE_POINTSARRAY = 7,
};

// One typed value of an object's extra block, keyed by property id.
struct ExtraField {
    uint32_t type;
    uint32_t id;
    uint32_t count;
    alignas(double) unsigned char value[1024];
};

// The extra block: a count followed by that many ExtraField entries in one
// allocation. Use ExtraBlockFields() to reach the entries.
struct ExtraBlock {
    uint32_t count;
    uint32_t reserved;
};

inline ExtraField* ExtraBlockFields(ExtraBlock* block) {
    return reinterpret_cast<ExtraField*>(block + 1);
}

// Object type ids.
enum : uint32_t {
    KX_NULL = 0,
    KX_GROUP = 1,
    KX_NOTOBJECT = 2,
    KX_POINTS = 8,
    KX_LINESEG = 9,
    KX_POLYGON = 10,
    KX_LIGHT = 11,
    KX_CAMERA = 12,
    KX_SPHERE = 13,
    KX_PLANE = 14,
    KX_DISC = 15,
    KX_CYLINDER = 16,
    KX_CONE = 17,
    KX_ELLIPSOID = 18,
    KX_TORUS = 19,
    KX_BOX = 20,
    KX_HEIGHTFIELD = 21,
    KX_BLOB = 22,
    KX_PATCH = 23,
    KX_TEXT = 24,
    KX_USERDEFINED = 25,
    // The renderer's own shapes, each written as the exact object and drawn
    // in the views as a proxy mesh made from the same parameters.
    KX_SUPERELLIPSOID = 26,
    KX_LATHE = 27,
    KX_SOR = 28,
    KX_PRISM = 29,
    KX_SPHERESWEEP = 30,
    KX_ISOSURFACE = 31,
    KX_JULIA = 32,
    KX_TYPE_COUNT = 33,
};

// True for the renderer's own shapes (superellipsoid to julia fractal).
inline constexpr bool KxIsRendererShape(uint32_t type) { return type >= KX_SUPERELLIPSOID && type <= KX_JULIA; }

// The object types, once for every reader, a row an id in id order: the name
// of the type's blocks in the scene format (null: it has none), the label new
// objects of the type are named after, and the name scripts and plug-ins give
// the type (null: they have none).
struct KxObjectType {
    uint32_t id;
    const char* nativeName;
    const char* label;
    const char* pluginName;
};
inline constexpr KxObjectType KX_OBJECT_TYPES[KX_TYPE_COUNT] = {
    {KX_NULL, "Null", "_null", "Null"},
    {KX_GROUP, "Group", "_group", "Object_group"},
    {KX_NOTOBJECT, nullptr, "_null", "Object_scene"},
    {3, "Reserved1", "_null", nullptr},
    {4, "Reserved2", "_null", nullptr},
    {5, "Reserved3", "_null", nullptr},
    {6, "Reserved4", "_null", nullptr},
    {7, "Reserved5", "_null", nullptr},
    {KX_POINTS, "Points", "_points", "Point"},
    {KX_LINESEG, "Lineseg", "_lines", "Linesegment"},
    {KX_POLYGON, "Polygon", "_facets", "Polygon"},
    {KX_LIGHT, "Light", "_light", "Light"},
    {KX_CAMERA, "Camera", "_camera", "Camera"},
    {KX_SPHERE, "Sphere", "_sphere", "Sphere"},
    {KX_PLANE, "Plane", "_plane", "Plane"},
    {KX_DISC, "Disc", "_disc", "Disc"},
    {KX_CYLINDER, "Cylinder", "_cylinder", "Cylinder"},
    {KX_CONE, "Cone", "_cone", "Cone"},
    {KX_ELLIPSOID, "Ellipsoid", "_ellipse", "Ellipsoid"},
    {KX_TORUS, "Torus", "_torus", "Torus"},
    {KX_BOX, "Box", "_box", "Box"},
    {KX_HEIGHTFIELD, "Heightfield", "_heightfield", "Heightfield"},
    {KX_BLOB, "Blob", "_blob", "Blob"},
    {KX_PATCH, "Patch", "_patch", "Patch"},
    {KX_TEXT, "Text", "_text", "Text"},
    {KX_USERDEFINED, "Userdefined", "_userdefined", "Userdefined"},
    {KX_SUPERELLIPSOID, "Superellipsoid", "_superellipsoid", "Superellipsoid"},
    {KX_LATHE, "Lathe", "_lathe", "Lathe"},
    {KX_SOR, "Sor", "_sor", "Sor"},
    {KX_PRISM, "Prism", "_prism", "Prism"},
    {KX_SPHERESWEEP, "SphereSweep", "_spheresweep", "SphereSweep"},
    {KX_ISOSURFACE, "Isosurface", "_isosurface", "Isosurface"},
    {KX_JULIA, "JuliaFractal", "_julia", "JuliaFractal"},
};

// Object flag bits.
enum : uint32_t {
    KX_FLAG_VISIBLE = 0x002,
    KX_FLAG_SMOOTH = 0x004,
    KX_FLAG_UVMAP = 0x008,
    KX_FLAG_TINDEX = 0x010,
    KX_FLAG_ANIMATED = 0x020,
    KX_FLAG_BOUND = 0x040,
    KX_FLAG_NOEXPORT = 0x080,
    KX_FLAG_NOOBJECT = 0x100,
};

// Every object flag in bit order, with the name of its property (property ids
// follow the same order) and its letter in the legacy format's attrib record.
// Scene files keep only the flags with a letter, and only where a flag
// differs from its default: so the letter of "Visible" marks a hidden object.
struct KxObjectFlag {
    uint32_t flag;
    const char* name;
    char legacyLetter;  // 0: not kept in scene files
    bool defaultOn;
};
inline constexpr KxObjectFlag KX_OBJECT_FLAGS[] = {
    {KX_FLAG_VISIBLE, "Visible", 'H', true},    {KX_FLAG_SMOOTH, "Smooth", 'S', false},
    {KX_FLAG_UVMAP, "UvMap", 0, false},         {KX_FLAG_TINDEX, "Tindex", 0, false},
    {KX_FLAG_ANIMATED, "Animated", 0, false},   {KX_FLAG_BOUND, "Bound", 'B', false},
    {KX_FLAG_NOEXPORT, "Noexport", 'E', false}, {KX_FLAG_NOOBJECT, "Noobject", 'O', false},
};
// The flags scene files keep.
inline constexpr uint32_t KX_STORED_FLAGS = [] {
    uint32_t bits = 0;
    for (const KxObjectFlag& f : KX_OBJECT_FLAGS)
        if (f.legacyLetter) bits |= f.flag;
    return bits;
}();
// The stored flags of a new object.
inline constexpr uint32_t KX_DEFAULT_FLAGS = [] {
    uint32_t bits = 0;
    for (const KxObjectFlag& f : KX_OBJECT_FLAGS)
        if (f.defaultOn) bits |= f.flag;
    return bits;
}();

// One scene object.
struct CadObject {
    CadObject* next;
    CadObject* prev;
    CadObject* parent;
    CadObject* firstChild;
    CadObject* nextSibling;
    uint32_t type;
    uint32_t flags;
    char name[32];
    char material[32];
    uint32_t materialType;  // 0 none, 1 colour, 2 texture
    ExtraBlock* extra;
    Point3d size;
    Point3d extraPoint;     // for a group, x holds the CSG operation
    Point3d scale;
    Point3d rotate;         // degrees about x, y, z
    Point3d translate;
    ListEntry* points;
    uint32_t count;         // nodes of points, records of polygons
    TriPolygon* polygons;
    Point3d* uv;            // three entries per facet
    int selected;
    RECT rect;              // kept by the user interface
    uint32_t rgb;           // 0x00BBGGRR
    uint32_t groupId;
    Point3d boundMin;
    Point3d boundMax;
    int boundValid;
    uint32_t userData;      // owned by the plug-in host
    HTREEITEM treeItem;
    // Bookkeeping the core keeps beside its arrays: how many uv entries and
    // triangle records are really allocated, whatever count says.
    uint32_t uvCount;
    uint32_t polygonCount;
};

// Creation parameters of a primitive.
struct CadObjectInfo {
    uint32_t flags;
    Point3d size;
    Point3d extraPoint;
    Point3d scale;
    Point3d rotate;
    Point3d translate;
    char name[32];
    char material[32];
    uint32_t materialType;  // 1 colour, 2 texture
    ExtraBlock* extra;      // handed over to the created object
};

// The single scene.
struct CadScene {
    char name[260];
    char image[260];
    char description[260];
    char include[260];
    char renderPath[260];
    char renderInclude[260];
    char reserved[512];
    uint32_t backColor;  // 0x00BBGGRR, 0 = none
};

// A table of (id, label) pairs ending with the id 0xFFFFFFFF.
struct LookUp {
    uint32_t id;
    const char* label;
};

inline constexpr uint32_t KX_LOOKUP_END = 0xFFFFFFFFu;

static_assert(sizeof(Point3d) == 12);
static_assert(offsetof(ListEntry, count) == 24);
static_assert(sizeof(TriPolygon) == 72);
static_assert(offsetof(ExtraField, value) == 16 && sizeof(ExtraField) == 1040);
static_assert(sizeof(ExtraBlock) == 8 && alignof(ExtraField) == 8);
static_assert(offsetof(CadObject, type) == 40 && offsetof(CadObject, name) == 48);
static_assert(offsetof(CadObject, materialType) == 112 && offsetof(CadObject, extra) == 120);
static_assert(offsetof(CadObject, points) == 188 + 4 && offsetof(CadObject, treeItem) == 288);
static_assert(offsetof(CadScene, backColor) == 2072);
