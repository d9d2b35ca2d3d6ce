// Number formatting and parsing that ignore the process locale: every scene,
// export and settings file is written and read with a "." decimal point even
// when the user's environment asks for ",".
#pragma once

#include <cstdarg>
#include <string>

namespace kx::platform {

// printf-style formatting in the C locale into a string of the needed size.
std::string formatC(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformatC(const char* fmt, va_list args);

// vsnprintf in the C locale: writes at most size bytes (terminated when size > 0)
// and returns the length the full text would have.
int vsnprintfC(char* buffer, size_t size, const char* fmt, va_list args);
int snprintfC(char* buffer, size_t size, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));

// strtod in the C locale; end receives the first unread character.
double strtodC(const char* text, char** end);

// True when the whole text (after leading blanks) is a number; the value is written then.
bool parseDoubleC(const char* text, double& value);

}  // namespace kx::platform
