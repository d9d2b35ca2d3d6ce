#include "texbuild/texture_import.h"

#include <cerrno>
#include <unistd.h>

#include "kxcore.h"
#include "kxplatform/files.h"

namespace kx::app {

bool importTextureText(const std::string& path, std::string& text) {
    platform::UniqueFd fd(platform::openRegularForReading(path));
    if (!fd) {
        ErrorMessage("Unable to open file %s", path.c_str());
        return false;
    }
    std::string bytes;
    char buffer[4096];
    // One byte past the limit is enough to know the file does not fit.
    while (bytes.size() <= kFreeFormMax) {
        ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ErrorMessage("Unable to open file %s", path.c_str());
            return false;
        }
        if (got == 0) break;
        bytes.append(buffer, static_cast<size_t>(got));
    }
    if (bytes.empty()) {
        ErrorMessage("Empty file");
        return false;
    }
    if (bytes.size() > kFreeFormMax) {
        ErrorMessage("The texture file %s is too large: a texture text holds at most %zu characters", path.c_str(),
                     kFreeFormMax);
        return false;
    }
    if (bytes.find('\0') != std::string::npos) {
        ErrorMessage("The texture file %s is not a text file: it holds a NUL byte", path.c_str());
        return false;
    }
    text = std::move(bytes);
    return true;
}

}  // namespace kx::app
