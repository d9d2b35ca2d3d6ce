// What the user texture files share; not exported.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "core_state.h"
#include "files/numbers.h"

namespace kx::texture {

inline UserTextureState& userTextures() { return core().userTextures; }

constexpr const char* kUserTexFile = "USER.TEX";
constexpr const char* kUserIdxFile = "USER.IDX";
constexpr const char* kUserBakFile = "USER.BAK";

// A file of the program's data folder (the current folder when none is set).
std::string dataFile(const char* name);
bool fileExists(const std::string& path);

// --- the element tree ---
inline bool isLeaf(const TexItem* item) {
    return item->type != KX_TEXITEM_GROUP && item->type != KX_TEXITEM_PLACEHOLDER;
}
// What the value of an element letter is, for the database reader and writer
// and the exporter; ElementValue::None for letters that are no element kind.
enum class ElementValue { None, Integer, Real, Text, Point, Colours };
struct ElementKind {
    char letter;
    ElementValue value;
    unsigned colourSlots;  // colours a Colours element holds
};
inline constexpr ElementKind kElementKinds[] = {
    {KX_TEXITEM_SWITCH, ElementValue::Integer, 0},  {KX_TEXITEM_INTEGER, ElementValue::Integer, 0},
    {KX_TEXITEM_CHOICE, ElementValue::Integer, 0},  {KX_TEXITEM_OPTION, ElementValue::Integer, 0},
    {KX_TEXITEM_REAL, ElementValue::Real, 0},       {KX_TEXITEM_FILE, ElementValue::Text, 0},
    {KX_TEXITEM_TEXT, ElementValue::Text, 0},       {KX_TEXITEM_STRING, ElementValue::Text, 0},
    {KX_TEXITEM_POINT, ElementValue::Point, 0},     {KX_TEXITEM_COLOUR, ElementValue::Colours, 1},
    {KX_TEXITEM_TWO_COLOURS, ElementValue::Colours, 2}, {KX_TEXITEM_THREE_COLOURS, ElementValue::Colours, 3},
};
constexpr const ElementKind* elementKind(int32_t type) {
    for (const ElementKind& k : kElementKinds)
        if (k.letter == type) return &k;
    return nullptr;
}
constexpr ElementValue elementValue(int32_t type) {
    const ElementKind* k = elementKind(type);
    return k ? k->value : ElementValue::None;
}
// Colours a C, T or H element holds; 0 for other kinds.
constexpr unsigned colourSlots(int32_t type) {
    const ElementKind* k = elementKind(type);
    return k ? k->colourSlots : 0;
}
// Calls visit(leaf, path) for every leaf of the tree in order, the path being
// "/" and the names of its named ancestor groups and its own, joined by "/".
void forEachLeaf(const std::function<void(TexItem*, const std::string&)>& visit);
// True when item is an element of the current tree.
bool inTree(const TexItem* item);

// --- words of the database ---
// A text between quotes as the word reader gives it back: quotes escaped,
// and backslashes that would escape a quote (just before one, or at the end)
// left out.
std::string quoted(const char* text);
// The name as one database word: quoted when it holds a separator or a quote.
std::string wordOf(const char* name);
// True when a name reads back as the same single word.
bool isStorableName(const char* name);
// A fixed text field as a string (the field may fill all its bytes).
template <size_t N>
std::string fieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}
// The whole text as a decimal integer (0x... accepted); false when it is none.
inline bool parseInteger(const char* text, long long& value) {
    return text && kx::numbers::integer(text, value, {.hexadecimal = true, .saturating = true});
}
// The leading number of a text, 0 when none or when not finite, kept within
// the float range.
float leadingFloat(const char* text);
// A finite value within the float range (0 for NaN and infinities).
float toFloat(double value);
// Letters, digits and "_", not beginning with a digit.
bool isIdentifier(const char* name);

// The next word of a database and where its first byte lies; quoted tells a
// word written in quotes (never a keyword). Null at the end of the file.
char* nextWordAt(StandardFile* f, long& start, bool& quoted);

// --- records of USER.TEX, found by their structure ---
struct ScannedRecord {
    long start = 0;   // first byte of the "usertex" (or deleted "$sertex") keyword
    long end = 0;     // just after its "end"; 0 when the record has none
    bool deleted = false;
    std::string name;
    std::string previewName;
    uint32_t colour = 0;
};

enum class ScanResult { Done, OldLayout, Stopped };

// Walks the records in file order; onRecord returns false to stop.
ScanResult scanRecords(StandardFile* f, const std::function<bool(const ScannedRecord&)>& onRecord);

// --- the current texture ---
// Empties name, parent, preview name, free-form text and colour.
void clearCurrent();
// Reads a colour text into the element's colours (and typed names into its text).
void readColours(TexItem* item, const char* text);

// The element tree in the renderer's syntax with LF line ends; false when a
// lookup element could not be written (reported).
bool writeTree(std::string& out, unsigned format);
// The first colour the current tree sets (its first colour element's first
// slot); false when it sets none.
bool firstColour(float rgb[3]);

// Appends the whole of file `from` to out; total grows by the bytes copied and
// last is the last byte. False when reading or writing failed.
bool copyInto(StandardFile* out, const std::string& from, long& total, int& last);

}  // namespace kx::texture
