// Writing the scene for a renderer: the common export driver and the POV-Ray
// dialects (1, 2 and 3), which the other renderer formats share parts of.
#pragma once

#include "kx/api.h"
#include "kx/stdfile.h"
#include "kx/types.h"

// Writes the whole scene in the file's format (its type field). 1 when the
// object list was walked; 0 for an empty scene or while an export is running.
KXCORE_API int ExportObjects(StandardFile* f);
// The format's header; with withScene non-zero also the scene's include text,
// background and the user textures it uses.
KXCORE_API int WriteHeader(StandardFile* f, int withScene);
KXCORE_API int ExportAttributes(StandardFile* f, CadObject* obj);
KXCORE_API int ExportTexture(StandardFile* f, CadObject* obj);
KXCORE_API int SaveTextureLayers(StandardFile* f, const char* name);
KXCORE_API int SaveUserTextureAs(StandardFile* f);
// Writes the groups whose ids lie between first and last, each once.
KXCORE_API int SaveGroupsAsPov(StandardFile* f, unsigned first, unsigned last);
// The image keyword and quoted file name of a height field (per thread).
KXCORE_API char* GetPovHeightField(const char* fileName);

// Writes the scene's meshes as a Wavefront OBJ file (".OBJ" added to a name
// without a dot). 0 when the scene has no objects or the file could not be
// written (reported as "Unable to export"; a file of that name is kept).
KXCORE_API int WriteOBJ(const char* fileName);

// Write the triangles of every exported mesh and primitive (as the views draw
// them) to an STL or PLY file, binary (PLY little-endian) when `binary` is
// non-zero, else as text. The name is used as given. STL keeps one colour per
// triangle in the five-bit form of its last two bytes, PLY one per vertex.
// 0, with the file left as it was, when it could not be written or when no
// object gave a triangle ("Nothing to export to <name>: ...").
KXCORE_API int WriteSTL(const char* fileName, int binary);
KXCORE_API int WritePLY(const char* fileName, int binary);
// glTF 2.0: a container when the name ends in ".glb", else the JSON with a
// ".bin" buffer of the same stem beside it. Each mesh a node, a material
// (base colour) per colour, the active camera, lights as KHR_lights_punctual
// point lights. Coordinates as the scene keeps them, as the other mesh
// formats are written. 0 as WriteSTL.
KXCORE_API int WriteGLTF(const char* fileName);

// POV-Ray 3 meshes written as "mesh2" (vertices once, faces by index) when
// on; off (the default) as a "mesh" of triangles.
KXCORE_API void SetExportMesh2(int on);
KXCORE_API int GetExportMesh2();
// Where POV-Ray 3 exports that write mesh2 keep each mesh: in an include file
// of its own in this folder, named by a digest of what it holds, written only
// when no whole file of that name is there yet (and written again when one
// was cut short or changed by hand), the scene file including it. Null or ""
// writes every mesh into the scene file, as without it.
KXCORE_API void SetExportMeshCache(const char* folder);
KXCORE_API const char* GetExportMeshCache();
