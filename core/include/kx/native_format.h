// The native scene file: "version 2.0", then scene, camera and object blocks.
#pragma once

#include "kx/api.h"
#include "kx/stdfile.h"
#include "kx/types.h"

// Saves the scene (".CAD" added when the name has no dot). A failed save leaves
// an older file of that name as it was and reports through StdFileError.
KXCORE_API int SaveScene2(CadScene* scene, const char* name);
KXCORE_API int WriteKalvexScene2(StandardFile* f);
KXCORE_API int WriteKalvexObject(StandardFile* f, CadObject* obj);
KXCORE_API int WriteCadPoints(StandardFile* f, CadObject* obj);
KXCORE_API int WritePoint(StandardFile* f, Point3d* p);
KXCORE_API int WriteArgLine(StandardFile* f, const char* label, Point3d* p);
KXCORE_API int SaveTexture(StandardFile* f, CadObject* obj);

// Reads "version <number>"; on failure reports, closes the file and returns 0.
KXCORE_API int ReadKalvexVersion(StandardFile* f, double* version);
// Reads every entity up to the end or the first failure, then closes the file.
KXCORE_API int ReadKalvexScene2(StandardFile* f);
KXCORE_API int ReadObjectType(StandardFile* f);
KXCORE_API int ReadKalvexOtherEntity(StandardFile* f, const char* keyword);
KXCORE_API int ReadKalvexObject(StandardFile* f, CadObject* parent, int type);
KXCORE_API int ReadKalvexObjectProperty(StandardFile* f, CadObject* obj, const char* name);
KXCORE_API int ReadKalvexPoint(StandardFile* f, Point3d* p);
KXCORE_API int parseGetPoint(StandardFile* f, Point3d* p);
// The next token after skipping "/*" ... "*/" comments; null at the end.
KXCORE_API char* ReadNextArgument(StandardFile* f);
// Reads a point-list block into obj (a new object when obj is null).
KXCORE_API int ReadCadPoints(StandardFile* f, const char* keyword, CadObject* obj);
