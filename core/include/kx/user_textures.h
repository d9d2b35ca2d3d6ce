// User textures: composed from the building blocks a renderer's texture
// definition file offers (the element tree), kept in the database "USER.TEX"
// with its index "USER.IDX" in the program's data folder, held in a small
// in-memory list while a scene carries them, and written out for a renderer.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "kx/api.h"
#include "kx/stdfile.h"
#include "kx/textures.h"
#include "kx/types.h"

// --- the element tree ---

// Element kinds: a group, or the letter of a leaf's value kind.
enum : int32_t {
    KX_TEXITEM_PLACEHOLDER = 0,  // the empty element every sibling list begins with
    KX_TEXITEM_GROUP = 1,
    // The leaves, by the letter the texture definition file gives them.
    KX_TEXITEM_SWITCH = 'B',       // an integer, on or off
    KX_TEXITEM_COLOUR = 'C',       // one colour
    KX_TEXITEM_REAL = 'D',         // a double
    KX_TEXITEM_FILE = 'F',         // a file name
    KX_TEXITEM_THREE_COLOURS = 'H',
    KX_TEXITEM_INTEGER = 'I',
    KX_TEXITEM_CHOICE = 'L',       // an integer choosing an option text
    KX_TEXITEM_TEXT = 'M',
    KX_TEXITEM_OPTION = 'O',       // an integer
    KX_TEXITEM_POINT = 'P',
    KX_TEXITEM_STRING = 'S',
    KX_TEXITEM_TWO_COLOURS = 'T',
};

// Room of the texts of an element and a user texture.
enum : unsigned {
    KX_TEXNAME_SIZE = 32,
    KX_TEXTEXT_SIZE = 1024,
    KX_TEXOPT_MAX = 16,
    KX_TEXXREF_MAX = 64,
    KX_TEXLIST_ITEMS_MAX = 10,
};

// The value of a leaf; which member counts follows from the element's letter.
union TexValue {
    float colour[3][4];  // C one, T two, H three colours: red, green, blue, filter
    float point[3];      // P
    int32_t integer;     // B, I, L, O
    double real;         // D
};

struct TexItem {
    TexItem* next;
    TexItem* children;           // groups only; begins with a placeholder
    int32_t type;                // a letter, KX_TEXITEM_GROUP or KX_TEXITEM_PLACEHOLDER
    char name[KX_TEXNAME_SIZE];  // "*..." is never written in an export
    char syntax[KX_TEXNAME_SIZE];  // for L: the option id
    TexValue value;
    char* text;                  // owned, KX_TEXTEXT_SIZE bytes (file names, texts, typed colours)
    int32_t set;                 // the current texture gives this element a value
};

static_assert(offsetof(TexItem, type) == 16 && offsetof(TexItem, name) == 20);
static_assert(offsetof(TexItem, syntax) == 52 && offsetof(TexItem, value) == 88);
static_assert(offsetof(TexItem, text) == 136 && offsetof(TexItem, set) == 144 && sizeof(TexItem) == 152);

// One option of a lookup (L) element: the text written for a value.
struct ItemOpt {
    int32_t id;
    int32_t value;
    char text[KX_TEXNAME_SIZE];  // "label:word": the word after the colon is written
};

static_assert(sizeof(ItemOpt) == 40 && offsetof(ItemOpt, text) == 8);

// A copy of one set element's value, kept while a texture sits in the memory list.
struct TexItemValue {
    TexItem* item;
    int32_t type;
    char name[KX_TEXNAME_SIZE];
    char syntax[KX_TEXNAME_SIZE];
    TexValue value;
    char text[KX_TEXTEXT_SIZE];
};

static_assert(offsetof(TexItemValue, value) == 80 && offsetof(TexItemValue, text) == 128);
static_assert(sizeof(TexItemValue) == 1152);

// The current user texture (one static record), also a memory list entry.
struct CustomTexure {
    char name[KX_TEXNAME_SIZE];
    char parent[KX_TEXNAME_SIZE];
    char previewName[KX_TEXNAME_SIZE];
    char freeForm[KX_TEXTEXT_SIZE];
    uint32_t colour;      // packed, red in the low byte
    uint32_t itemCount;   // memory list: snapshots in items
    TexItemValue* items;  // memory list: the set elements' values (owned)
    int32_t used;         // memory list: already written in this export
    int32_t reserved;
};

static_assert(offsetof(CustomTexure, freeForm) == 96 && offsetof(CustomTexure, colour) == 1120);
static_assert(offsetof(CustomTexure, items) == 1128 && sizeof(CustomTexure) == 1144);

// One 76-byte record of "USER.IDX" (little-endian on disk, as in memory here).
struct UserDbIndex {
    uint32_t offset;  // where the record's "usertex" keyword starts in USER.TEX
    uint32_t inUse;   // 1; a deleted entry is all zeros
    uint32_t colour;  // packed
    char name[KX_TEXNAME_SIZE];         // zero-terminated when shorter than 32
    char previewName[KX_TEXNAME_SIZE];
};

static_assert(sizeof(UserDbIndex) == 76 && offsetof(UserDbIndex, name) == 12);
static_assert(offsetof(UserDbIndex, previewName) == 44);
static_assert(std::endian::native == std::endian::little, "USER.IDX is read and written as in memory");

// The 16-byte header of "USER.IDX".
constexpr uint32_t KX_USERIDX_MAGIC = 0xC0DE5AFEu;
constexpr unsigned KX_USERIDX_HEADER_SIZE = 16;

struct RgbF {
    float red, green, blue;
};

// Export flags: any non-zero value leaves out the "texture {" ... "}" around
// the body, for callers that place the body themselves.
using TEX_EXPORT_FLAGS = unsigned;
enum : unsigned {
    TEX_EXPORT_TEXTURE = 0,  // a whole texture declaration
    TEX_EXPORT_SKY = 1,      // the body of a sky pigment
    TEX_EXPORT_INLINE = 2,   // the body only, for formats that write materials in place (VRML)
};

// Loads the named definition file (a bare name is taken from the program's
// data folder) after emptying the memory list. 0 when it cannot be loaded.
KXCORE_API int InitTextureBuiler(const char* fileName);
// Replaces the element tree, options and cross references with the file's
// sections "texture_options", "texture_syntax" and "texture_xref" and clears
// the current texture. A path holding "$" loads nothing (1). 0 when the file
// cannot be opened ("Texture Definition") or a section is missing or damaged;
// the tree is then empty.
KXCORE_API int BuildTexList(const char* path);
// Frees the cross references, the memory list and the element tree. Returns 1.
KXCORE_API int ExitTextureBuiler();
// The first element (the top list's placeholder); null without a tree.
KXCORE_API TexItem* FindFirstTexItem();
// A cross-reference short name (any case), else a "/"-separated path matched
// level by level in any case; null when nothing matches.
KXCORE_API TexItem* FindTexItem(char* name);
// Index of the first option with that id; -1 when none.
KXCORE_API int GetTexOptOffset(int id);
// The option entry; null for index 16 or more.
KXCORE_API ItemOpt* GetTexOpt(unsigned index);
// Clears every element's value, text and set mark. Returns 1.
KXCORE_API int InitCustomTexture();
// Marks each group that holds a set element somewhere below it. Returns 1.
KXCORE_API int ResetSetCustomTextureUsage();

// --- the database ---

// USER.IDX opened for reading after its header; null when USER.TEX does not
// exist or the index is damaged (it is then rebuilt for the next call).
KXCORE_API StandardFile* OpenDbIndex();
// Offset of the named record in USER.TEX (any case); 0 when not found.
KXCORE_API long GetUserDbIndex(const char* name);
// Appends an index record (USER.IDX is created when missing). 1 when all 76
// bytes were written.
KXCORE_API int AddDbIndex(long offset, CustomTexure* texture);
// Overwrites the named index record with zeros. 1 when done.
KXCORE_API int DeleteDbIndex(const char* name);
// Reads the next record; 1 when all 76 bytes were read.
KXCORE_API int GetNextIndex(StandardFile* f, UserDbIndex* record);
// Writes USER.IDX anew from USER.TEX. 1 when done or when there is no USER.TEX.
KXCORE_API int RebuildUserTexDbIndex();
// Keeps a copy in "USER.BAK", then rewrites USER.TEX with only the live,
// complete records and rebuilds the index. 0 when anything fails; USER.TEX
// is then as it was.
KXCORE_API int CompactUserTexDb();

// Adds the current texture to the database under name. A name already there
// is refused with a message, leaving both files as they were (result 1).
KXCORE_API int SaveCustomTexture(const char* name);
// Writes the current texture as one record ("usertex" to "end"); 0 when name
// is not the current texture's name.
KXCORE_API int SaveCustomTextureEx(StandardFile* f, const char* name, int withPreview);
// Makes the named texture current: the memory list first, then the database.
KXCORE_API int LoadCustomTexture(const char* name);
// Reads a record's body (after its name) into the current texture; 1 when
// its "end" was reached.
KXCORE_API int LoadCustomTextureEx(StandardFile* f, const char* name);
// Marks the record deleted ("$sertex") and removes it from the index.
KXCORE_API int DeleteCustomTexture(const char* name);
// The current texture; with clear non-zero its name, parent, preview name,
// free-form text and colour are emptied first.
KXCORE_API CustomTexure* GetCustomTexture(int clear);
// The current texture's elements in the renderer's syntax, CR LF line ends,
// into buffer (1024 bytes). 0, with an empty buffer, when it does not fit.
KXCORE_API int WriteCustomTexture(char* buffer, unsigned format);
// Writes the current texture as a declaration named name for the format
// (a file-type id). A name that is no identifier (letters, digits, "_") is
// left out of the file (0).
KXCORE_API int ExportCustomTexture(StandardFile* f, const char* name, unsigned format, TEX_EXPORT_FLAGS flags);

// --- the memory list ---
KXCORE_API int InitCustomTexList(unsigned capacity);
KXCORE_API int DestroyCustomTexList();
// Copies the current texture into the list under name (an entry of that name
// is replaced). A name in the database is not added (1).
KXCORE_API int AddCustomTexToList(const char* name);
// Makes the listed texture current. 0 when it is not listed.
KXCORE_API int GetCustomTexFromList(const char* name);
// For a listed texture: colour, kind 6 and first word 0 into info; 1 then.
KXCORE_API int GetCustomTexListInfo(const char* name, TextureInfo* info);
// 1 when the name is listed and not yet marked used in this export (it is
// marked then); 0 otherwise.
KXCORE_API int GetCustomTexListState(const char* name);
KXCORE_API int ClearCustomTexListUsed();
KXCORE_API unsigned GetCustomTexListCount();
// The entry's name; null past the end.
KXCORE_API char* GetCustomTexListName(unsigned index);
// Each byte of the packed colour x 1/256. 0 for a null output.
KXCORE_API int ColorToRgb(unsigned long packed, RgbF* rgb);
