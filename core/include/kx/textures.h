// The scene's texture list (filled by the program from its texture database),
// the named colours, colours encoded as names ("Rgb.r.g.b"), and giving
// objects a colour or a texture by name.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kx/api.h"
#include "kx/types.h"

// One record of the texture list. Records are allocated zeroed by AddTexture
// and freed by ClearTexture; the core reads only name, kind, used and colour.
struct TextureInfo {
    TextureInfo* next;
    char name[32];           // what objects store as their material name
    char shortText1[16];     // copied from the program's database record
    char shortText2[16];
    int32_t kind;            // 1 colour, 2 texture; bit 4 marks a user texture
    int32_t word1;           // copied from the database record
    int32_t word2;
    int32_t used;            // set once a user texture was written in this export
    unsigned char colour[3]; // red, green, blue
    Point3d points[6];       // texture parameters, copied with the record
    char* text;              // owned text block (malloc'ed), freed with the record
    uint32_t reserved1;
    uint32_t reserved2;
};

static_assert(offsetof(TextureInfo, name) == 8 && offsetof(TextureInfo, kind) == 72);
static_assert(offsetof(TextureInfo, used) == 84 && offsetof(TextureInfo, colour) == 88);
static_assert(offsetof(TextureInfo, points) == 92 && offsetof(TextureInfo, text) == 168);
static_assert(sizeof(TextureInfo) == 184);

// Kind bits of a texture record.
enum : int32_t {
    KX_TEXTURE_COLOUR = 1,
    KX_TEXTURE_TEXTURE = 2,
    KX_TEXTURE_USER = 4,
};

// --- the list ---
// The record after prev; with null, the head.
KXCORE_API TextureInfo* GetTexture(TextureInfo* prev);
// Sets the head; null empties the list without freeing it. Returns 1.
KXCORE_API int SetFirstTexture(TextureInfo* first);
// A zeroed record linked after prev when prev is given (the caller sets the
// head for the first one); "Error allocating texture linked-list element"
// and null when memory runs out.
KXCORE_API TextureInfo* AddTexture(TextureInfo* prev);
// Appends a copy of info (without its text block) unless a record of that
// name, in any letter case, is listed; an empty list gets it as its head.
// Returns 0.
KXCORE_API int AddCustomTexture(TextureInfo* info);
// Frees first and every record after it, each with its text block; the list
// no longer reaches them (the head, or the record before first, is cut).
KXCORE_API int ClearTexture(TextureInfo* first);
// Every record of that name (any case) becomes "None" of kind 0. Returns 1.
KXCORE_API int DeleteTexture(const char* name);
KXCORE_API unsigned GetTextureNameCount(const char* name);
KXCORE_API unsigned GetCustomTextureCount();
// A negative n adds 1; any other value is stored.
KXCORE_API void SetCustomTextureCount(int n);

// --- lookups ---
// The list record of the name (an encoded colour, a layered name by its first
// layer, a user texture or a named colour fill one static record instead);
// null when the name is found nowhere.
KXCORE_API TextureInfo* GetTextureInfoByName(const char* name);
// The packed colour (0x00BBGGRR) of that record; 0xffffff when none.
KXCORE_API unsigned long GetTextureColorByName(const char* name);
// The record's kind; 0 when none.
KXCORE_API unsigned GetTextureTypeByName(const char* name);
// 1 the first time a user texture is asked for in an export, 0 afterwards
// until ClearTextureUsed; 0 for names that are no user texture.
KXCORE_API int IsUserTexture(const char* name);
// Clears the used marks of the list and of the user texture list. Returns 1.
KXCORE_API int ClearTextureUsed();

// --- colours ---
// Names the object after its colour (a named colour, else "Rgb.r.g.b"), kind 1,
// RgbColor packed. Each channel is first brought into 0..255 (values read as
// signed: negative ones give 0), so name and colour always agree. 0 for null.
KXCORE_API int SetEncodedRgb(CadObject* obj, unsigned r, unsigned g, unsigned b);
// Decodes "Rgb.r.g.b" (case matters; no range check). 1 when the name is one.
KXCORE_API int GetEncodedRgb(const char* name, unsigned* r, unsigned* g, unsigned* b);
// Material name and kind, RgbColor from GetTextureColorByName, Tindex cleared.
// 1, or 0 for a null object.
KXCORE_API int SetObjectTextureEx(CadObject* obj, unsigned kind, const char* name);

// --- small routines of the texture dialogs ---
// "Error out of memory" and null when memory runs out.
KXCORE_API char* AllocTexMem(unsigned size);
// 1024 bytes holding an empty text; "Out of memory in texture string" and null.
KXCORE_API char* AllocTexString();
KXCORE_API int FreeTexMem(char* p);
// value x 10 truncated toward zero (within the int range; NaN gives 0).
KXCORE_API int DoubleToRange(double value);
KXCORE_API double RangeToDouble(int value);
// "%g" of the value in a buffer valid until the next call.
KXCORE_API char* DoubleToString(double value);
