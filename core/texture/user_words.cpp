// Words and numbers of the user texture database, and where its files live.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

#include "files/files_internal.h"
#include "texture/user_internal.h"

namespace {

bool isSeparator(int c) { return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == ','; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

namespace kx::texture {

std::string dataFile(const char* name) {
    const std::string& folder = core().settings.programPath;
    std::string path = folder.empty() ? std::string(name) : folder.back() == '/' ? folder + name : folder + "/" + name;
    // A database brought from another system may be spelt in another case;
    // it is then read and replaced under that spelling.
    std::string existing = kx::files::findExisting(path);
    return existing.empty() ? path : existing;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string quoted(const char* text) {
    std::string out = "\"";
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '\\') {
            const char* run = p;
            while (*run == '\\') ++run;
            if (*run == '"' || *run == '\0') {
                p = run - 1;
                continue;
            }
        }
        if (*p == '"') out += '\\';
        out += *p;
    }
    return out + "\"";
}

bool isStorableName(const char* name) {
    if (!name || !*name) return false;
    bool needsQuotes = false;
    for (const char* p = name; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        // A line end or other control byte would not survive the word reader.
        if (c < 0x20 && c != '\t') return false;
        if (isSeparator(c) || c == '"') needsQuotes = true;
    }
    if (!needsQuotes) return true;
    // Between quotes every backslash must reach the file.
    for (const char* p = name; *p; ++p) {
        if (*p != '\\') continue;
        while (p[1] == '\\') ++p;
        if (p[1] == '"' || p[1] == '\0') return false;
    }
    return true;
}

std::string wordOf(const char* name) {
    bool needsQuotes = !name || !*name;
    for (const char* p = name ? name : ""; *p; ++p)
        if (isSeparator(static_cast<unsigned char>(*p)) || *p == '"') needsQuotes = true;
    return needsQuotes ? quoted(name) : std::string(name);
}

float toFloat(double value) {
    if (!std::isfinite(value)) return 0.0f;
    if (value > FLT_MAX) return FLT_MAX;
    if (value < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(value);
}

float leadingFloat(const char* text) { return toFloat(kx::numbers::leadingFinite(text)); }

bool isIdentifier(const char* name) {
    if (!name || !*name || isDigit(*name)) return false;
    for (const char* p = name; *p; ++p)
        if (!isLetter(*p) && !isDigit(*p) && *p != '_') return false;
    return true;
}

char* nextWordAt(StandardFile* f, long& start, bool& quoted) {
    for (;;) {
        long pos = StdGetFilePos(f);
        int c = StdGetChar(f);
        if (c < 0) return nullptr;
        if (isSeparator(c)) continue;
        // The byte just read is still in the buffer: give it back to the tokenizer.
        --f->bufferPos;
        ++f->remaining;
        start = pos;
        quoted = c == '"';
        return StdGetNextArg(f);
    }
}

}  // namespace kx::texture

int ColorToRgb(unsigned long packed, RgbF* rgb) {
    if (!rgb) return 0;
    constexpr float kStep = 1.0f / 256.0f;
    rgb->red = static_cast<float>(packed & 0xff) * kStep;
    rgb->green = static_cast<float>((packed >> 8) & 0xff) * kStep;
    rgb->blue = static_cast<float>((packed >> 16) & 0xff) * kStep;
    return 1;
}
