// Bounded text copies into the fixed fields of the records.
#pragma once

#include <cstddef>
#include <cstring>

namespace kx::text {

// Copies at most size - 1 bytes of src (null counts as empty) and terminates.
inline void copyField(char* dst, size_t size, const char* src) {
    if (!dst || size == 0) return;
    size_t n = src ? strnlen(src, size - 1) : 0;
    std::memcpy(dst, src ? src : "", n);
    dst[n] = '\0';
}

template <size_t N>
void copyField(char (&dst)[N], const char* src) {
    copyField(dst, N, src);
}

// Case-insensitive equality of two whole texts (ASCII letters).
bool equalNoCase(const char* a, const char* b);

// The position after the last '/' or '\\' of a path.
const char* lastComponent(const char* path);

}  // namespace kx::text
