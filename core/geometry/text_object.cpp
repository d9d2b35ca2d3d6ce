// Text objects: the text field that carries a text object's string and font,
// building the object's solid from it, and new mesh objects made of text.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/text_internal.h"
#include "kxplatform/glyphs.h"
#include "model/model_internal.h"
#include "model/text.h"

using kx::geometry::FacetList;
using kx::geometry::TextLayout;

namespace {

LOGFONT defaultTextFont() {
    LOGFONT lf{};
    lf.lfHeight = -22;
    lf.lfOutPrecision = 7;  // outline fonts only
    kx::text::copyField(lf.lfFaceName, "Arial");
    return lf;
}

// An integer field: blanks, an optional sign, digits, blanks.
bool isInteger(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    const size_t digits = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    if (i == digits) return false;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    return i == s.size();
}

// The number a field starts with, as atoi reads it (0 without digits), kept
// within the range of a 32-bit integer.
int32_t leadingInt(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    int64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = std::min<int64_t>(v * 10 + (s[i] - '0'), int64_t{1} << 32);
    v = negative ? -v : v;
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

std::vector<std::string_view> splitFields(std::string_view field) {
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t bar = field.find('|', start);
        parts.push_back(field.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
        if (bar == std::string_view::npos) return parts;
        start = bar + 1;
    }
}

// Which field holds the face name (0: none). The text may hold "|" itself, so
// the font fields are found from the right: the long form ends in four
// numbers, the short form in one. A field whose parts after the second are
// all numbers reads from the left, the way every text without "|" reads.
size_t faceField(const std::vector<std::string_view>& p) {
    const size_t n = p.size();
    if (n < 2) return 0;
    auto numbersFrom = [&p, n](size_t i) {
        for (; i < n; ++i)
            if (!isInteger(p[i])) return false;
        return true;
    };
    if (n - 2 <= 4 && numbersFrom(2)) return 1;
    if (n >= 6 && !isInteger(p[n - 5]) && numbersFrom(n - 4)) return n - 5;
    if (n >= 3 && !isInteger(p[n - 2]) && numbersFrom(n - 1)) return n - 2;
    return 1;
}

void readFontFields(const std::vector<std::string_view>& p, size_t face, LOGFONT& lf) {
    const size_t len = std::min(p[face].size(), sizeof lf.lfFaceName - 1);
    std::memcpy(lf.lfFaceName, p[face].data(), len);
    lf.lfFaceName[len] = '\0';
    const size_t n = std::min(p.size(), face + 5);
    for (size_t i = face + 1; i < n; ++i) {
        const int32_t v = leadingInt(p[i]);
        switch (i - face) {
            case 1: lf.lfHeight = v; break;
            case 2: lf.lfWeight = v; break;
            case 3: lf.lfCharSet = static_cast<uint8_t>(std::clamp<int32_t>(v, 0, 255)); break;
            default:
                lf.lfItalic = static_cast<uint8_t>(v & 1);
                lf.lfUnderline = static_cast<uint8_t>(v & 2);
                lf.lfStrikeOut = static_cast<uint8_t>(v & 4);
                break;
        }
    }
}

// The triangle array, bounds and centre of a freshly built solid: the solid is
// moved so that the centre of its box is the origin.
void centreSolid(CadObject* obj) {
    // The box of the list itself: the object may not be of a mesh type yet.
    CentreInfo info{};
    if (!GetObjectBounds(obj->points, &info.min, &info.max, 0)) return;
    Point3d c{};
    GetObjectPointInfo(&info, 0, &c);
    CentrePoints(obj->points, &c);
    obj->polygons = CopyListToPolygons(obj->points, obj->count);
    obj->polygonCount = obj->polygons ? obj->count : 0;
    auto less = [&c](const Point3d& p) {
        return MakePoint(static_cast<double>(p.x) - c.x, static_cast<double>(p.y) - c.y,
                         static_cast<double>(p.z) - c.z);
    };
    obj->boundMin = less(info.min);
    obj->boundMax = less(info.max);
    obj->boundValid = 1;
    SetSceneChanged(1);
}

void replaceGeometry(CadObject* obj, FacetList& facets) {
    DeleteObjectPolygons(obj);
    facets.storeInto(obj);
}

// The solid of one string in one font into obj; true when it has triangles.
bool buildInto(CadObject* obj, const char* text, size_t len, const LOGFONT& font) {
    FacetList facets;
    TextLayout layout;
    kx::geometry::buildTextSolid(text, len, font, layout, facets.get());
    replaceGeometry(obj, facets);
    return obj->count > 0;
}

// The outline of a letter T of height 1 at z = 0 and z = 1 and the segments
// joining its corners: what a text object shows until its glyphs are built.
void placeholderT(Point3d (&pts)[48]) {
    constexpr float kT[8][2] = {{0, 1}, {1, 1}, {1, 0.7f}, {0.7f, 0.7f}, {0.7f, 0}, {0.3f, 0}, {0.3f, 0.7f}, {0, 0.7f}};
    unsigned k = 0;
    for (float z : {0.0f, 1.0f})
        for (unsigned i = 0; i < 8; ++i) {
            pts[k++] = Point3d{kT[i][0], kT[i][1], z};
            pts[k++] = Point3d{kT[(i + 1) % 8][0], kT[(i + 1) % 8][1], z};
        }
    for (unsigned i = 0; i < 8; ++i) {
        pts[k++] = Point3d{kT[i][0], kT[i][1], 0};
        pts[k++] = Point3d{kT[i][0], kT[i][1], 1};
    }
}

}  // namespace

char* SetTextObject(const char* text, const LOGFONTA* lf) {
    // Always small enough for the object's text field.
    auto& buffer = kx::core().results.textObject;
    const LOGFONT font = lf ? *lf : defaultTextFont();
    char face[sizeof font.lfFaceName];
    kx::text::copyField(face, font.lfFaceName);
    const bool plain = (font.lfWeight == 0 || font.lfWeight == 400) && font.lfCharSet == 0 &&
                       !font.lfItalic && !font.lfUnderline && !font.lfStrikeOut;
    const int style = (font.lfItalic ? 1 : 0) | (font.lfUnderline ? 2 : 0) | (font.lfStrikeOut ? 4 : 0);
    char fields[128];
    if (plain)
        std::snprintf(fields, sizeof fields, "|%s|%d", face, font.lfHeight);
    else
        std::snprintf(fields, sizeof fields, "|%s|%d|%d|%d|%d", face, font.lfHeight, font.lfWeight,
                      font.lfCharSet, style);
    // The font fields always fit; a text too long for the rest is cut.
    const size_t room = sizeof buffer - 1 - std::strlen(fields);
    size_t len = text ? strnlen(text, room + 1) : 0;
    if (len > room) {
        LogMessage(1, "Text cut to %zu bytes to fit its text field", room);
        len = room;
    }
    std::snprintf(buffer, sizeof buffer, "%.*s%s", static_cast<int>(len), text ? text : "", fields);
    return buffer;
}

char* GetTextObject(const char* field, LOGFONTA* lf) {
    std::string& text = kx::core().results.textField;
    static char empty[1] = {'\0'};
    if (!field) return empty;
    try {
        const std::string_view whole(field);
        const std::vector<std::string_view> parts = splitFields(whole);
        const size_t face = faceField(parts);
        if (face == 0) {
            text.assign(whole);
        } else {
            // The text runs up to the bar before the face field.
            text.assign(whole.substr(0, static_cast<size_t>(parts[face].data() - field) - 1));
            if (lf) readFontFields(parts, face, *lf);
        }
    } catch (const std::bad_alloc&) {
        ErrorMessage("Error out of memory");
        return empty;
    }
    return text.data();
}

int RebuildText(CadObject* obj) {
    if (!obj) return 0;
    const ExtraField* f = kx::model::findExtra(obj->extra, KX_PROP_TEXTSTRING);
    if (!f || f->type != KX_VALUE_STRING) return 0;
    char field[KX_EXTRA_TEXT_MAX + 1] = {};
    if (!GetObjectExtraString(obj, KX_PROP_TEXTSTRING, field)) return 0;
    LOGFONT font = defaultTextFont();
    // A copy: the text is read while the solid is built.
    char text[KX_EXTRA_TEXT_MAX + 1];
    kx::text::copyField(text, GetTextObject(field, &font));
    return RipTextReplace(obj, text, &font);
}

int RipTextReplace(CadObject* obj, const char* text, LOGFONTA* lf) {
    if (!obj) return 0;
    LOGFONT own = defaultTextFont();
    LOGFONT& font = lf ? *lf : own;
    if (!text) text = "";
    size_t len = strnlen(text, kx::geometry::kMaxTextBytes + 1);
    if (len > kx::geometry::kMaxTextBytes) {
        LogMessage(1, "Only the first %zu bytes of a text are built", kx::geometry::kMaxTextBytes);
        len = kx::geometry::kMaxTextBytes;
    }
    // The glyph source builds at most kMaxGlyphPixels high: say so rather than
    // let a larger height shrink without a word.
    if (std::abs(static_cast<double>(font.lfHeight)) > kx::platform::kMaxGlyphPixels)
        LogMessage(1, "Text height %ld is out of range: the text is built %g high", static_cast<long>(font.lfHeight),
                   kx::platform::kMaxGlyphPixels);
    try {
        if (!buildInto(obj, text, len, font)) {
            LogMessage(1, "Face \"%.*s\" gave no outlines for \"%.*s\"; trying the default face \"Arial\"",
                       static_cast<int>(sizeof font.lfFaceName), font.lfFaceName, static_cast<int>(len),
                       text);
            kx::text::copyField(font.lfFaceName, "Arial");
            if (!buildInto(obj, text, len, font)) {
                ErrorMessage("Error generating text \"%s\"", text);
                return 0;
            }
        }
    } catch (const std::bad_alloc&) {
        ErrorMessage("Error out of memory");
        return 0;
    }
    centreSolid(obj);
    return 1;
}

int RipText(Point3d, const char* text, LOGFONTA* lf) {
    CadObject* obj = AddCadAtom(nullptr, "_poly", KX_POLYGON);
    if (!obj) return 0;
    // An object without geometry would only clutter the scene.
    const int built = RipTextReplace(obj, text, lf);
    if (!built) DeleteCadObject(obj);
    ReDrawAllChangeEx(1);
    return built;
}

int CreateTextEx(CadObject* obj) {
    if (!obj) return 0;
    Point3d placeholder[48];
    placeholderT(placeholder);
    DeleteObjectPolygons(obj);  // they belong to the solid being replaced
    CreateWireFrame(obj, 48, placeholder);
    return RebuildText(obj);
}
