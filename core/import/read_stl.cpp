// STL meshes, binary and text. A binary file is told by its length: 84 bytes
// of header and count, then 50 bytes per triangle. Anything else must be the
// text form, "solid" blocks of "facet" records.
#include <new>
#include <string_view>

#include "files/files_internal.h"
#include "import/import_internal.h"
#include "import/mesh_parts.h"

namespace {

using kx::import::MeshPart;

constexpr size_t kBinaryHeader = 84;
constexpr size_t kBinaryRecord = 50;
// The colour a triangle's last two bytes hold when their top bit is set:
// five bits each of red (10-14), green (5-9) and blue (0-4).
constexpr uint16_t kColourValid = 0x8000;

unsigned fiveBitsToByte(unsigned v) { return (v * 255 + 15) / 31; }

void fail(const std::string& path, const std::string& reason) {
    ErrorMessage("Unable to import STL file %s: %s", path.c_str(), reason.c_str());
}

bool isBinary(const std::vector<unsigned char>& data) {
    if (data.size() < kBinaryHeader) return false;
    const uint64_t count = kx::import::littleU32(data.data() + 80);
    return kBinaryHeader + count * kBinaryRecord == data.size();
}

// One part per colour, in the order the colours first appear.
std::vector<MeshPart> readBinary(const std::vector<unsigned char>& data, const std::string& stem) {
    const size_t count = kx::import::littleU32(data.data() + 80);
    std::vector<MeshPart> parts;
    std::vector<uint16_t> partColour;
    size_t current = SIZE_MAX;
    const unsigned char* record = data.data() + kBinaryHeader;
    for (size_t i = 0; i < count; ++i, record += kBinaryRecord) {
        const uint16_t attribute = kx::import::littleU16(record + 48);
        const uint16_t colour = (attribute & kColourValid) ? attribute : 0;
        if (current == SIZE_MAX || partColour[current] != colour) {
            current = SIZE_MAX;
            for (size_t k = 0; k < partColour.size() && current == SIZE_MAX; ++k)
                if (partColour[k] == colour) current = k;
            if (current == SIZE_MAX) {
                MeshPart part;
                part.name = stem;
                if (colour) {
                    part.coloured = true;
                    part.r = fiveBitsToByte((colour >> 10) & 31);
                    part.g = fiveBitsToByte((colour >> 5) & 31);
                    part.b = fiveBitsToByte(colour & 31);
                }
                // A file of one colour is usually one colour for all of it:
                // room for every triangle saves regrowing a large array.
                if (parts.empty()) part.corners.reserve(count * 3);
                parts.push_back(std::move(part));
                partColour.push_back(colour);
                current = parts.size() - 1;
            }
        }
        for (int c = 0; c < 3; ++c) {
            const unsigned char* p = record + 12 + 12 * c;
            parts[current].corners.push_back(Point3d{kx::import::storedCoordinate(kx::import::littleFloat(p)),
                                                     kx::import::storedCoordinate(kx::import::littleFloat(p + 4)),
                                                     kx::import::storedCoordinate(kx::import::littleFloat(p + 8))});
        }
    }
    return parts;
}

// The text form. Facets of more than three corners are fanned; "facet",
// "outer loop" and the closing words are not required, only the vertices.
class TextReader {
public:
    TextReader(const std::vector<unsigned char>& data, std::string stem) : lines_(data.data(), data.size()), stem_(std::move(stem)) {}

    bool run(std::vector<MeshPart>& parts, std::string& error) {
        std::string_view line;
        bool sawSolid = false;
        while (lines_.next(line)) {
            kx::import::WordCursor words(line);
            std::string_view kind;
            if (!words.next(kind)) continue;
            if (kind == "solid") {
                sawSolid = true;
                closeFacet();
                MeshPart part;
                const std::string_view name = words.rest();
                part.name = name.empty() ? stem_ : std::string(name.substr(0, 31));
                parts.push_back(std::move(part));
            } else if (kind == "vertex") {
                if (!sawSolid) break;
                double v[3];
                for (double& x : v) {
                    bool isNumber = false;
                    if (!words.nextNumber(x, isNumber) || !isNumber) {
                        error = "damaged vertex on line " + std::to_string(lines_.lineNumber());
                        return false;
                    }
                }
                corners_.push_back(MakePoint(kx::import::storedCoordinate(v[0]), kx::import::storedCoordinate(v[1]),
                                             kx::import::storedCoordinate(v[2])));
            } else if (kind == "endloop" || kind == "endfacet" || kind == "facet") {
                closeFacet(parts);
            } else if (kind == "endsolid") {
                closeFacet(parts);
            }
            // "outer loop" and anything unknown: nothing to take.
        }
        if (!sawSolid) {
            error = "neither a binary STL file (its length does not match its triangle count) nor a text one";
            return false;
        }
        closeFacet(parts);
        // One solid is the file's mesh, named after the file as a binary one
        // is; the solids of a file of several keep their own names.
        if (parts.size() == 1) parts.front().name = stem_;
        return true;
    }

private:
    void closeFacet() { corners_.clear(); }
    void closeFacet(std::vector<MeshPart>& parts) {
        if (corners_.size() >= 3 && !parts.empty()) {
            std::vector<Point3d>& out = parts.back().corners;
            for (size_t k = 1; k + 1 < corners_.size(); ++k) {
                out.push_back(corners_[0]);
                out.push_back(corners_[k]);
                out.push_back(corners_[k + 1]);
            }
        }
        corners_.clear();
    }

    kx::import::LineCursor lines_;
    std::string stem_;
    std::vector<Point3d> corners_;
};

}  // namespace

int ReadSTL(const char* fileName) noexcept {
    try {
        std::string path;
        auto data = kx::import::loadFile(fileName, ".stl", "STL", path);
        if (!data) return 0;
        kx::files::ReadingScope reading;
        const std::string stem = kx::import::fileStem(path);
        std::vector<MeshPart> parts;
        if (isBinary(*data)) {
            parts = readBinary(*data, stem);
        } else {
            std::string error;
            if (!TextReader(*data, stem).run(parts, error)) {
                fail(path, error);
                return 0;
            }
        }
        if (!kx::import::addMeshParts(parts)) {
            fail(path, "out of memory");
            return 0;
        }
        return 1;
    } catch (const std::bad_alloc&) {
        ErrorMessage("Out of memory reading %s", fileName ? fileName : "");
        return 0;
    }
}
