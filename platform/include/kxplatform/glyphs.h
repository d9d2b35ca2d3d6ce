// The font service behind text objects: a face found by name, weight and
// slant, and for each character its advance widths and its outline as closed
// contours of straight and quadratic segments. Coordinates are font units:
// pixels of the requested size, y upward, the origin on the baseline at the
// pen position.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "kxplatform/handles.h"

namespace kx::platform {

struct GlyphPoint {
    double x;
    double y;
};

// One piece of a contour, continuing from where the previous piece ended.
struct GlyphRecord {
    enum Kind : uint8_t {
        Line,        // straight edges through each point in turn
        QuadSpline,  // a quadratic B-spline: control points c1 .. cn; consecutive
                     // curves meet at the midpoints of c(i) and c(i+1), the last
                     // curve ends on cn
    };
    Kind kind;
    std::vector<GlyphPoint> points;
};

// A closed contour: it starts at start, runs through its records, and returns
// to start from the last point of the last record (no record repeats start).
struct GlyphContour {
    GlyphPoint start;
    std::vector<GlyphRecord> records;
};

// Horizontal metrics of a glyph: the left bearing, the width of its ink and
// the space after it; a + b + c is the advance to the next glyph.
struct GlyphWidths {
    double a;
    double b;
    double c;
};

enum class GlyphStatus {
    Ok,
    Blank,    // the character has no outline (a space): nothing to draw
    Failed,   // the glyph could not be loaded
    BadData,  // the glyph's outline could not be read
};

enum class FontStatus {
    Ok,
    UnknownFace,  // no installed face answers to the requested name
    Unavailable,  // the font service itself could not be started
};

// An open face at one size.
class GlyphFont {
public:
    virtual ~GlyphFont() = default;
    // False when the face has no glyph for the character.
    virtual bool widths(uint32_t codepoint, GlyphWidths& out) = 0;
    // The contours of the character's glyph (out is replaced).
    virtual GlyphStatus outline(uint32_t codepoint, std::vector<GlyphContour>& out) = 0;
};

// The face built when a name is empty or names the standard sans-serif face.
inline constexpr const char* kDefaultFaceName = "DejaVu Sans";
// Heights beyond this many pixels are built at this size.
inline constexpr double kMaxGlyphPixels = 16384.0;

// Opens the face lf describes: its face name, height (negative: the em height
// in pixels; positive: the height of the character cell; 0: 22 pixels),
// weight (0 counts as 400) and italic flag. Underline and strike-out are not
// part of any outline. A name is found when an installed face carries it, or
// is a strong alias of it (a metric-compatible substitute). "Arial", the
// standard face of scene files, and the generic family names are always
// found: when nothing better is installed they give the default face.
// Null with status UnknownFace or Unavailable when nothing can be opened.
std::unique_ptr<GlyphFont> openGlyphFont(const LOGFONT& lf, FontStatus& status);

// Replaces the font service (tests inject faults through it); null restores
// the installed fonts. Returns the opener that was in place.
using GlyphFontOpener = std::unique_ptr<GlyphFont> (*)(const LOGFONT& lf, FontStatus& status);
GlyphFontOpener setGlyphFontOpener(GlyphFontOpener opener);

// The Unicode character a byte of text stands for in a character set: every
// set reads bytes as Windows-1252, the code page scene texts are written in.
// 0 for the bytes that code page leaves undefined.
uint32_t glyphCodepoint(unsigned char byte, uint8_t charset);

}  // namespace kx::platform
