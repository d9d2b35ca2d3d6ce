// What the export writers share: the run's state, vectors, indentation, names.
#pragma once

#include <string>
#include <unordered_set>

#include "core_state.h"

namespace kx::exporter {

enum Format : unsigned {
    kRaw = 5,
    kPovray2 = 10,
    kPovray3 = 11,
    kPovray1 = 12,
    kPolyray = 19,
};

// One export run at a time.
struct ExportRun {
    bool busy = false;
    int indentUnit = 4;
    int indentDepth = 0;
    bool grouped = false;
    unsigned firstGroup = 0, lastGroup = 0;
    std::unordered_set<const CadObject*> userInline;  // objects whose UserInline text waits
    std::unordered_set<const CadObject*> declared;    // grouped members given a #declare
};

ExportRun& run();

inline bool isPov(unsigned format) { return format == kPovray1 || format == kPovray2 || format == kPovray3; }
inline bool isPov23(unsigned format) { return format == kPovray2 || format == kPovray3; }

void writeVector(StandardFile* f, const Point3d& p);
void writeLabelledVector(StandardFile* f, const char* label, const Point3d& p, const char* suffix);
void indent(StandardFile* f);
void indentIn();
void indentOut();
void resetIndent();

// A name as it may stand in the scene text as an identifier: anything but
// letters, digits and "_" becomes "_", and a name that could be one of the
// renderer's own (lower-case) words gets a leading "_".
std::string identifierOf(const char* name);
// True when a texture or colour name may stand in the text as it is.
bool isPlainIdentifier(const char* name);
// "#ifndef ... #declare" of every colour name in use that is neither encoded
// nor one of the renderer's named colours, valued from its first object.
void writeColourDeclarations(StandardFile* f);
// Text for a comment line: line ends become blanks.
std::string commentText(const char* text);

// The extras pass; returns bit 0 (a VRML anchor opened) and bit 1 (a user inline text).
int exportObjectExtras(StandardFile* f, CadObject* obj, bool userInlineOnly);

// True when the object's writer will produce an object in this format, so a
// "#declare" for it names a value.
bool writesObject(StandardFile* f, CadObject* obj);

// The primitive writers; 0 when nothing could be written.
int exportObject(StandardFile* f, CadObject* obj, int extras);
int exportBlob(StandardFile* f, CadObject* obj, bool firstComponent);
void exportCamera(StandardFile* f);
void exportLights(StandardFile* f);

}  // namespace kx::exporter
