// The font service on fontconfig and FreeType: fontconfig finds the file of a
// face by family, weight and slant; FreeType scales its outlines to the
// requested pixel size and hands them over as lines and quadratic curves.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "kxplatform/glyphs.h"

namespace kx::platform {
namespace {

constexpr double kDefaultPixels = 22.0;
// Cubic segments (PostScript-flavoured faces) become at most 2^8 lines each.
constexpr int kMaxCubicDepth = 8;

struct FcConfigFree {
    void operator()(FcConfig* c) const { FcConfigDestroy(c); }
};
struct FcPatternFree {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FtLibraryFree {
    void operator()(FT_Library l) const { FT_Done_FreeType(l); }
};
struct FtFaceFree {
    void operator()(FT_Face f) const { FT_Done_Face(f); }
};
using PatternPtr = std::unique_ptr<FcPattern, FcPatternFree>;
using LibraryPtr = std::unique_ptr<FT_LibraryRec_, FtLibraryFree>;
using FacePtr = std::unique_ptr<FT_FaceRec_, FtFaceFree>;

// Loading the configuration reads every cache file: done once, kept for the
// life of the process and released at its end.
struct FontConfiguration {
    std::once_flag once;
    std::unique_ptr<FcConfig, FcConfigFree> config;
};

FcConfig* fontConfig() {
    static FontConfiguration state;
    std::call_once(state.once, [] { state.config.reset(FcInitLoadConfigAndFonts()); });
    return state.config.get();
}

// Family names compare like fontconfig compares them: case and blanks ignored.
bool sameFamily(const char* a, const char* b) {
    for (;;) {
        while (*a == ' ') ++a;
        while (*b == ' ') ++b;
        if (!*a || !*b) return !*a && !*b;
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
        ++a;
        ++b;
    }
}

bool isStandardName(const char* face) {
    static constexpr std::array<const char*, 10> kNames = {
        "Arial", "sans-serif", "sans", "serif", "monospace", "mono",
        "cursive", "fantasy", "system-ui", kDefaultFaceName,
    };
    return std::any_of(kNames.begin(), kNames.end(), [face](const char* n) { return sameFamily(face, n); });
}

// True when one of the font's family names is the requested one or one the
// configuration binds strongly to it (a metric alias, not a generic fallback).
bool answersTo(FcPattern* font, FcPattern* request, const char* face) {
    FcChar8* family = nullptr;
    for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
        const char* name = reinterpret_cast<const char*>(family);
        if (sameFamily(name, face)) return true;
        FcValue v;
        FcValueBinding binding;
        for (int j = 0; FcPatternGetWithBinding(request, FC_FAMILY, j, &v, &binding) == FcResultMatch; ++j)
            if (v.type == FcTypeString && binding != FcValueBindingWeak &&
                sameFamily(name, reinterpret_cast<const char*>(v.u.s)))
                return true;
    }
    return false;
}

struct FaceChoice {
    std::string file;
    int index = 0;
    bool hasMatrix = false;
    FcMatrix matrix{1, 0, 0, 1};
    bool embolden = false;
};

PatternPtr bestMatch(FcConfig* config, const char* family, int weight, bool italic,
                     const char* format, PatternPtr* substituted) {
    PatternPtr pattern(FcPatternCreate());
    if (!pattern) return nullptr;
    if (family && *family) FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
    if (format) FcPatternAddString(pattern.get(), FC_FONTFORMAT, reinterpret_cast<const FcChar8*>(format));
    if (!FcConfigSubstitute(config, pattern.get(), FcMatchPattern)) return nullptr;
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    PatternPtr font(FcFontMatch(config, pattern.get(), &result));
    if (substituted) *substituted = std::move(pattern);
    return font;
}

const char* firstFamily(FcPattern* font) {
    FcChar8* family = nullptr;
    if (FcPatternGetString(font, FC_FAMILY, 0, &family) != FcResultMatch) return "";
    return reinterpret_cast<const char*>(family);
}

bool choose(FcPattern* font, FaceChoice& out) {
    FcChar8* file = nullptr;
    FcBool outline = FcFalse;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) return false;
    if (FcPatternGetBool(font, FC_OUTLINE, 0, &outline) == FcResultMatch && !outline) return false;
    out.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(font, FC_INDEX, 0, &out.index);
    FcMatrix* m = nullptr;
    out.hasMatrix = FcPatternGetMatrix(font, FC_MATRIX, 0, &m) == FcResultMatch && m;
    if (out.hasMatrix) out.matrix = *m;
    FcBool bold = FcFalse;
    out.embolden = FcPatternGetBool(font, FC_EMBOLDEN, 0, &bold) == FcResultMatch && bold;
    return true;
}

// The file that answers to the request, preferring TrueType outlines (lines
// and quadratic curves only) among the faces of the matched family.
FontStatus findFace(const LOGFONT& lf, FaceChoice& out) {
    FcConfig* config = fontConfig();
    if (!config) return FontStatus::Unavailable;
    char face[sizeof lf.lfFaceName + 1] = {};
    std::memcpy(face, lf.lfFaceName, sizeof lf.lfFaceName);
    const int weight = lf.lfWeight > 0 ? std::min(lf.lfWeight, 1000) : 400;
    const bool italic = lf.lfItalic != 0;

    const bool standard = !*face || isStandardName(face);
    PatternPtr request;
    PatternPtr font = bestMatch(config, face, weight, italic, nullptr, &request);
    if (font && *face && !answersTo(font.get(), request.get(), face)) font.reset();
    if (!font && standard) font = bestMatch(config, kDefaultFaceName, weight, italic, nullptr, nullptr);
    if (!font && standard) font = bestMatch(config, nullptr, weight, italic, nullptr, nullptr);
    if (!font) return FontStatus::UnknownFace;

    FcChar8* format = nullptr;
    if (FcPatternGetString(font.get(), FC_FONTFORMAT, 0, &format) == FcResultMatch &&
        std::strcmp(reinterpret_cast<const char*>(format), "TrueType") != 0) {
        std::string family = firstFamily(font.get());
        PatternPtr tt = bestMatch(config, family.c_str(), weight, italic, "TrueType", nullptr);
        if (tt && sameFamily(firstFamily(tt.get()), family.c_str())) font = std::move(tt);
    }
    return choose(font.get(), out) ? FontStatus::Ok : FontStatus::UnknownFace;
}

// Collects FreeType's outline walk as contours. Values arrive in 26.6.
struct OutlineWalk {
    std::vector<GlyphContour>* contours;
    GlyphPoint last{0, 0};
    bool bad = false;

    static GlyphPoint point(const FT_Vector* v) {
        return GlyphPoint{static_cast<double>(v->x) / 64.0, static_cast<double>(v->y) / 64.0};
    }
    GlyphRecord& record(GlyphRecord::Kind kind) {
        auto& records = contours->back().records;
        if (kind != GlyphRecord::Line || records.empty() || records.back().kind != GlyphRecord::Line)
            records.push_back(GlyphRecord{kind, {}});
        return records.back();
    }
    // FreeType closes every contour with an explicit line back to its start;
    // the contour form closes itself, so that line is dropped.
    void closeContour() {
        if (contours->empty()) return;
        GlyphContour& c = contours->back();
        if (c.records.empty() || c.records.back().kind != GlyphRecord::Line) return;
        auto& pts = c.records.back().points;
        if (!pts.empty() && pts.back().x == c.start.x && pts.back().y == c.start.y) pts.pop_back();
        if (pts.empty()) c.records.pop_back();
    }
    void cubic(GlyphPoint p1, GlyphPoint p2, GlyphPoint p3) {
        const GlyphPoint p0 = last;
        // As many segments as a quadratic curve of the larger second
        // difference would get (measured in 1/64 units).
        auto second = [](GlyphPoint a, GlyphPoint b, GlyphPoint c) {
            const double ax = std::fabs(a.x - 2 * b.x + c.x) * 64.0;
            const double ay = std::fabs(a.y - 2 * b.y + c.y) * 64.0;
            return 2 * std::max(ax, ay) + std::min(ax, ay);
        };
        double d = std::max(second(p0, p1, p2), second(p1, p2, p3));
        int k = 1;
        while (d > 128.0 && k < kMaxCubicDepth) {
            d /= 4.0;
            ++k;
        }
        const int n = 1 << k;
        GlyphRecord& r = record(GlyphRecord::Line);
        for (int i = 1; i <= n; ++i) {
            const double t = static_cast<double>(i) / n, u = 1.0 - t;
            const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
            r.points.push_back(i == n ? p3
                                      : GlyphPoint{b0 * p0.x + b1 * p1.x + b2 * p2.x + b3 * p3.x,
                                                   b0 * p0.y + b1 * p1.y + b2 * p2.y + b3 * p3.y});
        }
        last = p3;
    }
};

int walkMove(const FT_Vector* to, void* user) {
    auto* w = static_cast<OutlineWalk*>(user);
    w->closeContour();
    w->last = OutlineWalk::point(to);
    w->contours->push_back(GlyphContour{w->last, {}});
    return 0;
}

int walkLine(const FT_Vector* to, void* user) {
    auto* w = static_cast<OutlineWalk*>(user);
    if (w->contours->empty()) {
        w->bad = true;  // a segment before any contour started
        return 1;
    }
    w->last = OutlineWalk::point(to);
    w->record(GlyphRecord::Line).points.push_back(w->last);
    return 0;
}

int walkConic(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto* w = static_cast<OutlineWalk*>(user);
    if (w->contours->empty()) {
        w->bad = true;  // a segment before any contour started
        return 1;
    }
    w->last = OutlineWalk::point(to);
    w->record(GlyphRecord::QuadSpline).points = {OutlineWalk::point(control), w->last};
    return 0;
}

int walkCubic(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* w = static_cast<OutlineWalk*>(user);
    if (w->contours->empty()) {
        w->bad = true;  // a segment before any contour started
        return 1;
    }
    w->cubic(OutlineWalk::point(c1), OutlineWalk::point(c2), OutlineWalk::point(to));
    return 0;
}

class FreeTypeFont final : public GlyphFont {
public:
    FreeTypeFont(LibraryPtr library, FacePtr face) : library_(std::move(library)), face_(std::move(face)) {}

    bool widths(uint32_t codepoint, GlyphWidths& out) override {
        if (!load(codepoint)) return false;
        const FT_Glyph_Metrics& m = face_->glyph->metrics;
        const double advance = static_cast<double>(face_->glyph->advance.x) / 64.0;
        out.a = static_cast<double>(m.horiBearingX) / 64.0;
        out.b = static_cast<double>(m.width) / 64.0;
        out.c = advance - out.a - out.b;
        return true;
    }

    GlyphStatus outline(uint32_t codepoint, std::vector<GlyphContour>& out) override {
        out.clear();
        if (!load(codepoint)) return GlyphStatus::Failed;
        FT_GlyphSlot slot = face_->glyph;
        if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return GlyphStatus::BadData;
        if (slot->outline.n_contours <= 0) return GlyphStatus::Blank;
        static const FT_Outline_Funcs kWalk = {walkMove, walkLine, walkConic, walkCubic, 0, 0};
        OutlineWalk walk{&out};
        try {
            if (FT_Outline_Decompose(&slot->outline, &kWalk, &walk) != 0 || walk.bad) {
                out.clear();
                return GlyphStatus::BadData;
            }
            walk.closeContour();
        } catch (const std::bad_alloc&) {
            out.clear();
            return GlyphStatus::Failed;
        }
        return out.empty() ? GlyphStatus::Blank : GlyphStatus::Ok;
    }

    bool setSize(const LOGFONT& lf) {
        double pixels = kDefaultPixels;
        const double h = static_cast<double>(lf.lfHeight);
        if (h < 0) {
            pixels = -h;
        } else if (h > 0) {
            // A positive height is the whole cell, ascender to descender.
            const double cell = static_cast<double>(face_->ascender) - face_->descender;
            pixels = cell > 0 ? h * face_->units_per_EM / cell : h;
        }
        pixels = std::clamp(pixels, 1.0, kMaxGlyphPixels);
        const auto size = static_cast<FT_F26Dot6>(std::lround(pixels * 64.0));
        return FT_Set_Char_Size(face_.get(), 0, size, 72, 72) == 0;
    }

    void synthesize(const FaceChoice& choice) {
        embolden_ = choice.embolden;
        if (!choice.hasMatrix) return;
        FT_Matrix m;
        m.xx = static_cast<FT_Fixed>(std::lround(choice.matrix.xx * 65536.0));
        m.xy = static_cast<FT_Fixed>(std::lround(choice.matrix.xy * 65536.0));
        m.yx = static_cast<FT_Fixed>(std::lround(choice.matrix.yx * 65536.0));
        m.yy = static_cast<FT_Fixed>(std::lround(choice.matrix.yy * 65536.0));
        FT_Set_Transform(face_.get(), &m, nullptr);
    }

private:
    bool load(uint32_t codepoint) {
        const FT_UInt index = FT_Get_Char_Index(face_.get(), codepoint);
        if (index == 0) return false;
        if (index == loaded_) return true;
        loaded_ = 0;
        // Unhinted outlines: the shapes as drawn, whatever the size.
        if (FT_Load_Glyph(face_.get(), index, FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING) != 0) return false;
        if (embolden_ && face_->glyph->format == FT_GLYPH_FORMAT_OUTLINE) FT_GlyphSlot_Embolden(face_->glyph);
        loaded_ = index;
        return true;
    }

    LibraryPtr library_;
    FacePtr face_;
    FT_UInt loaded_ = 0;
    bool embolden_ = false;
};

std::unique_ptr<GlyphFont> openInstalled(const LOGFONT& lf, FontStatus& status) {
    FaceChoice choice;
    status = findFace(lf, choice);
    if (status != FontStatus::Ok) return nullptr;
    FT_Library raw = nullptr;
    if (FT_Init_FreeType(&raw) != 0) {
        status = FontStatus::Unavailable;
        return nullptr;
    }
    LibraryPtr library(raw);
    FT_Face rawFace = nullptr;
    if (FT_New_Face(library.get(), choice.file.c_str(), choice.index, &rawFace) != 0) {
        status = FontStatus::UnknownFace;
        return nullptr;
    }
    FacePtr face(rawFace);
    if (!FT_IS_SCALABLE(face.get())) {
        status = FontStatus::UnknownFace;
        return nullptr;
    }
    auto font = std::make_unique<FreeTypeFont>(std::move(library), std::move(face));
    if (!font->setSize(lf)) {
        status = FontStatus::UnknownFace;
        return nullptr;
    }
    font->synthesize(choice);
    return font;
}

GlyphFontOpener& opener() {
    static GlyphFontOpener current = nullptr;
    return current;
}

// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
constexpr std::array<uint16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

std::unique_ptr<GlyphFont> openGlyphFont(const LOGFONT& lf, FontStatus& status) {
    status = FontStatus::Unavailable;
    try {
        if (GlyphFontOpener custom = opener()) return custom(lf, status);
        return openInstalled(lf, status);
    } catch (const std::bad_alloc&) {
        status = FontStatus::Unavailable;
        return nullptr;
    }
}

GlyphFontOpener setGlyphFontOpener(GlyphFontOpener replacement) {
    GlyphFontOpener previous = opener();
    opener() = replacement;
    return previous;
}

uint32_t glyphCodepoint(unsigned char byte, uint8_t) {
    if (byte >= 0x80 && byte <= 0x9F) return kCp1252High[byte - 0x80];
    return byte;
}

}  // namespace kx::platform
