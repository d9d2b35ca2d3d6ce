// Number formatting and parsing that ignore the process locale: every scene,
// export and settings file is written and read with a "." decimal point even
// when the user's environment asks for ",".
#pragma once

#include <cstdarg>
#include <string>

namespace kx::platform {

// "%g" as printf writes it in the C locale, made with std::to_chars (general,
// six digits): the same bytes without printf's cost. Writes at most
// kGTextMax characters, unterminated; returns the end of the text.
constexpr size_t kGTextMax = 16;
char* writeG(char* out, double value);

// printf-style formatting in the C locale into a string of the needed size.
// Formats made only of text, "%%", "%g", "%d", "%i", "%u" (also with "l"),
// "%s" and "%f" with an optional width and precision are written without
// printf, byte for byte as printf would write them; any other conversion
// goes through printf itself.
std::string formatC(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformatC(const char* fmt, va_list args);

// vsnprintf in the C locale: writes at most size bytes (terminated when size > 0)
// and returns the length the full text would have.
int vsnprintfC(char* buffer, size_t size, const char* fmt, va_list args);
int snprintfC(char* buffer, size_t size, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));

// strtod in the C locale; end receives the first unread character. Plain
// decimal numbers are read with std::from_chars (same value, same end, no
// locale, no allocation); signs, blanks, hexadecimal, "inf", "nan" and
// numbers beyond the double range go through strtod itself.
double strtodC(const char* text, char** end);

// True when the whole text (after leading blanks) is a number; the value is written then.
bool parseDoubleC(const char* text, double& value);

}  // namespace kx::platform
