#include "files/numbers.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

#include "kxplatform/c_locale.h"

namespace kx::numbers {

namespace {

bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

double withinFloatRange(double v) { return std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)); }

}  // namespace

double leading(const char* text, const char** end) {
    if (!text) {
        if (end) *end = text;
        return 0.0;
    }
    // The quick conversion when it takes the whole text; the general one
    // also reads blanks and a "+" before the number, hexadecimal, and a
    // number with junk behind it.
    double v = 0;
    const char* last = text + std::strlen(text);
    const auto [stop, ec] = std::from_chars(text, last, v);
    if (ec == std::errc() && stop == last) {
        if (end) *end = stop;
        return v;
    }
    char* stopped = nullptr;
    v = kx::platform::strtodC(text, &stopped);
    if (end) *end = stopped ? stopped : text;
    return v;
}

double leadingFinite(const char* text) {
    const double v = leading(text);
    return std::isfinite(v) ? v : 0.0;
}

bool plain(const char* first, const char* last, double& value) {
    double v = 0;
    const auto [end, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || end != last || !(std::fabs(v) <= FLT_MAX)) return false;
    value = v;
    return true;
}

bool whole(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty() || text.front() == '+') return false;
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (end != text.data() + text.size()) return false;
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: the sign and the magnitude
        // class are all that matter once stored in single precision.
        const bool negative = text.front() == '-';
        const size_t exponent = text.find_first_of("eE");
        const bool tiny = exponent != std::string_view::npos && text.find('-', exponent) != std::string_view::npos;
        v = tiny ? 0.0 : (negative ? -FLT_MAX : FLT_MAX);
    } else if (ec != std::errc()) {
        return false;
    }
    if (!std::isfinite(v)) return false;
    value = withinFloatRange(v);
    return true;
}

const char* beforeBlank(const char* first, const char* last, double& value) {
    if (first < last && *first == '+') ++first;
    double v = 0;
    const auto [stop, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || (stop != last && !isBlank(*stop)) || !std::isfinite(v)) return nullptr;
    value = withinFloatRange(v);
    return stop;
}

bool integer(std::string_view text, long long& value, IntegerForm form) {
    // Plain digits, far from the range's end and from saturation: the common
    // case, read at once.
    if (!text.empty() && text.size() <= (form.saturating ? 12u : 18u)) {
        long long v = 0;
        size_t i = 0;
        for (; i < text.size() && isDigit(text[i]); ++i) v = v * 10 + (text[i] - '0');
        if (i == text.size()) {
            value = v;
            return true;
        }
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    unsigned base = 10;
    if (form.hexadecimal && text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    unsigned long long magnitude = 0;
    constexpr unsigned long long kSaturated = 1ull << 40;
    constexpr unsigned long long kLargest = static_cast<unsigned long long>(LLONG_MAX);
    for (const char c : text) {
        unsigned digit;
        if (isDigit(c)) digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        else return false;
        if (form.saturating) {
            if (magnitude <= kSaturated) magnitude = magnitude * base + digit;
            continue;
        }
        // One past the largest is the smallest negative value.
        if (magnitude > (kLargest + 1 - digit) / base) return false;
        magnitude = magnitude * base + digit;
    }
    if (!form.saturating && magnitude > kLargest + (negative ? 1 : 0)) return false;
    value = negative ? static_cast<long long>(0ull - magnitude) : static_cast<long long>(magnitude);
    return true;
}

bool leadingInteger(const char* text, long long& value) {
    if (!text) return false;
    const char* p = text;
    while (isBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!isDigit(*p)) return false;
    unsigned long long magnitude = 0;
    constexpr unsigned long long kLimit = static_cast<unsigned long long>(LLONG_MAX) + 1;
    for (; isDigit(*p); ++p)
        magnitude = magnitude >= kLimit / 10 + 1 ? kLimit : std::min(kLimit, magnitude * 10 + static_cast<unsigned>(*p - '0'));
    if (negative) value = magnitude >= kLimit ? LLONG_MIN : -static_cast<long long>(magnitude);
    else value = magnitude >= kLimit ? LLONG_MAX : static_cast<long long>(magnitude);
    return true;
}

}  // namespace kx::numbers
