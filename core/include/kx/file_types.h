// Every file format by its numeric id, extension and description, and the two
// dispatchers that route reading and writing a file by its format.
#pragma once

#include "kx/api.h"
#include "kx/types.h"

// File-type ids (stored in StandardFile::type while a format is written).
enum : unsigned {
    KX_FILETYPE_UNKNOWN = 0,
    KX_FILETYPE_KALVEX = 1,
    KX_FILETYPE_RAW = 5,
    KX_FILETYPE_3D = 9,
    KX_FILETYPE_POVRAY2 = 10,
    KX_FILETYPE_POVRAY3 = 11,
    KX_FILETYPE_POVRAY1 = 12,
    KX_FILETYPE_NFF = 14,
    KX_FILETYPE_VIVID = 15,
    KX_FILETYPE_RAYSHADE = 16,
    KX_FILETYPE_RTRACE = 17,
    KX_FILETYPE_POLYRAY = 19,
    KX_FILETYPE_QRT = 20,
    KX_FILETYPE_ART = 21,
    KX_FILETYPE_DXF = 22,
    KX_FILETYPE_RENDERMAN = 23,
    KX_FILETYPE_VRML = 24,
    KX_FILETYPE_3DSTUDIO = 25,
    KX_FILETYPE_PTS = 26,
    KX_FILETYPE_PGN = 27,
    KX_FILETYPE_PSF = 28,
    KX_FILETYPE_VEC = 29,
    KX_FILETYPE_STK = 30,
    KX_FILETYPE_D3D = 31,
    KX_FILETYPE_DAT = 32,
    KX_FILETYPE_WAVEFRONT = 34,
    KX_FILETYPE_3DMF = 35,
    KX_FILETYPE_WORLDTOOLKIT = 36,
    KX_FILETYPE_TRUESPACE = 37,
    KX_FILETYPE_VRML2 = 38,
    KX_FILETYPE_STL = 39,
    KX_FILETYPE_PLY = 40,
    KX_FILETYPE_GLTF = 41,  // ".gltf" and ".glb"
};

// The names scripts, plug-ins and the command line give the file types
// ("Povray3"), compared without regard to case. The command line also takes
// "Vrml2", which the others do not know.
struct KxFileTypeName {
    const char* name;
    unsigned id;
};
inline constexpr KxFileTypeName KX_FILE_TYPE_NAMES[] = {
    {"Kalvex", KX_FILETYPE_KALVEX},     {"Raw", KX_FILETYPE_RAW},
    {"Povray3", KX_FILETYPE_POVRAY3},   {"Povray2", KX_FILETYPE_POVRAY2},
    {"Povray1", KX_FILETYPE_POVRAY1},   {"3DStudio", KX_FILETYPE_3DSTUDIO},
    {"Nff", KX_FILETYPE_NFF},           {"Vivid", KX_FILETYPE_VIVID},
    {"Rayshade", KX_FILETYPE_RAYSHADE}, {"Polyray", KX_FILETYPE_POLYRAY},
    {"Qrt", KX_FILETYPE_QRT},           {"Art", KX_FILETYPE_ART},
    {"Dxf", KX_FILETYPE_DXF},           {"RenderMan", KX_FILETYPE_RENDERMAN},
    {"Vrml", KX_FILETYPE_VRML},         {"Wavefront", KX_FILETYPE_WAVEFRONT},
    {"3dmf", KX_FILETYPE_3DMF},         {"Worldtoolkit", KX_FILETYPE_WORLDTOOLKIT},
    {"Truespace", KX_FILETYPE_TRUESPACE},
};

// The id of a file name's extension: from the first "." of the last path
// component that is followed by a character other than "." to the end,
// compared without regard to case; the first matching row wins. 0 when the
// file name has no such dot or no row matches.
KXCORE_API unsigned GetCadFileType(const char* name);
// The row's description or extension; an id not in the table gives the first
// row's ("Kalvex", ".cad").
KXCORE_API const char* GetCadFileDescription(unsigned id);
KXCORE_API const char* GetCadFileExtension(unsigned id);
// 1 when Write3Dfile writes files of the type, else 0.
KXCORE_API int IsWritableFileType(unsigned id);

// Imports a file into the current scene with the reader of its format (id 0:
// found from the name). "Unsupported import type" for an unknown type,
// "Unable to import %s file" for a format that cannot be read; then 0.
KXCORE_API int Read3Dfile(CadScene* scene, const char* name, unsigned id);
// Writes the scene in a format (id 0: found from the name) to the name, or
// "untitled" when the name is empty; export formats get the format's own
// extension in place of the name's. "Unsupported export type" and 0 for a
// format that cannot be written.
KXCORE_API int Write3Dfile(CadScene* scene, const char* name, unsigned id);
// As Write3Dfile, but an export goes to exactly `path`, its name kept whole
// ("house.v2.pov" stays "house.v2.pov"): the render road names the file in the
// renderer's command before it is written, and both must be the same file.
KXCORE_API int WriteExportFile(CadScene* scene, const char* path, unsigned id);
