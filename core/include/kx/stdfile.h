// The buffered text file every format reads and writes through: a tokenizer for
// blank- and comma-separated arguments with quoted strings, and a line writer
// that always ends lines with CR LF.
#pragma once

#include <cstdint>

#include "kx/api.h"
#include "kx/types.h"

struct StdFileInternals;

// Open modes (the flags callers pass).
enum : unsigned long {
    KX_OPEN_READ = 0x40,        // read an existing file
    KX_OPEN_CREATE = 0x1041,    // create or replace for writing
    KX_OPEN_WRITE = 0x41,       // write into an existing file
    KX_OPEN_READWRITE = 0x42,   // read and write an existing file
    // Create or replace a file made from the scene (an export, a render batch):
    // replaced whole like KX_OPEN_CREATE, but not synced to the disk first. A
    // crash of the machine costs writing it again, never the user's work.
    KX_OPEN_DERIVED = 0x3041,
};

struct StandardFile {
    intptr_t handle;
    uint32_t type;          // file-type id of the format read or written
    uint32_t facetCount;    // facets written by the facet writer for the current object
    char buffer[4096];      // read buffer
    char line[4097];        // the last line of StdGetLine, terminated
    int32_t bufferStart;    // file position of buffer[0]
    int32_t remaining;      // unread bytes in the buffer
    int32_t bufferPos;      // next byte of the buffer to return
    CadScene* scene;        // the scene being written
    // Set once any write or the close failed; a failed file is never reported
    // as written, and a replaced file keeps its old content.
    int error;
    StdFileInternals* internals;
};

// A file opened with KX_OPEN_CREATE is written to a temporary file beside the
// target, synced, and renamed over it by a successful StdCloseFile (with
// KX_OPEN_DERIVED the same without the sync). A file to be read is
// also found under a case-insensitive match of its name or with "\" as "/".
KXCORE_API StandardFile* StdOpenFile(const char* name, unsigned long mode);
// 0 for null, or when writing or closing failed (the target is then left as it
// was and the record is freed all the same).
KXCORE_API int StdCloseFile(StandardFile* f);
// Closes without replacing the target: for a writer that gave up half way.
KXCORE_API int StdAbortFile(StandardFile* f);
KXCORE_API int StdFlush(StandardFile* f);
KXCORE_API long StdGetFilePos(StandardFile* f);
KXCORE_API int StdRewind(StandardFile* f);
KXCORE_API int StdSeek(StandardFile* f, unsigned long offset, unsigned origin);
KXCORE_API int StdReadFile(StandardFile* f, void* buf, unsigned long n);
KXCORE_API int StdWriteFile(StandardFile* f, void* buf, unsigned long n);
KXCORE_API int StdGetChar(StandardFile* f);
KXCORE_API int StdSkipToNextChar(StandardFile* f, int c);
KXCORE_API char* StdGetLine(StandardFile* f);
// The next argument in a buffer shared by all files (per thread), valid until
// the next call; null at the end of the file.
KXCORE_API char* StdGetNextArg(StandardFile* f);
KXCORE_API int StdPutLine(StandardFile* f, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
KXCORE_API int StdPutLineEx(StandardFile* f, unsigned flags, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));
KXCORE_API intptr_t StdGetFileHandle(StandardFile* f);

// Rewinds and reads to the line after "#begin <section>".
KXCORE_API int SkipToSection(StandardFile* f, const char* section);
