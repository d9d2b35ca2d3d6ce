// Frame sequences: one renderer command line per frame from a "$" template,
// in plain or inside-out order; the frame list; the point template; ".TPL"
// template files.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "anim/anim_internal.h"
#include "kxplatform/c_locale.h"

namespace {

kx::SequenceTemplates& templates() { return kx::anim::state().templates; }

// A field of a caller's record, which need not be terminated.
template <size_t N>
std::string field(const char (&text)[N]) {
    return std::string(text, strnlen(text, N));
}

// Copies a template, replacing "$" and the character after it by what
// `value` gives for that character (nothing for an unknown one). A "$" at the
// very end is dropped. The result is cut to fit `out`.
template <class Value>
char* expand(const char* text, size_t textSize, char (&out)[kx::kTemplateSize], Value&& value) {
    std::string result;
    const size_t n = strnlen(text, textSize);
    for (size_t i = 0; i < n && result.size() < kx::kTemplateSize - 1; ++i) {
        if (text[i] != '$') {
            result += text[i];
            continue;
        }
        if (++i >= n) break;
        result += value(text[i]);
    }
    result.resize(std::min(result.size(), kx::kTemplateSize - 1));
    std::memcpy(out, result.data(), result.size());
    out[result.size()] = '\0';
    return out;
}

std::string number(long long v) { return kx::platform::formatC("%lld", v); }

}  // namespace

char* GetSequenceTemplate() noexcept { return templates().sequence; }

char* GetObjectTemplate() noexcept { return templates().object; }

int SetSequenceTemplateCmd(const char* text) noexcept {
    templates().command = text ? text : "";
    return 1;
}

int SetSequenceTemplateExtension(const char* ext) noexcept {
    templates().sequenceExtension = ext ? ext : "";
    return 1;
}

int SetListTemplateExtension(const char* ext) noexcept {
    templates().listExtension = ext ? ext : "";
    return 1;
}

int SetSequenceTemplateResolution(unsigned width, unsigned height) noexcept {
    templates().width = width;
    templates().height = height;
    return 1;
}

char* ParseSeqTemplate(unsigned frame, SeqInfo* seq) noexcept {
    kx::SequenceTemplates& t = templates();
    const size_t length = strnlen(t.sequence, sizeof t.sequence);
    const bool command = std::string_view(t.sequence, length).find("$C") != std::string_view::npos;
    const char* text = command ? t.command.c_str() : t.sequence;
    const size_t size = command ? t.command.size() + 1 : sizeof t.sequence;
    return expand(text, size, t.sequenceResult, [&](char key) -> std::string {
        switch (key) {
            case 'N': return seq ? field(seq->name) : std::string();
            case 'E': return seq ? field(seq->extension) : std::string();
            case 'R': return seq ? field(seq->render) : std::string();
            case 'I': return seq ? field(seq->image) : std::string();
            case 'F': return number(static_cast<int>(frame));
            case 'W': return number(static_cast<int>(t.width));
            case 'H': return number(static_cast<int>(t.height));
            default: return std::string();
        }
    });
}

char* ParseObjTemplate(double x, double y, double z) noexcept {
    kx::SequenceTemplates& t = templates();
    return expand(t.object, sizeof t.object, t.objectResult, [&](char key) -> std::string {
        switch (key) {
            case 'X': return kx::platform::formatC("%g", x);
            case 'Y': return kx::platform::formatC("%g", y);
            case 'Z': return kx::platform::formatC("%g", z);
            default: return std::string();
        }
    });
}

int InsideOut(int count, int i, int* frame, int* step) noexcept {
    long long f = 0;
    long long s = count;
    if (count >= 2) {
        // Each halving of the stride decides one binary digit of the frame;
        // r counts the frames left at this level of the order.
        long long p = 1;
        long long r = count;
        long long k = i;
        while (p < count) {
            if (2 * k >= r) {
                if (f == 0) s = p;
                f += p;
                k -= (r + 1) / 2;
            } else {
                r = r + 1;
            }
            p *= 2;
            r /= 2;
        }
    }
    s = std::min(s, count - f);
    if (frame) *frame = static_cast<int>(f);
    if (step) *step = static_cast<int>(s);
    return 0;
}

int CreateFrameTableEx(int count, int insideOut, SeqInfo* seq) noexcept {
    if (!seq) return 0;
    const std::string name = field(seq->name) + templates().sequenceExtension;
    StandardFile* f = StdOpenFile(name.c_str(), KX_OPEN_DERIVED);
    if (!f) {
        StdFileError(0, "Frame Sequence", name.c_str());
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        int frame = i;
        if (insideOut) InsideOut(count, i, &frame, nullptr);
        StdPutLine(f, "%s\n", ParseSeqTemplate(static_cast<unsigned>(frame), seq));
    }
    if (!StdCloseFile(f)) {
        StdFileError(0, "Frame Sequence", name.c_str());
        return 0;
    }
    return 1;
}

int CreateFrameList(const char* name, const char* imageExt, int count) noexcept {
    if (!name) return 0;
    const std::string path = std::string(name) + templates().listExtension;
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_DERIVED);
    if (!f) {
        StdFileError(0, "Frame List", path.c_str());
        return 0;
    }
    for (int i = 0; i < count; ++i) StdPutLine(f, "%s%d%s\r\n", name, i, imageExt ? imageExt : "");
    if (!StdCloseFile(f)) {
        StdFileError(0, "Frame List", path.c_str());
        return 0;
    }
    return 1;
}

int LoadTemplate(const char* name, char* buffer) noexcept {
    if (!name || !buffer) return 0;
    const std::string path = AddExt(name, ".TPL");
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_READ);
    if (!f) {
        StdFileError(1, "Template", path.c_str());
        return 0;
    }
    std::string text;
    while (text.size() < kx::kTemplateSize - 1) {
        const char* line = StdGetLine(f);
        if (!line) break;
        text += line;
        text += "\r\n";
    }
    StdCloseFile(f);
    text.resize(std::min(text.size(), kx::kTemplateSize - 1));
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return 1;
}

int SaveTemplate(const char* name, char* text) noexcept {
    if (!name) return 0;
    const std::string path = AddExt(name, ".TPL");
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_CREATE);
    if (!f) {
        StdFileError(0, "Template", path.c_str());
        return 0;
    }
    if (text) StdPutLine(f, "%s", text);
    if (!StdCloseFile(f)) {
        StdFileError(0, "Template", path.c_str());
        return 0;
    }
    return 1;
}
