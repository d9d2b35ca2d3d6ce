#include "kxplatform/large_pages.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kx::platform {

namespace {

constexpr std::string_view kHeapTunable = "glibc.malloc.hugetlb";

}  // namespace

std::string tunablesWithLargePages(std::string_view current) {
    // Tunables are "name=value" pairs joined by ':'.
    for (size_t start = 0; start <= current.size();) {
        size_t end = current.find(':', start);
        if (end == std::string_view::npos) end = current.size();
        const std::string_view pair = current.substr(start, end - start);
        if (pair.substr(0, pair.find('=')) == kHeapTunable) return {};
        start = end + 1;
    }
    std::string text(current);
    if (!text.empty()) text += ':';
    text += kHeapTunable;
    text += "=1";
    return text;
}

bool largePagesOnRequest(std::string_view kernelMode) {
    return kernelMode.find("[madvise]") != std::string_view::npos;
}

void restartWithLargePages(char** argv) {
    if (!argv || !argv[0]) return;
    std::ifstream modeFile("/sys/kernel/mm/transparent_hugepage/enabled");
    std::stringstream mode;
    mode << modeFile.rdbuf();
    if (!largePagesOnRequest(mode.str())) return;
    const char* current = std::getenv("GLIBC_TUNABLES");
    const std::string tunables = tunablesWithLargePages(current ? current : "");
    if (tunables.empty()) return;
    if (::setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0) return;
    ::execv("/proc/self/exe", argv);
    // The program goes on without them, and its children see what it saw.
    if (current) ::setenv("GLIBC_TUNABLES", current, 1);
    else ::unsetenv("GLIBC_TUNABLES");
}

}  // namespace kx::platform
