// What the legacy scene format, the point and facet files and the file-type
// dispatch share; not exported.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "files/files_internal.h"
#include "kxplatform/c_locale.h"

namespace kx::files {

// One triangle as the facet writer writes it: copies of its corners and their
// normals, its record or node position and the node corners it came from.
struct Triangle {
    Point3d point[3];
    Point3d normal[3];
    bool hasNormals;
    size_t index;
    unsigned corner[3];
};
// Where the first CR or LF of text is, or npos. Two searches for one byte
// each: a search for any of a set of bytes tries the set byte by byte.
inline size_t firstLineEnd(std::string_view text) {
    if (text.empty()) return std::string_view::npos;
    const void* lf = std::memchr(text.data(), '\n', text.size());
    const size_t before = lf ? static_cast<size_t>(static_cast<const char*>(lf) - text.data()) : text.size();
    if (const void* cr = std::memchr(text.data(), '\r', before)) return static_cast<size_t>(static_cast<const char*>(cr) - text.data());
    return lf ? before : std::string_view::npos;
}

// Appends text with every LF written as CR LF and every CR dropped, as the
// line writer does. The runs between line ends are copied whole: mesh text is
// mostly numbers and blanks.
inline void appendWithCrLf(std::string& out, std::string_view text) {
    for (;;) {
        const size_t stop = firstLineEnd(text);
        if (stop == std::string_view::npos) {
            out.append(text);
            return;
        }
        out.append(text.substr(0, stop));
        if (text[stop] == '\n') out.append("\r\n");
        text.remove_prefix(stop + 1);
    }
}

// Many short lines of text gathered and written in large pieces: a mesh of a
// million triangles is millions of lines. Like StdPutLine, numbers are
// formatted in the C locale and line ends become CR LF.
class LineBatch {
public:
    explicit LineBatch(StandardFile* f) : f_(f) {}
    ~LineBatch() { flush(); }
    LineBatch(const LineBatch&) = delete;
    LineBatch& operator=(const LineBatch&) = delete;

    template <class... A>
    void add(const char* fmt, A... args) {
        char line[256];
        const int n = kx::platform::snprintfC(line, sizeof line, fmt, args...);
        if (n < 0) return;
        if (static_cast<size_t>(n) < sizeof line) append(std::string_view(line, static_cast<size_t>(n)));
        else append(kx::platform::formatC(fmt, args...));
    }
    void append(std::string_view text) {
        appendWithCrLf(text_, text);
        if (text_.size() >= kChunk) flush();
    }
    void flush() {
        if (text_.empty()) return;
        StdWriteFile(f_, text_.data(), text_.size());
        text_.clear();
    }

private:
    static constexpr size_t kChunk = 1 << 16;
    StandardFile* f_;
    std::string text_;
};

// Every triangle of an object the facet writer writes, in order: degenerate
// ones left out, nodes of more than three corners fanned.
void forEachTriangle(const CadObject* obj, const std::function<void(const Triangle&)>& visit);
inline ExportHooks& exportHooks() { return core().files.exportHooks; }

// name, with ext appended when its last path component has no dot (a dotted
// folder does not count as an extension).
std::string withDefaultExtension(const char* name, const char* ext);

}  // namespace kx::files
