// Text objects and extrusion: solids made from glyph outlines, the text field
// that describes a text object's string and font, and extrusion of drawn
// point and line objects into solids.
//
// A solid has walls between the depth planes z = -2 and z = +2 along every
// edge of its outlines, and caps at both planes that fill the outlines
// (even-odd rule). Glyph outlines are scaled by 0.4 scene units per pixel of
// the font height; extruded outlines keep their x and y.
#pragma once

#include "kx/api.h"
#include "kx/types.h"

// The triangles of a solid under construction: a point list with its last
// node and its node count. Start it zeroed; free head with ClearEntry.
struct TextAccumulator {
    ListEntry* head;
    ListEntry* last;
    uint32_t count;
};

// The text field of a text object (its TextString), fields joined by "|":
// text|face|height when the weight is 0 or 400, the character set 0 and no
// style bit set, else text|face|height|weight|charset|style with the style
// bits 1 italic, 2 underline, 4 strike-out. The result is a per-thread buffer
// valid until the next call; it always fits a text field, so an over-long text
// is cut to leave room for the font fields. A null font counts as the default.
KXCORE_API char* SetTextObject(const char* text, const LOGFONTA* lf);

// Reads a text field: returns its text (per-thread buffer, valid until the next
// call) and, with lf non-null, overlays the font fields found on lf; missing
// fields leave lf as it was. A field without "|" is all text. The font fields
// are read from the right, so a text that itself holds "|" comes back whole.
KXCORE_API char* GetTextObject(const char* field, LOGFONTA* lf);

// Builds the object's solid from its TextString field read over the default
// font (face "Arial", height -22, outline precision 7, everything else zero);
// 0 when the object has no such text field or the text builds nothing.
KXCORE_API int RebuildText(CadObject* obj);

// Replaces the object's geometry (point list and triangle array) by the solid
// of text in the font lf, centred on the origin, with its bounds. When the
// font builds nothing, lf's face becomes "Arial" and the text is built once
// more; when that builds nothing either: "Error generating text \"%s\"", 0,
// and the object has no geometry. Only the first 1024 bytes of a text are
// built. A null lf counts as the default font.
KXCORE_API int RipTextReplace(CadObject* obj, const char* text, LOGFONTA* lf);

// A new selected Polygon object ("_poly" + n) holding the solid of text,
// centred on the origin (at is not used); 1. When nothing could be built the
// object is not kept: 0.
KXCORE_API int RipText(Point3d at, const char* text, LOGFONTA* lf);

// Appends the triangle tri[0..2] to the accumulator; 0 for null arguments,
// when the node cannot be made, or when the accumulator holds 1,000,000
// triangles already (a solid is cut there rather than exhaust memory).
KXCORE_API int WriteTextFacet(TextAccumulator* acc, Point3d* tri);

// Extrudes a Points (8) or Lineseg (9) object, or a Polygon (10) object made
// of two-point segments, into a Polygon object of triangles. Points form one
// outline through the points in order whose last edge runs from the last
// point to the origin (no edge returns to the first point; draw the outline
// from the origin to close it there); each segment of the others is an
// outline of one edge. Points and Lineseg objects get walls and caps; a
// Polygon object of segments gets caps only while the extrude setting is on
// (SetExtrude). The drawn z values are replaced by the depth planes. Other
// objects: "Error extrude points or lines only", 0; no points: "No points too
// extrude", 0.
KXCORE_API int RipExtrude(CadObject* obj);

// RipExtrude for every object whose selected flag is set; an object that is
// still of type Points or Lineseg with a point list afterwards is tried once
// more. 1 when such a second attempt was made, else 0.
KXCORE_API int ExtrudeObjectsEx();
