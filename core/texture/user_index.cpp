// "USER.IDX", the index of the user texture database: name to the offset of
// the record in "USER.TEX". It is a cache: whenever it is missing or damaged
// it is built anew from USER.TEX.
#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "model/text.h"
#include "texture/user_internal.h"

namespace {

using kx::texture::dataFile;
using kx::texture::userTextures;

constexpr size_t kRecordSize = sizeof(UserDbIndex);
// Records written to a new index in one go.
constexpr size_t kBatch = 512;

bool is(const std::string& word, const char* keyword) { return word == keyword; }

// The index's length when its header is sound; -1 when it is short, -2 for a
// wrong magic, -3 when it does not end on a record boundary.
long checkIndex(StandardFile* f) {
    struct stat st;
    if (fstat(static_cast<int>(StdGetFileHandle(f)), &st) != 0) return -1;
    unsigned char header[KX_USERIDX_HEADER_SIZE];
    if (!StdRewind(f) || StdReadFile(f, header, sizeof header) != static_cast<int>(sizeof header)) return -1;
    uint32_t magic;
    std::memcpy(&magic, header, sizeof magic);
    if (magic != KX_USERIDX_MAGIC) return -2;
    if ((st.st_size - KX_USERIDX_HEADER_SIZE) % kRecordSize != 0) return -3;
    return static_cast<long>(st.st_size);
}

bool writeHeader(StandardFile* f) {
    unsigned char header[KX_USERIDX_HEADER_SIZE] = {};
    uint32_t magic = KX_USERIDX_MAGIC;
    std::memcpy(header, &magic, sizeof magic);
    return StdWriteFile(f, header, sizeof header) == static_cast<int>(sizeof header);
}

// A name as the index holds it: at most 31 characters.
std::string indexName(const char* name) { return std::string(name, strnlen(name, KX_TEXNAME_SIZE - 1)); }

bool sameName(const UserDbIndex& record, const char* name) {
    std::string stored(record.name, strnlen(record.name, sizeof record.name));
    return kx::text::equalNoCase(stored.c_str(), indexName(name).c_str());
}

UserDbIndex makeRecord(long offset, uint32_t colour, const char* name, const char* preview) {
    UserDbIndex record{};
    record.offset = static_cast<uint32_t>(offset);
    record.inUse = 1;
    record.colour = colour;
    kx::text::copyField(record.name, name);
    kx::text::copyField(record.previewName, preview);
    return record;
}

bool fitsIndex(long offset) { return offset > 0 && static_cast<unsigned long>(offset) <= UINT32_MAX; }

void dropIndex() { ::unlink(dataFile(kx::texture::kUserIdxFile).c_str()); }

}  // namespace

namespace kx::texture {

ScanResult scanRecords(StandardFile* f, const std::function<bool(const ScannedRecord&)>& onRecord) {
    ScannedRecord record;
    bool inRecord = false;
    bool firstKey = false;
    long pos = 0;
    bool quoted = false;
    while (char* w = nextWordAt(f, pos, quoted)) {
        std::string word = w;
        bool live = !quoted && is(word, "usertex");
        bool dead = !quoted && is(word, "$sertex");
        if (live || dead) {
            if (inRecord && !onRecord(record)) return ScanResult::Stopped;
            record = ScannedRecord{};
            record.start = pos;
            record.deleted = dead;
            char* name = StdGetNextArg(f);
            if (!name) break;
            record.name = name;
            inRecord = firstKey = true;
            continue;
        }
        if (!inRecord) {
            if (!quoted && is(word, "texture")) return ScanResult::OldLayout;
            continue;
        }
        if (!quoted && is(word, "end")) {
            record.end = pos + 3;
            inRecord = false;
            if (!onRecord(record)) return ScanResult::Stopped;
            continue;
        }
        // An older layout wrote the colour as a bare number after the name.
        long long number = 0;
        if (parseInteger(word.c_str(), number)) {
            if (firstKey) record.colour = static_cast<uint32_t>(number);
            firstKey = false;
            continue;
        }
        firstKey = false;
        // Every other word is a keyword or an element followed by its value.
        char* value = StdGetNextArg(f);
        if (!value) break;
        if (is(word, "rgbcolor") && parseInteger(value, number)) record.colour = static_cast<uint32_t>(number);
        else if (is(word, "previewname")) record.previewName = value;
    }
    if (inRecord && !onRecord(record)) return ScanResult::Stopped;
    return ScanResult::Done;
}

}  // namespace kx::texture

StandardFile* OpenDbIndex() {
    std::string idx = dataFile(kx::texture::kUserIdxFile);
    if (!kx::texture::fileExists(dataFile(kx::texture::kUserTexFile))) return nullptr;
    if (!kx::texture::fileExists(idx)) {
        RebuildUserTexDbIndex();
        if (!kx::texture::fileExists(idx)) return nullptr;
    }
    StandardFile* f = StdOpenFile(idx.c_str(), KX_OPEN_READ);
    if (!f) {
        StdFileError(1, "User Texture Index", idx.c_str());
        return nullptr;
    }
    long length = checkIndex(f);
    if (length >= 0) return f;
    StdCloseFile(f);
    ErrorMessage(length == -2 ? "Custom texture error, rebuilding custom texture index"
                              : "Error reading user texture index");
    userTextures().indexRebuilt = true;
    RebuildUserTexDbIndex();
    return nullptr;
}

int GetNextIndex(StandardFile* f, UserDbIndex* record) {
    if (!f || !record) return 0;
    auto* bytes = reinterpret_cast<unsigned char*>(record);
    size_t got = 0;
    while (got < kRecordSize) {
        int n = StdReadFile(f, bytes + got, kRecordSize - got);
        if (n <= 0) return 0;
        got += static_cast<size_t>(n);
    }
    return 1;
}

long GetUserDbIndex(const char* name) {
    if (!name || !*name) return 0;
    StandardFile* f = OpenDbIndex();
    if (!f) return 0;
    long offset = 0;
    UserDbIndex record;
    while (GetNextIndex(f, &record))
        if (record.inUse && sameName(record, name)) {
            offset = record.offset;
            break;
        }
    StdCloseFile(f);
    return offset;
}

int AddDbIndex(long offset, CustomTexure* texture) {
    if (!texture || !fitsIndex(offset)) return 0;
    std::string idx = dataFile(kx::texture::kUserIdxFile);
    UserDbIndex record = makeRecord(offset, texture->colour, texture->name, texture->previewName);
    if (!kx::texture::fileExists(idx)) {
        StandardFile* f = StdOpenFile(idx.c_str(), KX_OPEN_CREATE);
        if (!f) {
            StdFileError(0, "User Texture Index", idx.c_str());
            return 0;
        }
        bool ok = writeHeader(f) && StdWriteFile(f, &record, kRecordSize) == static_cast<int>(kRecordSize);
        if (!ok) {
            StdAbortFile(f);
            return 0;
        }
        return StdCloseFile(f);
    }
    StandardFile* f = StdOpenFile(idx.c_str(), KX_OPEN_READWRITE);
    if (!f) {
        StdFileError(0, "User Texture Index", idx.c_str());
        return 0;
    }
    long length = checkIndex(f);
    bool ok = length >= 0 && StdSeek(f, static_cast<unsigned long>(length), 0) == length &&
              StdWriteFile(f, &record, kRecordSize) == static_cast<int>(kRecordSize);
    if (!StdCloseFile(f)) ok = false;
    // A record appended after damage, or half written, would hide the rest:
    // the index is built anew on the next lookup instead.
    if (!ok) dropIndex();
    return ok ? 1 : 0;
}

int DeleteDbIndex(const char* name) {
    if (!name || !*name) return 0;
    std::string idx = dataFile(kx::texture::kUserIdxFile);
    if (!kx::texture::fileExists(idx)) return 0;
    StandardFile* f = StdOpenFile(idx.c_str(), KX_OPEN_READWRITE);
    if (!f) {
        StdFileError(0, "User Texture Index", idx.c_str());
        return 0;
    }
    if (checkIndex(f) < 0) {
        StdCloseFile(f);
        return 0;
    }
    long pos = KX_USERIDX_HEADER_SIZE;
    UserDbIndex record;
    int result = 0;
    while (GetNextIndex(f, &record)) {
        if (record.inUse && sameName(record, name)) {
            UserDbIndex zero{};
            result = StdSeek(f, static_cast<unsigned long>(pos), 0) == pos &&
                     StdWriteFile(f, &zero, kRecordSize) == static_cast<int>(kRecordSize);
            break;
        }
        pos += static_cast<long>(kRecordSize);
    }
    if (!StdCloseFile(f)) result = 0;
    return result;
}

int RebuildUserTexDbIndex() {
    std::string idx = dataFile(kx::texture::kUserIdxFile);
    std::string tex = dataFile(kx::texture::kUserTexFile);
    if (::unlink(idx.c_str()) != 0 && errno != ENOENT) {
        ErrorMessage("Error unable to rebuild user textures: %d", errno);
        return 0;
    }
    if (!kx::texture::fileExists(tex)) return 1;
    StandardFile* in = StdOpenFile(tex.c_str(), KX_OPEN_READ);
    if (!in) {
        StdFileError(1, "User Texture Database", tex.c_str());
        return 0;
    }
    StandardFile* out = StdOpenFile(idx.c_str(), KX_OPEN_CREATE);
    if (!out) {
        StdFileError(0, "User Texture Index", idx.c_str());
        StdCloseFile(in);
        return 0;
    }
    bool ok = writeHeader(out);
    unsigned count = 0;
    std::vector<UserDbIndex> batch;
    auto flush = [&] {
        if (!batch.empty() && StdWriteFile(out, batch.data(), batch.size() * kRecordSize) <= 0) ok = false;
        batch.clear();
        return ok;
    };
    kx::texture::ScanResult scan = kx::texture::scanRecords(in, [&](const kx::texture::ScannedRecord& r) {
        if (r.deleted || r.name.empty()) return true;
        if (!fitsIndex(r.start)) {
            LogMessage(1, "User texture %s cannot be indexed at offset %ld", r.name.c_str(), r.start);
            return true;
        }
        batch.push_back(makeRecord(r.start, r.colour, r.name.c_str(), r.previewName.c_str()));
        ++count;
        return batch.size() < kBatch || flush();
    });
    StdCloseFile(in);
    if (scan == kx::texture::ScanResult::OldLayout) {
        StdAbortFile(out);
        ErrorMessage("Error rebuilding user textures index full rebuild required");
        return 0;
    }
    if (!flush() || scan != kx::texture::ScanResult::Done) {
        StdAbortFile(out);
        StdFileError(0, "User Texture Index", idx.c_str());
        return 0;
    }
    if (!StdCloseFile(out)) {
        StdFileError(0, "User Texture Index", idx.c_str());
        return 0;
    }
    if (GetCustomTextureCount() == 0) SetCustomTextureCount(static_cast<int>(count));
    return 1;
}
