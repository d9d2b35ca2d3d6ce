// Reading characters, lines and arguments through the buffer; writing lines with CR LF.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>

#include "files/files_internal.h"
#include "files/numbers.h"
#include "kxplatform/c_locale.h"
#include "model/text.h"

namespace {

constexpr size_t kTokenMax = 4096;
constexpr size_t kQuotedMax = 4095;
constexpr size_t kLineMax = 4096;

bool isSeparator(int c) { return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == ','; }

// One token buffer for all files, as the callers expect.
char* tokenBuffer() {
    static_assert(sizeof kx::files::FilesState::token == kTokenMax + 1);
    return kx::core().files.token;
}

// Refills the read buffer from the file's position; false at the end.
bool refill(StandardFile* f) {
    off_t pos = ::lseek(static_cast<int>(f->handle), 0, SEEK_CUR);
    ssize_t got;
    do {
        got = ::read(static_cast<int>(f->handle), f->buffer, sizeof f->buffer);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        f->remaining = 0;
        return false;
    }
    f->bufferStart = static_cast<int32_t>(pos < 0 ? 0 : pos);
    f->bufferPos = 0;
    f->remaining = static_cast<int32_t>(got);
    return true;
}

// The next byte, or -1 at the end. The tokenizer reads every byte of a scene
// through here: kept inline, a byte costs a compare and a load.
inline int nextChar(StandardFile* f) {
    if (f->remaining <= 0 && !refill(f)) return -1;
    --f->remaining;
    return static_cast<unsigned char>(f->buffer[f->bufferPos++]);
}

char* readQuoted(StandardFile* f, char* token) {
    size_t len = 0;
    for (;;) {
        int c = nextChar(f);
        if (c < 0 || c == '"') break;
        if (c == '\\') {
            int next = nextChar(f);
            if (next < 0) {
                if (len < kQuotedMax) token[len++] = '\\';
                break;
            }
            if (next == '"') {
                if (len < kQuotedMax) token[len++] = '"';
                continue;
            }
            if (len < kQuotedMax) token[len++] = '\\';
            c = next;
        }
        // A text longer than the buffer is cut; the rest up to its quote is skipped.
        if (len < kQuotedMax) token[len++] = static_cast<char>(c);
    }
    token[len] = '\0';
    return token;
}

// Writes text with every LF as CR LF and no other CR; quotes escaped on request.
int writeConverted(StandardFile* f, std::string_view text, bool escapeQuotes) {
    std::string staged;
    staged.reserve(text.size() + text.size() / 16 + 8);
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') staged += '\r';
        else if (c == '"' && escapeQuotes) staged += '\\';
        staged += c;
    }
    if (staged.empty()) return 0;
    return kx::files::queueWrite(f, staged.data(), staged.size()) ? 1 : 0;
}

}  // namespace

int StdGetChar(StandardFile* f) {
    if (!f) return -1;
    return nextChar(f);
}

int StdSkipToNextChar(StandardFile* f, int c) {
    if (!f) return -1;
    for (;;) {
        int got = nextChar(f);
        if (got < 0) return -1;
        if (got == c) return 1;
    }
}

char* StdGetLine(StandardFile* f) {
    if (!f) return nullptr;
    size_t len = 0;
    for (;;) {
        int c = nextChar(f);
        if (c < 0) {
            if (len == 0) return nullptr;
            break;
        }
        if (c == '\r' || c == '\n') {
            if (len == 0) continue;  // empty lines and the LF of CR LF
            break;
        }
        f->line[len++] = static_cast<char>(c);
        if (len == kLineMax) break;  // the rest comes as the next line
    }
    f->line[len] = '\0';
    return f->line;
}

namespace {

// The next token when it lies wholly in the read buffer, ended there by a
// separator: its first byte and its end. Anything else (the buffer's end, a
// quote, a token too long) is left to the byte-by-byte reading.
bool tokenSpanInBuffer(const StandardFile* f, const char*& start, const char*& stop) {
    if (f->remaining <= 0) return false;
    const char* const begin = f->buffer + f->bufferPos;
    const char* const end = begin + f->remaining;
    const char* p = begin;
    while (p < end && isSeparator(static_cast<unsigned char>(*p))) ++p;
    start = p;
    while (p < end && *p != '"' && !isSeparator(static_cast<unsigned char>(*p))) ++p;
    stop = p;
    const size_t len = static_cast<size_t>(p - start);
    return p != end && *p != '"' && len != 0 && len <= kTokenMax;
}

// Moves past a token found in the buffer and the separator that ended it.
void consumeToken(StandardFile* f, const char* stop) {
    const auto used = static_cast<int32_t>(stop + 1 - (f->buffer + f->bufferPos));
    f->bufferPos += used;
    f->remaining -= used;
}

// A token that lies wholly in the read buffer is copied at once; anything
// else is left to the byte-by-byte reading, which reads it the same way.
char* tokenInBuffer(StandardFile* f, char* token) {
    const char* start;
    const char* stop;
    if (!tokenSpanInBuffer(f, start, stop)) return nullptr;
    const size_t len = static_cast<size_t>(stop - start);
    std::memcpy(token, start, len);
    token[len] = '\0';
    consumeToken(f, stop);
    return token;
}

}  // namespace

bool kx::files::quickNumber(StandardFile* f, double& value) {
    const char* start;
    const char* stop;
    if (!f || !tokenSpanInBuffer(f, start, stop)) return false;
    if (!kx::numbers::plain(start, stop, value)) return false;
    consumeToken(f, stop);
    return true;
}

char* StdGetNextArg(StandardFile* f) {
    if (!f) return nullptr;
    char* token = tokenBuffer();
    if (char* quick = tokenInBuffer(f, token)) return quick;
    int c;
    do {
        c = nextChar(f);
        if (c < 0) return nullptr;
    } while (isSeparator(c));
    size_t len = 0;
    for (;;) {
        if (c == '"') return readQuoted(f, token);
        if (len == kTokenMax) break;  // full: the character just read is lost
        token[len++] = static_cast<char>(c);
        c = nextChar(f);
        if (c < 0 || isSeparator(c)) break;
    }
    token[len] = '\0';
    return token;
}

int StdPutLine(StandardFile* f, const char* fmt, ...) {
    if (!f || !fmt) return 0;
    va_list args;
    va_start(args, fmt);
    // A line of a mesh is short: formatted on the stack, it costs no allocation.
    char line[512];
    va_list copy;
    va_copy(copy, args);
    const int n = kx::platform::vsnprintfC(line, sizeof line, fmt, copy);
    va_end(copy);
    std::string longer;
    std::string_view text;
    if (n >= 0 && static_cast<size_t>(n) < sizeof line) {
        text = std::string_view(line, static_cast<size_t>(n));
    } else {
        longer = kx::platform::vformatC(fmt, args);
        text = longer;
    }
    va_end(args);
    if (text.find('\n') != std::string_view::npos) return writeConverted(f, text, false);
    if (text.empty()) return 0;
    return kx::files::queueWrite(f, text.data(), text.size()) ? 1 : 0;
}

int StdPutLineEx(StandardFile* f, unsigned flags, const char* fmt, ...) {
    if (!f || !fmt) return 0;
    va_list args;
    va_start(args, fmt);
    std::string text = kx::platform::vformatC(fmt, args);
    va_end(args);
    return writeConverted(f, text, (flags & 1) != 0);
}

int SkipToSection(StandardFile* f, const char* section) {
    if (!f || !StdRewind(f)) return 0;
    while (char* line = StdGetLine(f)) {
        if (line[0] != '#') continue;
        char* save = nullptr;
        char* first = strtok_r(line, " \t", &save);
        if (!first || !kx::text::equalNoCase(first, "#begin")) continue;
        char* second = strtok_r(nullptr, " \t", &save);
        if (!second) {
            ErrorMessage("Error unknown file format");
            return 0;
        }
        if (section && kx::text::equalNoCase(second, section)) return 1;
    }
    ErrorMessage("Error unknown file section: %s", section ? section : "");
    return 0;
}
