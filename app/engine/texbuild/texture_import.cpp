#include "texbuild/texture_import.h"

#include <cerrno>

#include "kxcore.h"
#include "kxplatform/files.h"

namespace kx::app {

bool importTextureText(const std::string& path, std::string& text) {
    std::string bytes;
    const int error = platform::readWholeFile(path, bytes, kFreeFormMax);
    if (error == EFBIG) {
        ErrorMessage("The texture file %s is too large: a texture text holds at most %zu characters", path.c_str(),
                     kFreeFormMax);
        return false;
    }
    if (error != 0) {
        ErrorMessage("Unable to open file %s", path.c_str());
        return false;
    }
    if (bytes.empty()) {
        ErrorMessage("Empty file");
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
