// Pictures that travel with models: kept as files beside the model or the
// export that names them, under a name no other picture there holds.
#include <filesystem>
#include <fstream>

#include "files/files_internal.h"

namespace kx::files {

std::optional<std::vector<unsigned char>> readPicture(const std::string& path) {
    constexpr uintmax_t kLargestPicture = uintmax_t{256} << 20;
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kLargestPicture) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) return std::nullopt;
    return bytes;
}

std::string keepPictureBeside(const std::string& folder, const std::string& name,
                              const std::vector<unsigned char>& bytes, bool* created) {
    namespace fs = std::filesystem;
    if (created) *created = false;
    const fs::path wanted(name);
    const std::string stem = wanted.stem().string(), ext = wanted.extension().string();
    std::error_code ec;
    for (int n = 0; n < 100; ++n) {
        const std::string leaf = n == 0 ? wanted.filename().string() : stem + "-" + std::to_string(n) + ext;
        const fs::path target = fs::path(folder) / leaf;
        if (fs::exists(target, ec)) {
            if (readPicture(target.string()) == bytes) return leaf;
            continue;
        }
        StandardFile* f = StdOpenFile(target.c_str(), KX_OPEN_DERIVED);
        if (!f) return {};
        StdWriteFile(f, const_cast<unsigned char*>(bytes.data()), bytes.size());
        if (!StdCloseFile(f)) return {};
        if (created) *created = true;
        return leaf;
    }
    return {};
}

}  // namespace kx::files
