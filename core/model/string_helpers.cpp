// Text helpers of the file formats: argument quoting, extensions, comparisons.
#include <cctype>
#include <cstdarg>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "core_state.h"
#include "kxplatform/c_locale.h"
#include "model/text.h"

namespace kx::text {

bool equalNoCase(const char* a, const char* b) {
    if (!a || !b) return false;
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

const char* lastComponent(const char* path) {
    const char* last = path;
    for (const char* p = path; p && *p; ++p)
        if (*p == '/' || *p == '\\') last = p + 1;
    return last;
}

}  // namespace kx::text

namespace {

// Longest text SetArgStringQuote takes from its argument.
constexpr size_t kMaxQuotedInput = 1024;

char* keep(std::string& slot, std::string value) {
    slot = std::move(value);
    return slot.data();
}

}  // namespace

char* GetArgString(char* token) {
    if (!token || !*token) return nullptr;
    if (token[0] == '"') {
        size_t len = std::strlen(token);
        // A lone quote has nothing between its quotes.
        if (len < 2) return token + len;
        token[len - 1] = '\0';
        return token + 1;
    }
    for (char* p = token; *p; ++p)
        if (*p == '~') *p = ' ';
    return token;
}

char* SetArgStringQuote(const char* text) {
    std::string& result = kx::core().results.quoted;
    std::string in = text ? std::string(text, strnlen(text, kMaxQuotedInput)) : std::string();
    // A backslash right before the closing quote would read as an escaped quote
    // and swallow the rest of the line: drop trailing backslashes.
    size_t keepLen = in.find_last_not_of('\\');
    keepLen = (keepLen == std::string::npos) ? 0 : keepLen + 1;
    if (keepLen != in.size()) {
        LogMessage(1, "Trailing backslash dropped from quoted text: %s", in.c_str());
        in.resize(keepLen);
    }
    std::string out = "\"";
    for (char c : in) {
        if (c == '"') out += '\\';
        out += c;
    }
    out += '"';
    return keep(result, std::move(out));
}

char* SetArgString(const char* text) {
    std::string& result = kx::core().results.inQuotes;
    return keep(result, std::string("\"") + (text ? text : "") + "\"");
}

namespace {

int putLineMemV(char* dst, size_t capacity, const char* fmt, va_list args) {
    if (!dst || capacity == 0) return 0;
    std::string piece = kx::platform::vformatC(fmt, args);
    std::string expanded;
    expanded.reserve(piece.size() + 16);
    for (char c : piece) {
        if (c == '\r') continue;
        if (c == '\n') expanded += '\r';
        expanded += c;
    }
    size_t used = strnlen(dst, capacity);
    if (piece.size() * 2 > 1024 || used + expanded.size() + 1 > capacity) {
        ErrorMessage("Error string too long");
        return 0;
    }
    std::memcpy(dst + used, expanded.c_str(), expanded.size() + 1);
    return 1;
}

}  // namespace

int PutLineMem(char* dst, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    int r = putLineMemV(dst, 1024, fmt, args);
    va_end(args);
    return r;
}

int PutLineMemEx(char* dst, unsigned size, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    int r = putLineMemV(dst, size, fmt, args);
    va_end(args);
    return r;
}

char* dtoa(double value) {
    std::string& result = kx::core().results.shortest;
    return keep(result, kx::platform::formatC("%g", value));
}

char* AddExt(const char* name, const char* ext) {
    std::string& result = kx::core().results.withExtension;
    std::string out = name ? name : "";
    // Any dot, even one in a folder name, counts as an extension being present.
    if (out.find('.') == std::string::npos) out += ext ? ext : "";
    return keep(result, std::move(out));
}

char* AddNewExt(const char* name, const char* ext) {
    std::string& result = kx::core().results.newExtension;
    if (!name || !ext) return nullptr;
    std::string out = name;
    // Only the file name itself is searched, so dotted folders are left alone.
    size_t base = static_cast<size_t>(kx::text::lastComponent(name) - name);
    for (size_t i = base; i < out.size(); ++i) {
        if (out[i] != '.') continue;
        char following = (i + 1 < out.size()) ? out[i + 1] : '\0';
        if (following != '.' && following != '\\') {
            out.resize(i);
            break;
        }
    }
    out += ext;
    return keep(result, std::move(out));
}

int FileExist(const char* name) {
    struct stat st;
    return (name && ::stat(name, &st) == 0) ? 1 : 0;
}

int kxc_strcmpi(const char* a, const char* b) {
    if (!a || !b) return -1;
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return -1;
    return 0;
}

const char* GetLookUpLabel(unsigned id, const LookUp* table) {
    if (!table) return nullptr;
    for (; table->id != KX_LOOKUP_END; ++table)
        if (table->id == id) return table->label;
    return nullptr;
}

unsigned GetLookUpId(const char* label, const LookUp* table) {
    if (!table || !label) return 0;
    for (; table->id != KX_LOOKUP_END; ++table)
        if (table->label && kx::text::equalNoCase(table->label, label)) return table->id;
    return 0;
}
