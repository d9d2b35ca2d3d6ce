// Object and scene properties by name or id, and the extra fields of objects.
#pragma once

#include "kx/api.h"
#include "kx/types.h"

// Property ids that the core itself interprets.
enum : int {
    KX_PROP_SIZE = 1,
    KX_PROP_EXTRA = 2,
    KX_PROP_SCALE = 3,
    KX_PROP_ROTATE = 4,
    KX_PROP_TRANSLATE = 5,
    KX_PROP_LOOKAT = 6,
    KX_PROP_UP = 7,
    KX_PROP_DIRECTION = 8,
    KX_PROP_RIGHT = 9,
    KX_PROP_TYPE = 101,
    KX_PROP_FLAGS = 102,
    KX_PROP_GROUPID = 103,
    KX_PROP_SELECT = 104,
    KX_PROP_RGBCOLOR = 105,
    KX_PROP_CSGTYPE = 106,
    KX_PROP_MATERIALTYPE = 107,
    KX_PROP_LIGHTTYPE = 110,
    KX_PROP_LIGHTTIGHTNESS = 111,
    KX_PROP_LIGHTADAPTIVE = 112,
    KX_PROP_LIGHTJITTER = 113,
    KX_PROP_LIGHTFALLOFF = 114,
    KX_PROP_LIGHTRADIUS = 115,
    KX_PROP_LIGHTVALUES = 116,
    KX_PROP_VISIBLE = 121,
    KX_PROP_SMOOTH = 122,
    KX_PROP_UVMAP = 123,
    KX_PROP_TINDEX = 124,
    KX_PROP_ANIMATED = 125,
    KX_PROP_BOUND = 126,
    KX_PROP_NOEXPORT = 127,
    KX_PROP_NOOBJECT = 128,
    KX_PROP_NAME = 201,
    KX_PROP_MATERIAL = 202,
    KX_PROP_PLUGIN = 203,
    KX_PROP_TEXTSTRING = 204,
    KX_PROP_TEXTFONT = 205,
    KX_PROP_TEXTSTYLE = 206,
    KX_PROP_COLOR = 210,
    KX_PROP_TEXTURE = 211,
    KX_PROP_COMMENT = 301,
    KX_PROP_VRMLANCHOR = 302,
    KX_PROP_VRMLINLINE = 303,
    KX_PROP_USERINLINE = 304,
    KX_PROP_USERDATA = 305,
    KX_PROP_ALICEINLINE = 306,
    KX_PROP_USEROBJECT = 308,
    KX_PROP_HEIGHTFIELDFILE = 309,
    KX_PROP_LIGHTLOOKSLIKE = 310,
    KX_PROP_IMAGEMAP = 311,        // a mesh with uvs: the picture its surface is painted with
    KX_PROP_PATCHDATA = 400,
    KX_PROP_BOUNDINGBOX = 401,
    // The renderer's own shapes.
    KX_PROP_EXPONENTS = 501,       // superellipsoid: e (east-west), n (north-south)
    KX_PROP_SPLINETYPE = 502,      // lathe, prism: linear, quadratic, cubic, bezier; sweep: linear, b, cubic
    KX_PROP_PROFILE = 503,         // lathe, sor: <r, h>; prism: <x, z>; sweep: sphere centres
    KX_PROP_RADII = 504,           // sweep: a radius per centre
    KX_PROP_SWEEPHEIGHTS = 505,    // prism: the two heights
    KX_PROP_CONIC = 506,           // prism: 1 for a conic sweep
    KX_PROP_FUNCTION = 507,        // isosurface: the function text
    KX_PROP_CONTAINER = 508,       // isosurface: 0 box (-size..size), 1 sphere (radius size.x)
    KX_PROP_THRESHOLD = 509,
    KX_PROP_ACCURACY = 510,
    KX_PROP_MAXGRADIENT = 511,
    KX_PROP_JULIAPARAMETER = 512,  // julia: the 4D constant
    KX_PROP_ITERATIONS = 513,
    KX_PROP_PRECISION = 514,
    KX_PROP_SLICE = 515,           // julia: the slice's 4D normal and distance
    KX_PROP_PHOTONS = 520,         // any object: KX_PHOTONS_* bits
    KX_PROP_INTERIORMEDIA = 521,   // any solid: kind (0 absorbing, 1 emitting, 2 scattering), r, g, b
    KX_PROP_LIGHTOPTIONS = 522,    // a light: KX_LIGHT_* bits
    KX_PROP_LIGHTFADE = 523,       // a light: the distance where it has its full strength, and the power of its fading
    KX_PROP_INVERSE = 524,         // any solid: 1 when turned inside out (its inside is everything outside it)
};

// The bits of an object's "Photons" field.
enum : unsigned {
    KX_PHOTONS_TARGET = 1,
    KX_PHOTONS_REFLECTION = 2,
    KX_PHOTONS_REFRACTION = 4,
};

// The bits of a light's "LightOptions" field.
enum : unsigned {
    KX_LIGHT_SHADOWLESS = 1,  // lights without casting shadows
    KX_LIGHT_CIRCULAR = 2,    // an area light: its samples lie on a disc, not a rectangle
    KX_LIGHT_ORIENT = 4,      // a circular area light: turned to face each point it lights
};

// Longest text of a string field (the value area keeps the terminator).
inline constexpr unsigned KX_EXTRA_TEXT_MAX = 1021;
// Most fields one object's extra block holds.
inline constexpr unsigned KX_EXTRA_FIELDS_MAX = 1000;

// --- table lookups (names compared without regard to case) ---
KXCORE_API int GetObjectPropertyIndex(const char* name);
KXCORE_API int GetScenePropertyIndex(const char* name);
KXCORE_API int GetObjectPropertyTypeId(const char* name);
KXCORE_API int GetObjectPropertyType(const char* name);
KXCORE_API int GetObjectPropertyType(int id);
KXCORE_API int GetScenePropertyType(const char* name);
KXCORE_API int GetScenePropertyType(int id);
KXCORE_API const char* GetObjectPropertyTypeName(int id);
KXCORE_API const char* GetScenePropertyTypeName(int id);
KXCORE_API int GetObjectPropertyExtra(const char* name);

// --- readers: 1, or 0 for a null object or a property of another value type ---
// out must hold 32 bytes for "Name" and "Material".
KXCORE_API int GetCadObjectProperty(CadObject* obj, const char* name, char* out);
KXCORE_API int GetCadObjectProperty(CadObject* obj, const char* name, unsigned* out);
// out must hold two points for "BoundingBox"; *n receives how many were written.
KXCORE_API int GetCadObjectProperty(CadObject* obj, const char* name, Point3d* out, unsigned* n);

// --- writers ---
KXCORE_API int SetCadObjectProperty(CadObject* obj, int id, const char* text);
KXCORE_API int SetCadObjectProperty(CadObject* obj, const char* name, const char* text);
KXCORE_API int SetCadObjectProperty(CadObject* obj, int id, Point3d* p);
KXCORE_API int SetCadObjectProperty(CadObject* obj, const char* name, Point3d* p);
KXCORE_API int SetCadObjectProperty(CadObject* obj, const char* name, unsigned value);
KXCORE_API int SetCadObjectProperty(CadObject* obj, const char* name, double value);
KXCORE_API int SetCadObjectProperty(CadObject* obj, const char* name, double* values, int n);
KXCORE_API int SetCadObjectProperty(CadObject* obj, const char* name, int* values, int n);
KXCORE_API int SetCadObjectProperty(CadObject* obj, const char* name, Point3d* values, int n);
KXCORE_API int SetLightProperty(CadObject* light, unsigned id, unsigned ivalue, double fvalue);

// --- scene ---
KXCORE_API int SetSceneProperty(CadScene* scene, const char* name, unsigned value);
KXCORE_API int SetSceneProperty(CadScene* scene, const char* name, const char* text);

// --- extra fields ---
// Stores a value under id (replacing a field with that id in place). Fails
// with 0 and changes nothing when count does not fit the value area.
KXCORE_API int SetObjectExtra(CadObject* obj, unsigned type, unsigned id, unsigned count,
                              const void* data);
KXCORE_API int SetObjectExtraInfo(CadObjectInfo* info, unsigned type, unsigned id,
                                  unsigned count, const void* data);
KXCORE_API ExtraField* GetObjectExtraField(CadObject* obj, unsigned index);
KXCORE_API int SetObjectExtraField(CadObject* obj, unsigned index, ExtraField* field);
// Copies at most n values (never more than the field holds); a text is copied
// whole with its terminator, so out needs 1022 bytes for a text.
KXCORE_API int GetObjectExtra(CadObject* obj, unsigned id, unsigned n, void* out);
KXCORE_API int GetObjectExtraString(CadObject* obj, int id, char* out);
KXCORE_API int SetObjectExtraValues(CadObject* obj, int id, unsigned n, double* values);
KXCORE_API int GetObjectExtraValues(CadObject* obj, unsigned n, double* out);
KXCORE_API int SetObjectMaterial(CadObject* obj, const char* name, unsigned materialType);
KXCORE_API int ClearObjectTransformation(CadObject* obj, int alsoExtra);
// A text slot of 260 bytes allocated on first use; a null text frees it.
KXCORE_API int SetString(char*& slot, const char* text);
