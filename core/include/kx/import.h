// Readers that bring meshes and scenes of other programs into the current
// scene: 3D Studio, Neutral File Format, Wavefront OBJ and AutoCAD DXF.
//
// Each opens its name with the format's extension added when the name has no
// dot (AddExt); a file that cannot be opened is reported as "Unable to import
// <format> file <name>" and gives 0. A reader that stops at damaged input
// reports it once and gives 0; the objects it made before stay in the scene.
// Otherwise 1. Numbers are read with a "." decimal point whatever the locale.
#pragma once

#include "kx/api.h"

// ".3DS". Points (x, y, z) land at (y, z, x) x 0.05. Meshes become `_facets`
// objects named after their 3D Studio objects, lights and the camera are
// created, materials enter the texture list. Faces that name a vertex the
// mesh does not have are left out (reported once).
KXCORE_API int Read3DS(const char* fileName) noexcept;
// ".nff". Points (x, y, z) land at (x, z, y). Lights, spheres, cones; polygons
// become fanned triangles, one `_facets` object per fill colour.
KXCORE_API int ReadNFF(const char* fileName) noexcept;
// ".OBJ". Groups become `_facets` objects (a group of the name of an existing
// `_facets` object continues it), faces before any group "_polygon"; a face of
// n corners gives n - 2 triangles; negative numbers count back from the last
// element read. A face naming a vertex not read is skipped; a missing normal
// or texture coordinate drops only that attribute. Every object touched is
// normalised and left unselected.
KXCORE_API int ReadOBJ(const char* fileName) noexcept;
// ".DXF". 3DFACE, 3DLINE and POLYLINE entities of the ENTITIES and BLOCKS
// sections, one `_facets` object per block (the first named after the file),
// coloured by |colour number| modulo 10.
KXCORE_API int ReadDXF(const char* fileName) noexcept;

// ".stl", binary or text, and ".ply", text or binary of either byte order.
// Each becomes `_facets` objects named after the file (the solids of a text
// STL of several after themselves), one per colour the file gives. These read the whole file
// before they change the scene: a damaged file is reported as "Unable to
// import STL file <name>: <why>" (PLY the same) and adds nothing.
KXCORE_API int ReadSTL(const char* fileName) noexcept;
KXCORE_API int ReadPLY(const char* fileName) noexcept;
// ".gltf" or ".glb" (told by the content). The default scene's nodes with
// their transforms: each node's triangle primitives (lists, strips and fans,
// with or without indices, sparse accessors applied) become a `_facets`
// object per node and material, coloured by the material's base colour;
// KHR_lights_punctual lights become lights, the first camera the camera.
// Buffers and images outside the file are read only from its own folder.
// Reported as "Unable to import glTF file <name>: <why>", adding nothing.
KXCORE_API int ReadGLTF(const char* fileName) noexcept;

// Entry points kept for the format table; they write nothing and give 0.
KXCORE_API int Write3DS(const char* fileName) noexcept;
KXCORE_API int WriteNFF(const char* fileName) noexcept;
