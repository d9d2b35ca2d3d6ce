#include "kxplatform/c_locale.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace kx::platform {
namespace {

locale_t cLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", nullptr);
    return loc;
}

// Switches this thread to the C locale for the lifetime of the scope.
class CLocaleScope {
public:
    CLocaleScope() : previous_(cLocale() ? uselocale(cLocale()) : nullptr) {}
    ~CLocaleScope() {
        if (previous_) uselocale(previous_);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

}  // namespace

int vsnprintfC(char* buffer, size_t size, const char* fmt, va_list args) {
    CLocaleScope scope;
    return std::vsnprintf(buffer, size, fmt ? fmt : "", args);
}

int snprintfC(char* buffer, size_t size, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    int n = vsnprintfC(buffer, size, fmt, args);
    va_end(args);
    return n;
}

std::string vformatC(const char* fmt, va_list args) {
    char small[512];
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintfC(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0) return {};
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string out(static_cast<size_t>(n) + 1, '\0');
    vsnprintfC(out.data(), out.size(), fmt, args);
    out.resize(static_cast<size_t>(n));
    return out;
}

std::string formatC(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = vformatC(fmt, args);
    va_end(args);
    return out;
}

double strtodC(const char* text, char** end) {
    if (!cLocale()) return std::strtod(text, end);
    return strtod_l(text, end, cLocale());
}

bool parseDoubleC(const char* text, double& value) {
    if (!text) return false;
    char* end = nullptr;
    double v = strtodC(text, &end);
    if (end == text) return false;
    while (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n') ++end;
    if (*end != '\0') return false;
    value = v;
    return true;
}

}  // namespace kx::platform
