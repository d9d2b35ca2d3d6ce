// Plain point files (".PTS": named runs of point lines) and facet files
// (".PGN", ".RAW": every nine numbers a triangle), as other programs write them.
#include <string>

#include "files/formats_internal.h"
#include "files/numbers.h"
#include "geometry/point_list_builder.h"

namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Up to three numbers separated by blanks, commas or tabs; a coordinate the
// line does not give keeps its previous value.
void readPointLine(const char* text, double coords[3]) {
    const std::string line = text;
    const char* separators = " ,\t";
    size_t pos = 0;
    for (int k = 0; k < 3; ++k) {
        pos = line.find_first_not_of(separators, pos);
        if (pos == std::string::npos) return;
        size_t end = line.find_first_of(separators, pos);
        // A number with nothing behind it but the line's end.
        const std::string word = line.substr(pos, end - pos);
        const char* stop = nullptr;
        const double v = kx::numbers::leading(word.c_str(), &stop);
        while (*stop == '\r' || *stop == '\n') ++stop;
        if (stop != word.c_str() && *stop == '\0') coords[k] = v;
        if (end == std::string::npos) return;
        pos = end;
    }
}

}  // namespace

int ReadPTS(const char* name) {
    const std::string path = kx::files::withDefaultExtension(name, ".PTS");
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_READ);
    if (!f) {
        StdFileError(1, "Points", path.c_str());
        return 0;
    }
    kx::files::ReadingScope reading;
    std::string current = NormalizeObjectName(path.c_str());
    kx::geometry::PointListBuilder points;
    double coords[3] = {0, 0, 0};
    bool memoryOut = false;
    while (const char* text = StdGetLine(f)) {
        if (isLetter(text[0])) {
            if (points.count()) points.makeObject(current.c_str(), KX_POINTS);
            current = text;
            continue;
        }
        readPointLine(text, coords);
        const Point3d p = MakePoint(coords[0], coords[1], coords[2]);
        // Once memory ran out the rest of the file is read over.
        if (!memoryOut && !points.add(1, &p)) memoryOut = true;
    }
    StdCloseFile(f);
    points.makeObject(current.c_str(), KX_POINTS);
    return 1;
}

int ReadFacets(const char* name) {
    const std::string path = kx::files::withDefaultExtension(name, ".PGN");
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_READ);
    if (!f) {
        StdFileError(1, "Facets", path.c_str());
        return 0;
    }
    kx::files::ReadingScope reading;
    kx::geometry::PointListBuilder facets;
    Point3d triangle[3];
    double vertex[3];
    unsigned numbers = 0;
    bool memoryOut = false;
    while (const char* token = StdGetNextArg(f)) {
        if (isLetter(token[0])) continue;
        vertex[numbers % 3] = kx::numbers::leading(token);
        ++numbers;
        if (numbers % 3 == 0) triangle[(numbers / 3 - 1) % 3] = MakePoint(vertex[0], vertex[1], vertex[2]);
        if (numbers == 9) {
            numbers = 0;
            if (!memoryOut && !facets.add(3, triangle)) memoryOut = true;
        }
    }
    StdCloseFile(f);
    // A trailing incomplete triangle is dropped.
    if (facets.count()) facets.makeObject(path.c_str(), KX_POLYGON);
    else LogMessage(1, "No facets in %s", path.c_str());
    return 1;
}
