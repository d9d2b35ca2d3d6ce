// The texture database file "KALVEX.TEX": one record per line,
// "kind,word,name,short name,image name,,red,green,blue" (or the same without
// the two texts after the short name), read and written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "kxcore.h"
#include "texbuild/texture_names.h"

namespace kx::app {

struct TextureRecord {
    int32_t kind = 0;
    int32_t word = 0;                  // the second word of the list record
    std::string name = "UNKNOWN";      // at most 31 characters
    std::string shortName = "NULL";    // preview base name; "NULL": none
    std::string imageName = "NULL";    // image map base name; may be empty
    uint8_t red = 255, green = 255, blue = 255;
};

struct TextureFileReading {
    std::vector<TextureRecord> records;
    // The message of the line that ended the reading early; empty when the
    // whole file was read.
    std::string error;
};

// Files larger than this are refused whole rather than read into memory.
inline constexpr size_t kMaxTextureFileSize = 256u << 20;

// Reads records up to the first line whose comma count is neither 6 nor 8.
// Texts are cut to their room and at a NUL, colours brought into 0..255,
// CR LF and LF both end a line, and an empty line is passed over.
TextureFileReading parseTextureFile(std::string_view bytes);

// Gives every record whose short name is unsafe for a file name, or already
// used by an earlier record or by `used` (any letter case), a new "tex%03d"
// from `counter` on; logs each. The records' valid names are added to `used`.
void assignShortNames(std::vector<TextureRecord>& records, unsigned counter, const PreviewFolder& folder,
                      std::unordered_set<std::string>& used);

// The list record of a file record (first word 0, image words 0).
void toTextureInfo(const TextureRecord& record, TextureInfo& info);

// The file line of a list record with CR LF; empty when the record must not
// be written: no kind, a user texture, or a text holding a comma, CR or LF
// (which would break the line apart when read again).
std::string formatTextureRecord(const TextureInfo& info);

// Lower-case copy, for short-name comparisons.
std::string lowerCase(std::string_view text);

}  // namespace kx::app
