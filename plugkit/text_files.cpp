// Text files a plug-in reads and writes on its own descriptors, and the
// file-name helpers.
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "plugkit.h"
#include "plugkit_state.h"

namespace {

constexpr size_t kLineMax = 4096;

kx::plugkit::ReadBuffer& buffer() { return kx::plugkit::state().buffer; }

// Where the last path component begins: extensions are looked for there only,
// so dotted folders (~/.local/...) never take part.
size_t leafStart(const char* name) {
    const char* slash = std::strrchr(name, '/');
    const char* back = std::strrchr(name, '\\');
    const char* last = slash > back ? slash : back;
    return last == nullptr ? 0 : static_cast<size_t>(last - name) + 1;
}

bool writeWhole(int file, const char* data, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(file, data, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// Reads one line into out without CR and LF; false at the end of the file.
// A line longer than the limit is returned in pieces.
bool readLine(int file, std::string& out) {
    buffer().claim(file);
    out.clear();
    int c = buffer().next();
    if (c < 0) return false;
    while (c >= 0 && c != '\n') {
        if (c != '\r') {
            out.push_back(static_cast<char>(c));
            if (out.size() == kLineMax) break;
        }
        c = buffer().next();
    }
    return true;
}

}  // namespace

extern "C" {

int GetChar(int file) noexcept {
    buffer().claim(file);
    return buffer().next();
}

int FlushLine(int file) noexcept {
    buffer().claim(file);
    buffer().discard();
    return 1;
}

int RewindLine(int file) noexcept {
    buffer().claim(file);
    buffer().discard();
    return ::lseek(file, 0, SEEK_SET) == 0 ? 1 : 0;
}

char* GetLine(int file) noexcept {
    auto& result = kx::plugkit::state().results.line;
    static_assert(sizeof result == kLineMax + 1);
    try {
        std::string line;
        if (!readLine(file, line)) return nullptr;
        if (line.empty()) line = " ";
        std::memcpy(result.data(), line.data(), line.size());
        result[line.size()] = '\0';
        return result.data();
    } catch (...) {
        return nullptr;
    }
}

char* GetNextArg(int file) noexcept {
    static constexpr const char* kSeparators = " ,\t\n";
    try {
        kx::plugkit::Tokens& t = kx::plugkit::state().tokens;
        if (t.file != file) {
            t.file = file;
            t.line.clear();
            t.pos = 0;
        }
        for (;;) {
            const size_t begin = t.line.find_first_not_of(kSeparators, t.pos);
            if (begin != std::string::npos) {
                size_t end = t.line.find_first_of(kSeparators, begin);
                if (end == std::string::npos) end = t.line.size();
                t.token.assign(t.line, begin, end - begin);
                t.pos = end;
                return t.token.data();
            }
            if (!readLine(file, t.line)) {
                t.line.clear();
                t.pos = 0;
                return nullptr;
            }
            t.pos = 0;
        }
    } catch (...) {
        return nullptr;
    }
}

int PutLine(int file, const char* fmt, ...) noexcept {
    if (fmt == nullptr) return 0;
    try {
        va_list args;
        va_start(args, fmt);
        va_list again;
        va_copy(again, args);
        const int n = std::vsnprintf(nullptr, 0, fmt, args);
        va_end(args);
        if (n < 0) {
            va_end(again);
            return 0;
        }
        std::vector<char> text(static_cast<size_t>(n) + 1);
        std::vsnprintf(text.data(), text.size(), fmt, again);
        va_end(again);
        return writeWhole(file, text.data(), static_cast<size_t>(n)) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

char* AddExt(const char* name, const char* ext) noexcept {
    std::string& result = kx::plugkit::state().results.withExtension;
    try {
        result = name != nullptr ? name : "";
        if (std::strchr(result.c_str() + leafStart(result.c_str()), '.') == nullptr &&
            ext != nullptr) {
            result += ext;
        }
        return result.data();
    } catch (...) {
        return nullptr;
    }
}

char* AddNewExt(char* name, const char* ext) noexcept {
    if (name == nullptr) return nullptr;
    // Cut at the first '.' of the last component that another '.' does not follow.
    for (char* p = name + leafStart(name); *p != '\0'; ++p) {
        if (*p == '.' && p[1] != '.') {
            *p = '\0';
            break;
        }
    }
    if (ext != nullptr) std::strcat(name, ext);
    return name;
}

int BuildFilter(HINSTANCE module, int id, char* buf, int size) noexcept {
    if (buf == nullptr || size <= 0) return 0;
    std::memset(buf, 0, static_cast<size_t>(size));
    if (module == nullptr) return 0;
    const auto* entry = reinterpret_cast<const PluginStringEntry*>(module);
    for (; entry->id != -1; ++entry) {
        if (entry->id != id || entry->text == nullptr) continue;
        const size_t n = strnlen(entry->text, static_cast<size_t>(size) - 1);
        for (size_t i = 0; i < n; ++i) buf[i] = entry->text[i] == '|' ? '\0' : entry->text[i];
        return 1;
    }
    return 0;
}

}  // extern "C"
