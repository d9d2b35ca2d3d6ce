// The animation block at the end of scene files: "animate" to "end".
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "anim/anim_internal.h"
#include "model/model_internal.h"
#include "model/text.h"

using kx::anim::state;

namespace {

AniSettings& settings() { return state().settings; }

// A name as one token: quoted only when it would otherwise not read back as
// exactly one token. The line writer drops every CR, so the decision is made
// on the text as it will stand in the file.
std::string nameToken(const char* name) {
    std::string text = name;
    std::erase(text, '\r');
    // Inside quotes a backslash before a quote would read as its escape.
    for (size_t at = text.find("\\\""); at != std::string::npos; at = text.find("\\\"")) text.erase(at, 1);
    if (!text.empty() && text.find_first_of(" \t\n,\"") == std::string::npos) return text;
    return SetArgStringQuote(text.c_str());
}

bool isDefaultOne(const Point3d& p) { return p.x == 1.0f && p.y == 1.0f && p.z == 1.0f; }
bool isZero(const Point3d& p) { return p.x == 0.0f && p.y == 0.0f && p.z == 0.0f; }

void writeFrameRecord(StandardFile* f, const AnimFrame& fr) {
    if (fr.key && fr.hide) StdPutLine(f, "  key hide\n");
    else if (fr.key) StdPutLine(f, "  key\n");
    else if (fr.hide) StdPutLine(f, "  hide\n");
    auto vector = [f](const char* label, const Point3d& p) {
        StdPutLine(f, "%s %g %g %g\r\n", label, static_cast<double>(p.x), static_cast<double>(p.y),
                   static_cast<double>(p.z));
    };
    if (!isDefaultOne(fr.size)) vector("  size", fr.size);
    if (!isZero(fr.extraPoint)) vector("  extra", fr.extraPoint);
    if (!isDefaultOne(fr.scale)) vector("  scale", fr.scale);
    if (!isZero(fr.rotate)) vector("  rotate", fr.rotate);
    if (!isZero(fr.move)) vector("  move", fr.move);
}

enum class Word { Other, End, MaxFrames, ObjectName, Frame, Object, Size, Extra, Scale, Rotate, Move, Key, Hide, Dir };

struct Keyword {
    const char* text;
    Word word;
};

constexpr Keyword kKeywords[] = {
    {"end", Word::End},       {"maxframes", Word::MaxFrames}, {"objectname", Word::ObjectName},
    {"frame", Word::Frame},   {"object", Word::Object},       {"size", Word::Size},
    {"extra", Word::Extra},   {"scale", Word::Scale},         {"rotate", Word::Rotate},
    {"move", Word::Move},     {"key", Word::Key},             {"hide", Word::Hide},
    {"dir", Word::Dir},
};

Word wordOf(const char* token) {
    for (const Keyword& k : kKeywords)
        if (kx::text::equalNoCase(token, k.text)) return k.word;
    return Word::Other;
}

// A decimal whole number; -1 for anything that is no number or is negative.
long long indexOf(const char* token) {
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(token, &end, 10);
    if (end == token || v < 0 || errno == ERANGE) return -1;
    return v;
}

// A frame count: negative or huge values become the largest, which is refused.
unsigned frameCountOf(const char* token) {
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(token, &end, 10);
    if (end == token) return 0;
    if (v < 0 || v > 0xFFFFFFFFLL || errno == ERANGE) return 0xFFFFFFFFu;
    return static_cast<unsigned>(v);
}

// The object an "objectname" line stands for: the first object of that name
// (exactly that spelling first, then in any case) that can take an entry and
// has none yet.
CadObject* objectNamed(const char* name) {
    CadObject* anyCase = nullptr;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
        if (!o->points || !kx::text::equalNoCase(o->name, name)) continue;
        if (kx::anim::entryOf(o) || !kx::anim::canTakeEntry(o)) continue;
        if (std::strcmp(o->name, name) == 0) return o;
        if (!anyCase) anyCase = o;
    }
    return anyCase;
}

class BlockReader {
public:
    explicit BlockReader(StandardFile* f) : f_(f) {}
    int run();

private:
    // The record "frame n" / "object k" point at, when both exist.
    AnimFrame* record() {
        if (frame_ < 0 || entry_ < 0) return nullptr;
        AnimObject* e = GetAniObject(static_cast<unsigned>(entry_));
        if (!e || !e->object || !e->frames || static_cast<unsigned long long>(frame_) >= GetMaxFrame()) return nullptr;
        return &e->frames[frame_];
    }
    void startRecord() {
        if (AnimFrame* fr = record()) {
            *fr = AnimFrame{};
            fr->size = fr->scale = Point3d{1, 1, 1};
        }
    }
    bool maxFrames(const char* token);
    void objectName(const char* token);
    Point3d* vector(Word w) {
        AnimFrame* fr = record();
        if (!fr) return nullptr;
        switch (w) {
            case Word::Size: return &fr->size;
            case Word::Extra: return &fr->extraPoint;
            case Word::Scale: return &fr->scale;
            case Word::Rotate: return &fr->rotate;
            default: return &fr->move;
        }
    }

    StandardFile* f_;
    long long frame_ = 0;
    long long entry_ = 0;
    int result_ = 1;
};

bool BlockReader::maxFrames(const char* token) {
    // A new table clears the record; what this block already gave is kept.
    AniSettings& s = settings();
    const std::string name = s.name;
    const std::string dir = s.dir;
    const int ok = CreateFrames(frameCountOf(token), 48);
    kx::text::copyField(s.name, name.c_str());
    kx::text::copyField(s.dir, dir.c_str());
    return ok != 0;
}

void BlockReader::objectName(const char* token) {
    const std::string name = token;
    if (!IsAni()) {
        ErrorMessage("Unable to select animation object \"%s\" ", name.c_str());
        result_ = 0;
        return;
    }
    // Each line makes exactly one entry, so the "object" numbers that follow
    // stay with the objects the file meant.
    CadObject* obj = objectNamed(name.c_str());
    if (obj && kx::anim::addEntry(obj)) return;
    if (!obj) ErrorMessage("Unable to select animation object \"%s\" ", name.c_str());
    kx::anim::addEmptyEntry();
    result_ = 0;
}

int BlockReader::run() {
    for (;;) {
        const char* token = StdGetNextArg(f_);
        if (!token) break;
        const Word w = wordOf(token);
        if (w == Word::End) break;
        switch (w) {
            case Word::Key:
                if (AnimFrame* fr = record()) fr->key = 1;
                continue;
            case Word::Hide:
                if (AnimFrame* fr = record()) fr->hide = 1;
                continue;
            case Word::Size:
            case Word::Extra:
            case Word::Scale:
            case Word::Rotate:
            case Word::Move: {
                Point3d p{};
                if (!parseGetPoint(f_, &p)) return 0;
                if (Point3d* target = vector(w)) *target = p;
                continue;
            }
            case Word::MaxFrames:
            case Word::ObjectName:
            case Word::Frame:
            case Word::Object:
            case Word::Dir: break;
            default: continue;
        }
        const char* value = StdGetNextArg(f_);
        if (!value) break;
        switch (w) {
            case Word::MaxFrames:
                if (!maxFrames(value)) result_ = 0;
                break;
            case Word::ObjectName: objectName(value); break;
            case Word::Frame: frame_ = indexOf(value); break;
            case Word::Object:
                entry_ = indexOf(value);
                startRecord();
                break;
            default: kx::text::copyField(settings().dir, value); break;
        }
    }
    return result_;
}

// A zero size or scale in a file means "unchanged", which is 1.
void repairZeroScales() {
    const unsigned frames = GetMaxFrame();
    for (unsigned i = 0; AnimObject* e = GetAniObject(i); ++i) {
        if (!e->object || !e->frames) continue;
        for (unsigned f = 0; f < frames; ++f) {
            AnimFrame& fr = e->frames[f];
            if (isZero(fr.size)) fr.size = Point3d{1, 1, 1};
            if (isZero(fr.scale)) fr.scale = Point3d{1, 1, 1};
        }
    }
}

}  // namespace

int WriteAnimate(StandardFile* f) noexcept {
    AniSettings& s = settings();
    if (!f || !s.active) return 0;
    UpdateObjectFromCurrent();
    StdPutLine(f, "animate %s\n", nameToken(s.name).c_str());
    StdPutLine(f, "maxframes %d\n", static_cast<int>(s.maxFrames));
    if (s.dir[0]) StdPutLine(f, "dir %s\n", nameToken(s.dir).c_str());
    for (unsigned i = 0; AnimObject* e = GetAniObject(i); ++i)
        if (e->object && e->frames) StdPutLine(f, "objectname %s\n", nameToken(e->object->name).c_str());
    for (unsigned frame = 0; frame < s.maxFrames; ++frame) {
        StdPutLine(f, "frame %d\r\n", static_cast<int>(frame));
        int k = 0;
        for (unsigned i = 0; AnimObject* e = GetAniObject(i); ++i) {
            if (!e->object || !e->frames) continue;
            StdPutLine(f, "object %d\r\n", k++);
            writeFrameRecord(f, e->frames[frame]);
        }
    }
    StdPutLine(f, "end\r\n");
    s.frameChange = 0;
    return 1;
}

int ReadAnimate(StandardFile* f, const char* name) noexcept {
    if (!f) return 0;
    kx::text::copyField(settings().name, name);
    BlockReader reader(f);
    const int result = reader.run();
    repairZeroScales();
    state().updateControl = 1;
    return result;
}
