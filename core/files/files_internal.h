// What the file subsystem keeps beside a StandardFile record; not exported.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core_state.h"
#include "geometry/snap_suspension.h"
#include "kxplatform/files.h"

struct StdFileInternals {
    std::string target;     // the name the caller opened
    kx::platform::FileReplacement replacement;  // open while a replacing write goes on
    int failure = 0;        // errno of the first failed write, for the report
    std::vector<char> pending;  // written bytes not yet handed to the system
    unsigned long facetsInFile = 0;  // facets the facet writer put into this file
};

namespace kx::files {

using kx::platform::findExisting;

// The renderer's word for a group's CSG operation; any other number is a union.
inline const char* csgKeyword(unsigned op) {
    return KX_CSG_KEYWORDS[op < std::size(KX_CSG_KEYWORDS) ? op : KX_CSG_UNION];
}

// Queues bytes for writing; they reach the system in large pieces. False once
// any write of the file failed.
bool queueWrite(StandardFile* f, const char* data, size_t size);

// The next argument when it lies wholly in the read buffer and is a plain
// decimal number of float range: read, and true. Anything else (the end of
// the buffer, a quote, a sign or text number() reads another way, a number
// out of range) leaves the file as it was, for StdGetNextArg. A mesh's
// numbers are read straight from the buffer, with no copy and no length.
bool quickNumber(StandardFile* f, double& value);

// A picture file whole; nothing when it cannot be read or is larger than
// any texture a model should carry (256 MiB).
std::optional<std::vector<unsigned char>> readPicture(const std::string& path);
// Keeps bytes as a file in folder under name, or, when a file of that name
// holding other bytes is there, under "stem-N.ext"; a file holding the same
// bytes is used as it is. The name given to it within the folder; empty when
// it could not be written. `created`, when given, is set when a new file was
// written (which whoever asked may remove again).
std::string keepPictureBeside(const std::string& folder, const std::string& name,
                              const std::vector<unsigned char>& bytes, bool* created = nullptr);

// While a scene file is read, new objects are not snapped to the grid: they
// keep the positions the file gives.
using ReadingScope = kx::geometry::SnapSuspension;

}  // namespace kx::files
