// What the importers share: loading a file whole, bounded colour conversion,
// number parsing that ignores the locale, appending facets to an object and
// reporting damaged input once. Not exported.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core_state.h"

namespace kx::import {

// The whole file named name (ext added by AddExt when the name has no dot).
// When it cannot be opened or read: "Unable to import <label> file <name>"
// and nothing. path receives the name that was opened.
std::optional<std::vector<unsigned char>> loadFile(const char* name, const char* ext, const char* label,
                                                   std::string& path);

// True when path names a place inside folder (both made canonical, links
// followed): what a model names beside itself may be read, nothing above it.
bool insideFolder(const std::string& path, const std::string& folder);

// The picture a model names for a material (a texture map), as the absolute
// name of the file found beside the model: "\\" read as "/", the last part
// matched without regard to case, as files copied from other systems need.
// Empty, with a line in the log, when it is not there or lies outside the
// model's folder; the material then keeps its colour alone.
std::string pictureBeside(const std::string& modelFolder, std::string_view stored);

// A colour component 0..1 as a byte: NaN and values below 0 give 0, the
// product is truncated and kept within 0..255.
unsigned colourByte(double component, double scale);

// "Rgb.r.g.b" of three bytes.
std::string encodedColourName(unsigned r, unsigned g, unsigned b);

// A material of a model as an entry of the scene's texture list: a colour
// record of its diffuse colour (0..1 a channel) and its bytes, unless a
// record of that name is listed.
void listMaterialColour(const char* name, const Point3d& diffuse, const unsigned bytes[3]);

// Material kind 1 and the encoded name of (r, g, b), RgbColor packed.
void giveEncodedColour(CadObject* obj, unsigned r, unsigned g, unsigned b);


// Blanks, tabs, carriage returns and line feeds.
// Letters and digits are told apart with one comparison.
inline bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' ' && (c == ' ' || (c >= '\t' && c <= '\r')); }
std::string_view trim(std::string_view text);

// Reports damaged input once per file: the given text, else one naming the
// offset. Later reports of the same file are dropped.
class DamageReport {
public:
    explicit DamageReport(std::string label) : label_(std::move(label)) {}
    void at(unsigned long long offset);
    void text(const std::string& message);
    bool reported() const { return reported_; }

private:
    std::string label_;
    bool reported_ = false;
};

// Appends point-list nodes behind the last node of an object, keeping its
// count equal to its nodes at every step. An object that already holds a
// triangle array gets its list back from the triangles first (they are where
// the object stands), and the array, stale from then on, is dropped.
class FacetAppender {
public:
    FacetAppender() = default;
    explicit FacetAppender(CadObject* obj);
    CadObject* object() const { return obj_; }
    // false once memory ran out (reported by the list code); further nodes
    // are dropped then.
    bool add(unsigned n, const Point3d* points, const Point3d* normals = nullptr);
    unsigned added() const { return added_; }

private:
    CadObject* obj_ = nullptr;
    ListEntry* tail_ = nullptr;
    unsigned added_ = 0;
    bool failed_ = false;
};

// A new `_facets` object named name (cut to 31 characters), not selected.
CadObject* newFacetsObject(const std::string& name);

// Walks a text held in memory line by line; CR LF, LF and a lone CR all end
// a line. Lines are not emptied of blanks and empty lines are returned too.
class LineCursor {
public:
    LineCursor(const unsigned char* data, size_t size) : data_(reinterpret_cast<const char*>(data)), size_(size) {}
    bool next(std::string_view& line);
    size_t offset() const { return pos_; }  // of the next line
    size_t lineNumber() const { return lines_; }

private:
    const char* data_;
    size_t size_;
    size_t pos_ = 0;
    size_t lines_ = 0;
};

// The lines of a file read piece by piece, as LineCursor hands them out of a
// whole file: a large text never has to be held whole, which spares the
// memory and the page faults of a copy of it. A line longer than a piece is
// still returned whole.
class FileLines {
public:
    FileLines() = default;
    FileLines(const FileLines&) = delete;
    FileLines& operator=(const FileLines&) = delete;
    ~FileLines();
    // Opens the file as loadFile does, with the same message on failure.
    bool open(const char* name, const char* ext, const char* label, std::string& path);
    bool next(std::string_view& line);
    unsigned long long offset() const { return base_ + begin_; }  // of the next line
    size_t lineNumber() const { return lines_; }

private:
    bool refill();

    StandardFile* file_ = nullptr;
    std::vector<char> buffer_;
    size_t begin_ = 0, end_ = 0;    // the unread bytes of the buffer
    unsigned long long base_ = 0;   // file offset of the buffer's first byte
    size_t lines_ = 0;
    bool ended_ = false;
    bool returns_ = false;          // a CR among the unread bytes
};

// Splits a line into words separated by blanks.
class WordCursor {
public:
    explicit WordCursor(std::string_view line) : line_(line) {}
    bool next(std::string_view& word);
    // The next word as kx::numbers::whole reads it (isNumber false when it is no
    // number); false when the line has no more words. A number is converted
    // straight from the line, without finding its word's end first.
    bool nextNumber(double& value, bool& isNumber);
    std::string_view rest() const;  // what follows the last word, trimmed

private:
    std::string_view line_;
    size_t pos_ = 0;
};

}  // namespace kx::import
