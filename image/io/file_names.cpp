#include "io/file_names.h"

#include <cerrno>

#include "kxplatform/files.h"

namespace kx::io {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

size_t lastComponentStart(std::string_view name) {
    size_t slash = name.find_last_of("/\\");
    return slash == std::string_view::npos ? 0 : slash + 1;
}

std::string_view extensionOf(std::string_view name) {
    size_t base = lastComponentStart(name);
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot < base) return {};
    return name.substr(dot);
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::string addExtension(std::string_view name, std::string_view ext) {
    std::string out(name);
    if (out.find('.', lastComponentStart(name)) == std::string::npos) out += ext;
    return out;
}

std::string replaceExtension(std::string_view name, std::string_view ext) {
    std::string_view current = extensionOf(name);
    std::string out(name.substr(0, name.size() - current.size()));
    out += ext;
    return out;
}

std::string forceExtension(std::string_view name, std::string_view ext) {
    if (equalNoCase(extensionOf(name), ext)) return std::string(name);
    return replaceExtension(name, ext);
}

int openForReading(const std::string& path) {
    std::string existing = kx::platform::findExisting(path);
    if (existing.empty()) {
        errno = ENOENT;
        return -1;
    }
    return kx::platform::openRegularForReading(existing);
}

}  // namespace kx::io
