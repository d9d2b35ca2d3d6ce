// Hands fuzz input to the file readers through a real file, as users' files reach them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "kxcore.h"

namespace kxfuzz {

// A folder of the process's own under TMPDIR (or /tmp), made on first use
// and removed with everything in it when the process ends.
inline const std::string& scratchFolder() {
    struct Folder {
        std::string path;
        Folder() {
            std::error_code ec;
            std::string p = (std::filesystem::temp_directory_path(ec) / "kalvex-fuzz-XXXXXX").string();
            if (ec || !mkdtemp(p.data())) std::abort();
            path = p;
        }
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static const Folder folder;
    return folder.path;
}

// One scratch file per process, rewritten for every input.
inline const std::string& writeInput(const uint8_t* data, size_t size) {
    static const std::string path = scratchFolder() + "/input";
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out) {
        std::fwrite(data, 1, size, out);
        std::fclose(out);
    }
    return path;
}

// The same input under a name with the given extension (readers add one to a
// name without): a link to the scratch file, made once per process.
inline const std::string& writeInputAs(const uint8_t* data, size_t size, const char* extension) {
    const std::string& path = writeInput(data, size);
    static const std::string named = [&path, extension] {
        std::string d = path + extension;
        unlink(d.c_str());
        if (symlink(path.c_str(), d.c_str()) != 0) std::abort();
        return d;
    }();
    return named;
}

// Message boxes would flood the output; the texts are not what is tested here.
inline void quietCore() {
    static const bool done = [] {
        static KxUiCallbacks table{};
        table.size = sizeof table;
        table.messageBox = [](void*, HWND, const char*, const char*, unsigned) { return 1; };
        KxSetUiCallbacks(&table);
        return true;
    }();
    (void)done;
}

}  // namespace kxfuzz
