// The texture database file "KALVEX.TEX" over arbitrary bytes: read, given
// short names, written again. Whatever the input, every short name kept is
// safe as a file name, no two are alike, and a written record reads back as
// the same record.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_set>

#include "../core/fuzz_input_file.h"
#include "texbuild/texture_file.h"

namespace {

const std::string& emptyFolder() {
    static const std::string path = [] {
        const std::string p = kxfuzz::scratchFolder() + "/textures";
        std::filesystem::create_directories(p);
        return p;
    }();
    return path;
}

void check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    kx::app::TextureFileReading reading = kx::app::parseTextureFile(bytes);
    std::unordered_set<std::string> used;
    kx::app::assignShortNames(reading.records, size > 0 ? data[0] : 0, kx::app::PreviewFolder(emptyFolder()), used);
    std::unordered_set<std::string> seen;
    for (const kx::app::TextureRecord& r : reading.records) {
        check(r.name.size() <= kx::app::kTextureNameMax && !r.name.empty());
        if (kx::app::hasShortName(r.shortName)) {
            check(kx::app::isSafeShortName(r.shortName));
            check(seen.insert(kx::app::lowerCase(r.shortName)).second);
        }
        check(r.imageName.empty() || !kx::app::hasShortName(r.imageName) || kx::app::isSafeShortName(r.imageName));
        TextureInfo info{};
        kx::app::toTextureInfo(r, info);
        const std::string line = kx::app::formatTextureRecord(info);
        if (line.empty()) continue;
        kx::app::TextureFileReading back = kx::app::parseTextureFile(line);
        check(back.error.empty() && back.records.size() == 1);
        check(kx::app::formatTextureRecord([&] {
                  TextureInfo again{};
                  kx::app::toTextureInfo(back.records[0], again);
                  return again;
              }()) == line);
    }
    return 0;
}
