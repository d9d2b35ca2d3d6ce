// What the scene readers and writers keep while a file is read or written,
// and the export writers the file-type dispatch hands files to. A member of
// the core's state.
#pragma once

#include "kxcore.h"

namespace kx::exporter {
void resetLightCounter();
int writeDxfPoints(CadObject* obj, StandardFile* f);
}  // namespace kx::exporter

namespace kx::files {

// The writers of the export formats; tests may stand in for them. While one is
// missing, its formats report "Unsupported export type".
struct ExportHooks {
    int (*exportObjects)(StandardFile*) = ExportObjects;  // the common export driver
    void (*resetLightCounter)() = kx::exporter::resetLightCounter;  // numbers the lights of one file
    int (*writeObj)(const char*) = WriteOBJ;
    int (*writeDxfPoints)(CadObject*, StandardFile*) = kx::exporter::writeDxfPoints;  // one polyline per object
};

// The scene files' reading and writing state.
struct FilesState {
    // Counts the files that ended inside a record; a reader compares the count
    // before and after a piece it handed on, to learn that its file was cut.
    unsigned endsInsideRecord = 0;
    int nativeReadDepth = 0;   // group blocks of the native format being read
    int legacyLoadDepth = 0;   // legacy scene files loading scene files
    int nativeWriteDepth = 0;  // nesting of the object being written
    ExportHooks exportHooks;
    // StdGetNextArg's token: one for all files, valid until the next call.
    char token[4097] = {};
};

}  // namespace kx::files
