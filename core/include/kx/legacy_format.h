// The statement form of the scene file (version 1.5), point files (".PTS"),
// facet files (".PGN", ".RAW"), and the point and facet writers the exporters
// use.
#pragma once

#include "kx/api.h"
#include "kx/stdfile.h"
#include "kx/types.h"

// Opens any scene file (".CAD" added when the file name has no dot) and reads
// it: block form from version 2.0 on, statements below. 0 when the file cannot
// be opened ("Unable to open/load") or its version line is bad; statements
// that fail are reported and skipped; an unknown keyword ends reading with
// "Error Invalid Kalvex File" (objects completed so far stay). A file that
// loads scene files nested deeper than 16 stops there.
KXCORE_API int LoadScene(CadScene* scene, const char* name);
// Writes the scene as statements. 1 when the file was written; 0 when it could
// not be created, or for a scene without objects (the header is written).
KXCORE_API int SaveScene(CadScene* scene, const char* name);

// A ".PTS" point file (extension added when the file name has no dot): one
// points object per named run of lines. 0 only when it cannot be opened.
KXCORE_API int ReadPTS(const char* name);
// A ".PGN"/".RAW" facet file: every nine numbers a triangle, all in one
// polygon object named after the file. 0 only when it cannot be opened.
KXCORE_API int ReadFacets(const char* name);

// Writes the object's facets to the name with its extension replaced by
// ".RAW", in the syntax of format `type`. 1, or 0 when it cannot be created.
KXCORE_API int WriteFacetFile(CadObject* obj, const char* name, int type);
// Every facet of one object in the syntax of the file's format id; counts
// them in f->facetCount. 0 for an object without points, for points that are
// no facets, or a format without facet syntax ("Unknown polygon type: %d").
// A facet whose text outgrows the 1024-byte line is reported ("Error string
// too long") and left out.
KXCORE_API int WriteFacetsEx(CadObject* obj, StandardFile*& f);
// Every vertex of the object as one point line of the format.
KXCORE_API int WritePointsAs(CadObject* obj, StandardFile* f, int format);
KXCORE_API int WritePointsEx(StandardFile* f, int format, double x, double y, double z);

// Pieces of the statement writer. WriteArgs: the size, extra, scale, rotate
// and move lines; WriteArgsCommon: the group and attrib lines; WriteAllArgs:
// both; WriteExtraInfo: the fields section of an object with extra fields.
// 1, or 0 for a null file or object.
KXCORE_API int WriteArgs(StandardFile* f, CadObject* obj);
KXCORE_API int WriteArgsCommon(StandardFile* f, CadObject* obj);
KXCORE_API int WriteAllArgs(StandardFile* f, CadObject* obj);
KXCORE_API int WriteExtraInfo(StandardFile* f, CadObject* obj);
// For a name that starts with "_" and has at most 32 characters, the name up
// to its first digit (a static buffer); any other name is returned itself.
KXCORE_API char* StripObjectName(char* name);
