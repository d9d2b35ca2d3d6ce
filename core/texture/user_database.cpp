// Records of the user texture database "USER.TEX": the current texture
// written as one record, read back, added to the database and deleted from it.
#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "files/numbers.h"
#include "kxplatform/c_locale.h"
#include "model/text.h"
#include "files/tokens.h"
#include "texture/user_internal.h"

namespace {

using kx::texture::dataFile;
using kx::texture::fieldText;
using kx::texture::userTextures;

constexpr size_t kCopyChunk = 64 * 1024;

CustomTexure& current() { return userTextures().current; }

bool is(const char* word, const char* keyword) { return word && std::strcmp(word, keyword) == 0; }

// Names are at most 31 characters wherever they are kept.
std::string cutName(const char* name) { return std::string(name, strnlen(name, KX_TEXNAME_SIZE - 1)); }

void dropIndex() { ::unlink(dataFile(kx::texture::kUserIdxFile).c_str()); }

int32_t toInt32(long long v) {
    return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

void writeColours(StandardFile* f, const TexItem* item) {
    std::string text = "\"";
    for (unsigned i = 0; i < kx::texture::colourSlots(item->type); ++i) {
        const float* c = item->value.colour[i];
        if (c[3] == 0.0f) text += kx::platform::formatC("rgb %g %g %g ", c[0], c[1], c[2]);
        else text += kx::platform::formatC("rgbf %g %g %g %g ", c[0], c[1], c[2], c[3]);
    }
    StdPutLine(f, "%s\"\n", text.c_str());
}

void writeElement(StandardFile* f, const TexItem* item, const std::string& path) {
    StdPutLine(f, "%s ", kx::texture::wordOf(path.c_str()).c_str());
    using kx::texture::ElementValue;
    switch (kx::texture::elementValue(item->type)) {
        case ElementValue::Integer: StdPutLine(f, "%d\n", item->value.integer); break;
        case ElementValue::Real: StdPutLine(f, "%g\n", item->value.real); break;
        case ElementValue::Text: StdPutLine(f, "%s\n", kx::texture::quoted(item->text).c_str()); break;
        case ElementValue::Point: {
            const float* p = item->value.point;
            StdPutLine(f, "\"%g %g %g\"\n", p[0], p[1], p[2]);
            break;
        }
        case ElementValue::Colours: writeColours(f, item); break;
        case ElementValue::None: StdPutLine(f, "0\n"); break;
    }
}

void readPoint(TexItem* item, const char* text) {
    const char* p = text;
    for (float& v : item->value.point) {
        while (*p == ' ' || *p == '\t' || *p == ',') ++p;
        const char* end = nullptr;
        const double d = kx::numbers::leading(p, &end);
        if (!end || end == p) break;
        v = kx::texture::toFloat(d);
        p = end;
    }
}

void readValue(TexItem* item, const char* text) {
    if (!kx::texture::isLeaf(item)) return;
    long long n = 0;
    using kx::texture::ElementValue;
    switch (kx::texture::elementValue(item->type)) {
        case ElementValue::Integer:
            // A number too big for the field saturates; converting it as it
            // stands would be undefined.
            item->value.integer = kx::texture::parseInteger(text, n) ? toInt32(n)
                                                                      : kx::tokens::clampInt32(kx::numbers::leadingFinite(text));
            break;
        case ElementValue::Real: item->value.real = kx::numbers::leadingFinite(text); break;
        case ElementValue::Text: kx::text::copyField(item->text, KX_TEXTEXT_SIZE, text); break;
        case ElementValue::Point: readPoint(item, text); break;
        case ElementValue::Colours: kx::texture::readColours(item, text); break;
        case ElementValue::None: break;
    }
    item->set = 1;
}

// A printable form of a word for a message.
std::string shown(const char* word) {
    std::string text = word ? word : "";
    if (text.size() > 64) text.resize(64);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return text;
}

// The word after a record's keyword must be the name the index gave.
bool recordAt(StandardFile* f, long offset, const std::string& name) {
    if (StdSeek(f, static_cast<unsigned long>(offset), 0) != offset) return false;
    char* word = StdGetNextArg(f);
    if (!is(word, "usertex")) return false;
    word = StdGetNextArg(f);
    return word && kx::text::equalNoCase(word, name.c_str());
}

}  // namespace

namespace kx::texture {

// Reads the whole of one file into another; the byte count and last byte are kept.
bool copyInto(StandardFile* out, const std::string& from, long& total, int& last) {
    StandardFile* in = StdOpenFile(from.c_str(), KX_OPEN_READ);
    if (!in) return false;
    std::vector<char> chunk(kCopyChunk);
    bool ok = true;
    for (;;) {
        int n = StdReadFile(in, chunk.data(), chunk.size());
        if (n <= 0) break;
        if (StdWriteFile(out, chunk.data(), static_cast<unsigned long>(n)) != n) {
            ok = false;
            break;
        }
        total += n;
        last = static_cast<unsigned char>(chunk[static_cast<size_t>(n) - 1]);
    }
    StdCloseFile(in);
    return ok;
}


void clearCurrent() {
    CustomTexure& c = current();
    c.name[0] = c.parent[0] = c.previewName[0] = c.freeForm[0] = '\0';
    c.colour = 0;
}

}  // namespace kx::texture

CustomTexure* GetCustomTexture(int clear) {
    if (clear) kx::texture::clearCurrent();
    return &current();
}

int SaveCustomTextureEx(StandardFile* f, const char* name, int withPreview) {
    if (!f || !name) return 0;
    const CustomTexure& c = current();
    if (!kx::text::equalNoCase(fieldText(c.name).c_str(), name)) {
        ErrorMessage("Current custom texture does not match texture details");
        return 0;
    }
    StdPutLine(f, "usertex %s\n", kx::texture::wordOf(name).c_str());
    if (c.colour) StdPutLine(f, "rgbcolor %ld\n", static_cast<long>(c.colour));
    std::string preview = fieldText(c.previewName);
    if (withPreview && !preview.empty()) StdPutLine(f, "previewname %s\n", kx::texture::wordOf(preview.c_str()).c_str());
    std::string parent = fieldText(c.parent);
    if (!parent.empty()) StdPutLine(f, "parent %s\n", kx::texture::wordOf(parent.c_str()).c_str());
    std::string freeForm = fieldText(c.freeForm);
    if (!freeForm.empty()) StdPutLine(f, "freeform %s\n", kx::texture::quoted(freeForm.c_str()).c_str());
    kx::texture::forEachLeaf([f](TexItem* item, const std::string& path) {
        if (item->set) writeElement(f, item, path);
    });
    StdPutLine(f, "end\n");
    return f->error ? 0 : 1;
}

int LoadCustomTextureEx(StandardFile* f, const char* name) {
    if (!f) return 0;
    if (!userTextures().tree) {
        ErrorMessage("Error custom texture definitions not loaded\nMake sure a matching renderer is selected");
        return 0;
    }
    InitCustomTexture();
    kx::texture::clearCurrent();
    CustomTexure& c = current();
    kx::text::copyField(c.name, name);
    bool unknownShown = false;
    for (;;) {
        char* word = StdGetNextArg(f);
        if (!word) break;
        if (is(word, "end")) return 1;
        if (is(word, "usertex")) {
            ErrorMessage("Error user texture missing end statement");
            return 0;
        }
        // The shared word buffer is overwritten by the next read.
        std::string key = word;
        bool keyword = key == "parent" || key == "previewname" || key == "rgbcolor" || key == "freeform" ||
                       key == "edit";
        TexItem* item = keyword ? nullptr : FindTexItem(key.data());
        long long number = 0;
        if (!keyword && !item) {
            if (kx::texture::parseInteger(key.c_str(), number) && number != 0) {
                c.colour = static_cast<uint32_t>(number);
                continue;
            }
            // One box per record is enough; the rest go to the log.
            if (unknownShown) LogMessage(1, "Unknown custom texture element %s", shown(key.c_str()).c_str());
            else ErrorMessage("Unknown custom texture element %s", shown(key.c_str()).c_str());
            unknownShown = true;
            continue;
        }
        char* value = StdGetNextArg(f);
        if (!value) break;
        if (key == "parent") kx::text::copyField(c.parent, value);
        else if (key == "previewname") kx::text::copyField(c.previewName, value);
        else if (key == "rgbcolor") c.colour = kx::texture::parseInteger(value, number) ? static_cast<uint32_t>(number) : 0;
        else if (key == "freeform" || key == "edit") kx::text::copyField(c.freeForm, value);
        else readValue(item, value);
    }
    ErrorMessage("Custom texture record truncated");
    return 0;
}

int LoadCustomTexture(const char* name) {
    if (!name) return 0;
    std::string key = cutName(name);
    if (GetCustomTexFromList(key.c_str())) {
        LogMessage(1, "User texture %s read from list", key.c_str());
        return 1;
    }
    long offset = GetUserDbIndex(key.c_str());
    if (!offset) {
        ErrorMessage("Unable to find user texture %s", key.c_str());
        return 0;
    }
    std::string tex = dataFile(kx::texture::kUserTexFile);
    StandardFile* f = StdOpenFile(tex.c_str(), KX_OPEN_READ);
    if (!f) {
        StdFileError(1, "User Texture", tex.c_str());
        return 0;
    }
    int result = 0;
    char* word = nullptr;
    if (StdSeek(f, static_cast<unsigned long>(offset), 0) != offset) {
        ErrorMessage("Error loading user texture %s", key.c_str());
    } else if (!(word = StdGetNextArg(f))) {
        int code = errno;
        ErrorMessage("Error reading user texture database");
        LogMessage(1, "Unexpected error %d reading file", code);
        dropIndex();
    } else if (!is(word, "usertex")) {
        ErrorMessage("Invalid user texture record: %s", key.c_str());
        LogMessage(1, "Expected \"%s\" found \"%s\" ", "usertex", shown(word).c_str());
        // The index no longer fits the database: it is built anew next time.
        dropIndex();
    } else if (!(word = StdGetNextArg(f)) || !kx::text::equalNoCase(word, key.c_str())) {
        ErrorMessage("User texture record mismatch: %s", key.c_str());
        dropIndex();
    } else {
        result = LoadCustomTextureEx(f, key.c_str());
    }
    StdCloseFile(f);
    return result;
}

int SaveCustomTexture(const char* name) {
    if (!kx::texture::isStorableName(name)) {
        ErrorMessage("Error unable to save texture, invalid name %s", shown(name).c_str());
        return 0;
    }
    std::string key = cutName(name);
    kx::UserTextureState& s = userTextures();
    s.indexRebuilt = false;
    long existing = GetUserDbIndex(key.c_str());
    // A damaged index is rebuilt by the lookup that finds it, which then fails: ask again.
    if (!existing && s.indexRebuilt) existing = GetUserDbIndex(key.c_str());
    if (existing) {
        ErrorMessage("Error unable to save texture, %s already exists", key.c_str());
        return 1;
    }
    std::string tex = dataFile(kx::texture::kUserTexFile);
    bool fresh = !kx::texture::fileExists(tex);
    // The old database is copied into a new file that replaces it only when whole.
    StandardFile* out = StdOpenFile(tex.c_str(), KX_OPEN_CREATE);
    if (!out) {
        StdFileError(0, "Adding User Texture", tex.c_str());
        return 0;
    }
    long offset = 0;
    int last = '\n';
    if (!fresh && !kx::texture::copyInto(out, tex, offset, last)) {
        StdAbortFile(out);
        StdFileError(0, "Adding User Texture", tex.c_str());
        return 0;
    }
    if (offset == 0) {
        // A database without records starts anew; an old index describes nothing in it.
        dropIndex();
        StdPutLine(out, "1.0\n");
        offset = 5;
    } else if (last != '\n') {
        StdPutLine(out, "\n");
        offset += 2;
    }
    if (offset > static_cast<long>(UINT32_MAX)) {
        StdAbortFile(out);
        ErrorMessage("Error unable to add to user texture database");
        return 0;
    }
    CustomTexure& c = current();
    kx::text::copyField(c.name, key.c_str());
    if (!SaveCustomTextureEx(out, key.c_str(), 1)) {
        StdAbortFile(out);
        StdFileError(0, "Adding User Texture", tex.c_str());
        return 0;
    }
    if (!StdCloseFile(out)) {
        StdFileError(0, "Adding User Texture", tex.c_str());
        return 0;
    }
    // Without its index entry the record is found after the next rebuild.
    if (!AddDbIndex(offset, &c)) dropIndex();
    return 1;
}

int DeleteCustomTexture(const char* name) {
    if (!name) return 0;
    std::string key = cutName(name);
    long offset = GetUserDbIndex(key.c_str());
    if (!offset) {
        ErrorMessage("Unable to find user texture %s", key.c_str());
        return 0;
    }
    std::string tex = dataFile(kx::texture::kUserTexFile);
    StandardFile* f = StdOpenFile(tex.c_str(), KX_OPEN_READWRITE);
    if (!f) {
        StdFileError(0, "Deleting User Texture", tex.c_str());
        return 0;
    }
    // Only a record that really starts there is marked; a stale index is rebuilt.
    char mark = '$';
    bool found = recordAt(f, offset, key);
    bool ok = found && StdSeek(f, static_cast<unsigned long>(offset), 0) == offset && StdWriteFile(f, &mark, 1) == 1;
    if (!StdCloseFile(f)) ok = false;
    if (!ok) {
        ErrorMessage("Error unable to delete user texture: %s", key.c_str());
        if (!found) dropIndex();
        return 0;
    }
    if (!DeleteDbIndex(key.c_str())) dropIndex();
    return 1;
}
