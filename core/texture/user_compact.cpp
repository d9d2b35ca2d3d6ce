// Compaction of the user texture database: deleted and broken records are
// dropped, the live ones copied byte for byte into a new USER.TEX.
#include <string>
#include <vector>

#include "texture/user_internal.h"

namespace {

using kx::texture::dataFile;

constexpr size_t kCopyChunk = 64 * 1024;

bool copyBytes(StandardFile* in, StandardFile* out, long from, long to) {
    if (StdSeek(in, static_cast<unsigned long>(from), 0) != from) return false;
    std::vector<char> chunk(kCopyChunk);
    long left = to - from;
    while (left > 0) {
        unsigned long want = static_cast<unsigned long>(left < static_cast<long>(chunk.size()) ? left : chunk.size());
        int n = StdReadFile(in, chunk.data(), want);
        if (n <= 0 || StdWriteFile(out, chunk.data(), static_cast<unsigned long>(n)) != n) return false;
        left -= n;
    }
    return true;
}

bool copyFile(const std::string& from, const std::string& to) {
    StandardFile* out = StdOpenFile(to.c_str(), KX_OPEN_CREATE);
    if (!out) return false;
    long total = 0;
    int last = 0;
    if (!kx::texture::copyInto(out, from, total, last)) {
        StdAbortFile(out);
        return false;
    }
    return StdCloseFile(out) != 0;
}

}  // namespace

int CompactUserTexDb() {
    std::string tex = dataFile(kx::texture::kUserTexFile);
    if (!kx::texture::fileExists(tex)) {
        LogMessage(1, "Note: texture database not present, skipping rebuild");
        return 1;
    }
    if (!copyFile(tex, dataFile(kx::texture::kUserBakFile))) {
        ErrorMessage("Unable to backup custom texture data file, aborting rebuild");
        return 0;
    }
    StandardFile* scan = StdOpenFile(tex.c_str(), KX_OPEN_READ);
    StandardFile* source = StdOpenFile(tex.c_str(), KX_OPEN_READ);
    StandardFile* out = StdOpenFile(tex.c_str(), KX_OPEN_CREATE);
    if (!scan || !source || !out) {
        StdCloseFile(scan);
        StdCloseFile(source);
        StdAbortFile(out);
        StdFileError(0, "User Texture Database", tex.c_str());
        return 0;
    }
    // The version line keeps the first record off offset 0, which the index
    // cannot tell from "not found".
    StdPutLine(out, "1.0\n");
    unsigned kept = 0, dropped = 0;
    kx::texture::ScanResult result = kx::texture::scanRecords(scan, [&](const kx::texture::ScannedRecord& r) {
        if (r.deleted || !r.end || r.name.empty()) {
            if (!r.deleted) LogMessage(1, "User texture %s has no end and is left out", r.name.c_str());
            ++dropped;
            return true;
        }
        ++kept;
        return copyBytes(source, out, r.start, r.end) && StdPutLine(out, "\n") && !out->error;
    });
    StdCloseFile(scan);
    StdCloseFile(source);
    if (result == kx::texture::ScanResult::OldLayout) {
        StdAbortFile(out);
        ErrorMessage("Error rebuilding user textures index full rebuild required");
        return 0;
    }
    if (result != kx::texture::ScanResult::Done || out->error) {
        StdAbortFile(out);
        StdFileError(0, "User Texture Database", tex.c_str());
        return 0;
    }
    if (!StdCloseFile(out)) {
        StdFileError(0, "User Texture Database", tex.c_str());
        return 0;
    }
    LogMessage(2, "User texture database compacted: %u kept, %u dropped", kept, dropped);
    return RebuildUserTexDbIndex();
}
