// The animation block at the end of scene files: "animate" to "end".
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "anim/anim_internal.h"
#include "files/numbers.h"
#include "files/tokens.h"
#include "model/model_internal.h"
#include "model/point_compare.h"
#include "model/text.h"

using kx::anim::state;

namespace {

AniSettings& settings() { return state().settings; }

// What of a name a file can hold: line ends are written as CR LF and read
// back without the CR, and inside quotes a backslash before a quote would
// read as its escape.
std::string keptText(const char* name) {
    std::string text = name;
    std::erase(text, '\r');
    for (size_t at = text.find("\\\""); at != std::string::npos; at = text.find("\\\"")) text.erase(at, 1);
    return text;
}

// A name or folder as read: the CRs of the file's line ends inside a quoted
// text are not part of it, as its writer never writes one of its own. Taken
// before the text is cut to its field, so that a text written whole reads
// back whole.
std::string readText(const char* token) {
    std::string text = token ? token : "";
    std::erase(text, '\r');
    return text;
}

// A name as one token: quoted only when it would otherwise not read back as
// exactly one token. The line writer drops every CR, so the decision is made
// on the text as it will stand in the file.
std::string nameToken(const char* name) {
    const std::string text = keptText(name);
    if (!text.empty() && text.find_first_of(" \t\n,\"") == std::string::npos) return text;
    return SetArgStringQuote(text.c_str());
}

using kx::model::isZero;

// The frame lines are many: they are composed here and handed to the file in
// large pieces. Numbers are formatted as "%g" and "%d" in the C locale.
class FrameText {
public:
    explicit FrameText(StandardFile* f) : f_(f) { text_.reserve(kFlushAt + 256); }
    ~FrameText() { flush(); }
    FrameText(const FrameText&) = delete;
    FrameText& operator=(const FrameText&) = delete;

    void line(const char* label, long long n) {
        text_ += label;
        append(n);
        text_ += "\r\n";
        if (text_.size() >= kFlushAt) flush();
    }
    void record(const AnimFrame& fr) {
        if (fr.key && fr.hide) text_ += "  key hide\r\n";
        else if (fr.key) text_ += "  key\r\n";
        else if (fr.hide) text_ += "  hide\r\n";
        if (!kx::model::isUnitScale(fr.size)) vector("  size", fr.size);
        if (!isZero(fr.extraPoint)) vector("  extra", fr.extraPoint);
        if (!kx::model::isUnitScale(fr.scale)) vector("  scale", fr.scale);
        if (!isZero(fr.rotate)) vector("  rotate", fr.rotate);
        if (!isZero(fr.move)) vector("  move", fr.move);
    }
    void text(const char* t) { text_ += t; }
    void flush() {
        if (!text_.empty()) StdWriteFile(f_, text_.data(), text_.size());
        text_.clear();
    }

private:
    static constexpr size_t kFlushAt = 1 << 16;

    void append(long long n) {
        char digits[24];
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, n);
        text_.append(digits, ec == std::errc() ? end : digits);
    }
    void append(float v) {
        char digits[40];
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, static_cast<double>(v),
                                       std::chars_format::general, 6);
        text_.append(digits, ec == std::errc() ? end : digits);
    }
    void vector(const char* label, const Point3d& p) {
        text_ += label;
        for (float v : {p.x, p.y, p.z}) {
            text_ += ' ';
            append(v);
        }
        text_ += "\r\n";
    }

    StandardFile* f_;
    std::string text_;
};

// Three numbers as the scene readers take a point: a missing number counts as
// 0, but a point cut off before its third is an error.
bool readPoint(StandardFile* f, Point3d& p) {
    double v[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        const char* token = StdGetNextArg(f);
        if (!token && k == 2) {
            ErrorMessage("Error reading file");
            return false;
        }
        if (token) v[k] = kx::tokens::number(token);
    }
    p = MakePoint(v[0], v[1], v[2]);
    return true;
}

enum class Word { Other, End, MaxFrames, ObjectName, Frame, Object, Size, Extra, Scale, Rotate, Move, Key, Hide, Dir };

struct Keyword {
    const char* text;  // lower case
    size_t length;
    Word word;
};

constexpr Keyword kKeywords[] = {
    {"end", 3, Word::End},       {"maxframes", 9, Word::MaxFrames}, {"objectname", 10, Word::ObjectName},
    {"frame", 5, Word::Frame},   {"object", 6, Word::Object},       {"size", 4, Word::Size},
    {"extra", 5, Word::Extra},   {"scale", 5, Word::Scale},         {"rotate", 6, Word::Rotate},
    {"move", 4, Word::Move},     {"key", 3, Word::Key},             {"hide", 4, Word::Hide},
    {"dir", 3, Word::Dir},
};

bool sameWord(const char* token, const Keyword& k) {
    for (size_t i = 0; i < k.length; ++i) {
        char c = token[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != k.text[i]) return false;
    }
    return true;
}

// Keywords in any case; the block holds millions of tokens, so only keywords
// of the token's length are compared.
Word wordOf(const char* token, size_t length) {
    for (const Keyword& k : kKeywords)
        if (k.length == length && sameWord(token, k)) return k.word;
    return Word::Other;
}

// A decimal whole number (digits up to the first other character, a sign
// allowed before them); -1 for anything that is no number or negative. A too
// large one stays too large for any frame or object.
long long indexOf(const char* token) {
    long long v = -1;
    if (!kx::numbers::leadingInteger(token, v) || v < 0) return -1;
    return v;
}

// A frame count: negative or huge values become the largest, which is refused.
unsigned frameCountOf(const char* token) {
    long long v = 0;
    if (!kx::numbers::leadingInteger(token, v)) return 0;
    if (v < 0 || v > 0xFFFFFFFFLL) return 0xFFFFFFFFu;
    return static_cast<unsigned>(v);
}

std::string lowerCase(const char* text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The scene's objects with points by name in any case, in scene order; made
// once per block, so that a block naming every object of a large scene does
// not walk the scene for each name.
class ObjectsByName {
public:
    // The object an "objectname" line stands for: the first object of that
    // name (exactly that spelling first, then in any case) that can take an
    // entry and has none yet.
    CadObject* find(const char* name) {
        if (!built_) {
            for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
                if (o->points) index_[lowerCase(o->name)].push_back(o);
            built_ = true;
        }
        auto found = index_.find(lowerCase(name));
        if (found == index_.end()) return nullptr;
        CadObject* anyCase = nullptr;
        for (CadObject* o : found->second) {
            if (kx::anim::entryOf(o) || !kx::anim::canTakeEntry(o)) continue;
            if (std::strcmp(o->name, name) == 0) return o;
            if (!anyCase) anyCase = o;
        }
        return anyCase;
    }

private:
    std::unordered_map<std::string, std::vector<CadObject*>> index_;
    bool built_ = false;
};

class BlockReader {
public:
    explicit BlockReader(StandardFile* f) : f_(f) {}
    int run();

private:
    // The record "frame n" / "object k" point at, when both exist; found
    // again whenever either number or the table changes.
    void locate() {
        record_ = nullptr;
        if (frame_ < 0 || entry_ < 0) return;
        AnimObject* e = GetAniObject(static_cast<unsigned>(entry_));
        if (!e || !e->object || !e->frames || static_cast<unsigned long long>(frame_) >= GetMaxFrame()) return;
        record_ = &e->frames[frame_];
    }
    void startRecord() {
        locate();
        if (record_) {
            *record_ = AnimFrame{};
            record_->size = record_->scale = Point3d{1, 1, 1};
        }
    }
    bool maxFrames(const char* token);
    void objectName(const char* token);
    Point3d* vector(Word w) {
        if (!record_) return nullptr;
        switch (w) {
            case Word::Size: return &record_->size;
            case Word::Extra: return &record_->extraPoint;
            case Word::Scale: return &record_->scale;
            case Word::Rotate: return &record_->rotate;
            default: return &record_->move;
        }
    }

    StandardFile* f_;
    long long frame_ = 0;
    long long entry_ = 0;
    AnimFrame* record_ = nullptr;
    int result_ = 1;
    ObjectsByName objects_;
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
    CadObject* obj = objects_.find(name.c_str());
    if (obj && kx::anim::addEntry(obj)) return;
    if (!obj) ErrorMessage("Unable to select animation object \"%s\" ", name.c_str());
    kx::anim::addEmptyEntry();
    result_ = 0;
}

int BlockReader::run() {
    for (;;) {
        const char* token = StdGetNextArg(f_);
        if (!token) break;
        const Word w = wordOf(token, strnlen(token, 11));
        if (w == Word::End) break;
        switch (w) {
            case Word::Key:
                if (record_) record_->key = 1;
                continue;
            case Word::Hide:
                if (record_) record_->hide = 1;
                continue;
            case Word::Size:
            case Word::Extra:
            case Word::Scale:
            case Word::Rotate:
            case Word::Move: {
                Point3d p{};
                if (!readPoint(f_, p)) return 0;
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
                locate();
                break;
            case Word::ObjectName:
                objectName(value);
                locate();
                break;
            case Word::Frame:
                frame_ = indexOf(value);
                locate();
                break;
            case Word::Object:
                entry_ = indexOf(value);
                startRecord();
                break;
            default: kx::text::copyField(settings().dir, readText(value).c_str()); break;
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
    // A folder that keeps nothing in a file would read back as an empty one.
    if (!keptText(s.dir).empty()) StdPutLine(f, "dir %s\n", nameToken(s.dir).c_str());
    for (unsigned i = 0; AnimObject* e = GetAniObject(i); ++i)
        if (e->object && e->frames) StdPutLine(f, "objectname %s\n", nameToken(e->object->name).c_str());
    FrameText text(f);
    for (unsigned frame = 0; frame < s.maxFrames; ++frame) {
        text.line("frame ", frame);
        int k = 0;
        for (unsigned i = 0; AnimObject* e = GetAniObject(i); ++i) {
            if (!e->object || !e->frames) continue;
            text.line("object ", k++);
            text.record(e->frames[frame]);
        }
    }
    text.text("end\r\n");
    text.flush();
    s.frameChange = 0;
    return 1;
}

int ReadAnimate(StandardFile* f, const char* name) noexcept {
    if (!f) return 0;
    kx::text::copyField(settings().name, readText(name).c_str());
    BlockReader reader(f);
    const int result = reader.run();
    repairZeroScales();
    state().updateControl = 1;
    return result;
}
