#include "io/file_names.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kx::io {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int openRegular(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    // A folder opens fine but is no image; reading it would only fail later.
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return -1;
    }
    return fd;
}

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
    int fd = openRegular(path);
    if (fd >= 0 || errno != ENOENT || path.empty()) return fd;

    size_t base = path.find_last_of('/');
    std::string folder = base == std::string::npos ? "." : path.substr(0, base + 1);
    std::string leaf = base == std::string::npos ? path : path.substr(base + 1);
    if (leaf.empty()) return -1;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return -1;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (::strcasecmp(entry->d_name, leaf.c_str()) != 0) continue;
        std::string candidate = base == std::string::npos ? std::string(entry->d_name)
                                                          : folder + entry->d_name;
        fd = openRegular(candidate);
        if (fd >= 0) return fd;
    }
    errno = ENOENT;
    return -1;
}

}  // namespace kx::io
