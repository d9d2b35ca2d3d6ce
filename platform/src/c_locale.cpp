#include "kxplatform/c_locale.h"

#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// One conversion of a format, as far as the fast path takes it.
struct Conversion {
    char kind = 0;
    int width = 0;
    int precision = -1;
    bool isLong = false;
};

// Reads the conversion after a '%'; false for flags, '*', lengths other than
// "l" and every conversion left to printf.
bool parseConversion(const char*& p, Conversion& c) {
    c = Conversion{};
    // "%0.4f": a zero flag without a width pads nothing.
    if (p[0] == '0' && p[1] == '.') ++p;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (c.width == 0 && *p == '0') return false;  // the zero flag before a width
        c.width = c.width * 10 + (*p - '0');
        if (c.width > 64) return false;
    }
    if (*p == '.') {
        c.precision = 0;
        for (++p; *p >= '0' && *p <= '9'; ++p) {
            c.precision = c.precision * 10 + (*p - '0');
            if (c.precision > 17) return false;
        }
    }
    if (*p == 'l') {
        c.isLong = true;
        ++p;
    }
    c.kind = *p;
    const bool plain = c.width == 0 && c.precision < 0;
    switch (c.kind) {
        case 'f': return true;
        case 'g': return plain;
        case 'd': case 'i': case 'u': return plain;
        case 's': return plain && !c.isLong;
        case '%': return plain && !c.isLong;
        default: return false;
    }
}

// Appends to a fixed buffer; `full` once anything did not fit.
class Output {
public:
    Output(char* buffer, size_t size) : at_(buffer), end_(buffer + size) {}
    void put(const char* text, size_t n) {
        if (full_ || static_cast<size_t>(end_ - at_) <= n) {
            full_ = true;
            return;
        }
        std::memcpy(at_, text, n);
        at_ += n;
    }
    void pad(int width, size_t n) {
        for (size_t k = n; static_cast<int>(k) < width; ++k) put(" ", 1);
    }
    bool full() const { return full_; }
    char* at() const { return at_; }

private:
    char* at_;
    char* end_;
    bool full_ = false;
};

template <class T>
void putInteger(Output& out, T value) {
    char digits[24];
    auto r = std::to_chars(digits, digits + sizeof digits, value);
    out.put(digits, static_cast<size_t>(r.ptr - digits));
}

// False when the text cannot be made here after all.
bool putConversion(Output& out, const Conversion& c, va_list* args) {
    switch (c.kind) {
        case 'g': {
            char text[kGTextMax];
            out.put(text, static_cast<size_t>(writeG(text, va_arg(*args, double)) - text));
            break;
        }
        case 'f': {
            // Fixed notation of a double can run to 309 digits before the point.
            char text[400];
            double v = va_arg(*args, double);
            auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed,
                                   c.precision < 0 ? 6 : c.precision);
            if (r.ec != std::errc()) return false;
            size_t n = static_cast<size_t>(r.ptr - text);
            out.pad(c.width, n);
            out.put(text, n);
            break;
        }
        case 'd':
        case 'i':
            if (c.isLong) putInteger(out, va_arg(*args, long));
            else putInteger(out, va_arg(*args, int));
            break;
        case 'u':
            if (c.isLong) putInteger(out, va_arg(*args, unsigned long));
            else putInteger(out, va_arg(*args, unsigned));
            break;
        case 's': {
            const char* text = va_arg(*args, const char*);
            if (!text) text = "(null)";
            out.put(text, std::strlen(text));
            break;
        }
        default: out.put("%", 1); break;
    }
    return true;
}

// The whole text written without printf, terminated; its length, or -1 when
// the format needs printf or the text does not fit. Then nothing is promised
// about the buffer, and the caller starts again with its own copy of the
// arguments: the ones taken here came from a copy.
int formatWithoutPrintf(char* buffer, size_t size, const char* fmt, va_list* args) {
    if (size == 0) return -1;
    Output out(buffer, size);
    for (const char* p = fmt; *p && !out.full();) {
        const char* text = std::strchr(p, '%');
        size_t n = text ? static_cast<size_t>(text - p) : std::strlen(p);
        out.put(p, n);
        if (!text) break;
        p = text + 1;
        Conversion c;
        if (!parseConversion(p, c)) return -1;
        ++p;
        if (!putConversion(out, c, args)) return -1;
    }
    if (out.full()) return -1;
    *out.at() = '\0';
    return static_cast<int>(out.at() - buffer);
}

}  // namespace

char* writeG(char* out, double value) {
    return std::to_chars(out, out + kGTextMax, value, std::chars_format::general, 6).ptr;
}

int vsnprintfC(char* buffer, size_t size, const char* fmt, va_list args) {
    if (!fmt) fmt = "";
    va_list copy;
    va_copy(copy, args);
    int n = buffer ? formatWithoutPrintf(buffer, size, fmt, &copy) : -1;
    va_end(copy);
    if (n >= 0) return n;
    CLocaleScope scope;
    return std::vsnprintf(buffer, size, fmt, args);
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

namespace {

// A plain decimal number from the first character on: a digit, or a point or
// '-' before one. Hexadecimal ("0x") is strtod's.
bool plainDecimal(const char* p) {
    if (*p == '-') ++p;
    if (*p == '.') ++p;
    if (*p < '0' || *p > '9') return false;
    return !(p[0] == '0' && (p[1] == 'x' || p[1] == 'X'));
}

}  // namespace

double strtodC(const char* text, char** end) {
    if (plainDecimal(text)) {
        double value = 0;
        auto r = std::from_chars(text, text + std::strlen(text), value);
        // Out of range (overflow, or underflow to zero): strtod's value and errno.
        if (r.ec == std::errc()) {
            if (end) *end = const_cast<char*>(r.ptr);
            return value;
        }
    }
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
