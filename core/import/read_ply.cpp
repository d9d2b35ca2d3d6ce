// PLY meshes in all three encodings: text, and binary of either byte order.
// The header declares elements of typed properties; "vertex" gives positions
// (with normals and colours when present), "face" and "tristrips" the
// triangles, and every other element is read past.
#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <string_view>

#include "files/files_internal.h"
#include "files/numbers.h"
#include "import/import_internal.h"
#include "import/mesh_parts.h"

namespace {

using kx::import::MeshPart;

enum class Scalar { None, Int8, Uint8, Int16, Uint16, Int32, Uint32, Float32, Float64 };

Scalar scalarNamed(std::string_view name) {
    struct Row {
        const char* name;
        Scalar type;
    };
    static constexpr Row kRows[] = {
        {"char", Scalar::Int8},     {"int8", Scalar::Int8},       {"uchar", Scalar::Uint8},
        {"uint8", Scalar::Uint8},   {"short", Scalar::Int16},     {"int16", Scalar::Int16},
        {"ushort", Scalar::Uint16}, {"uint16", Scalar::Uint16},   {"int", Scalar::Int32},
        {"int32", Scalar::Int32},   {"uint", Scalar::Uint32},     {"uint32", Scalar::Uint32},
        {"float", Scalar::Float32}, {"float32", Scalar::Float32}, {"double", Scalar::Float64},
        {"float64", Scalar::Float64},
    };
    for (const Row& r : kRows)
        if (name == r.name) return r.type;
    return Scalar::None;
}

size_t sizeOf(Scalar t) {
    switch (t) {
        case Scalar::Int8: case Scalar::Uint8: return 1;
        case Scalar::Int16: case Scalar::Uint16: return 2;
        case Scalar::Int32: case Scalar::Uint32: case Scalar::Float32: return 4;
        case Scalar::Float64: return 8;
        case Scalar::None: break;
    }
    return 0;
}

struct Property {
    std::string name;
    Scalar type = Scalar::None;
    Scalar countType = Scalar::None;  // not None: a list of `type` values
};

struct Element {
    std::string name;
    uint64_t count = 0;
    std::vector<Property> properties;
};

enum class Encoding { Text, Little, Big };

struct Header {
    Encoding encoding = Encoding::Text;
    std::vector<Element> elements;
    size_t bodyStart = 0;
};

// The failure that stops the read, with the words the user is told.
struct Damaged {
    std::string reason;
};

Header readHeader(const std::vector<unsigned char>& data) {
    kx::import::LineCursor lines(data.data(), data.size());
    std::string_view line;
    if (!lines.next(line) || kx::import::trim(line) != "ply") throw Damaged{"not a PLY file (no \"ply\" line first)"};
    Header h;
    bool sawFormat = false;
    while (lines.next(line)) {
        kx::import::WordCursor words(line);
        std::string_view kind;
        if (!words.next(kind)) continue;
        if (kind == "end_header") {
            h.bodyStart = lines.offset();
            if (!sawFormat) throw Damaged{"the header names no format"};
            return h;
        }
        if (kind == "comment" || kind == "obj_info") continue;
        std::string_view a, b, c, d;
        if (kind == "format") {
            words.next(a);
            if (a == "ascii") h.encoding = Encoding::Text;
            else if (a == "binary_little_endian") h.encoding = Encoding::Little;
            else if (a == "binary_big_endian") h.encoding = Encoding::Big;
            else throw Damaged{"unknown format \"" + std::string(a.substr(0, 40)) + "\""};
            sawFormat = true;
        } else if (kind == "element") {
            long long count = -1;
            if (!words.next(a) || !words.next(b) || !kx::numbers::integer(b, count) || count < 0)
                throw Damaged{"damaged element line " + std::to_string(lines.lineNumber())};
            h.elements.push_back(Element{std::string(a), static_cast<uint64_t>(count), {}});
        } else if (kind == "property") {
            if (h.elements.empty()) throw Damaged{"a property before any element"};
            Property p;
            if (!words.next(a)) throw Damaged{"damaged property line " + std::to_string(lines.lineNumber())};
            if (a == "list") {
                if (!words.next(b) || !words.next(c) || !words.next(d))
                    throw Damaged{"damaged property line " + std::to_string(lines.lineNumber())};
                p.countType = scalarNamed(b);
                p.type = scalarNamed(c);
                p.name = d;
                if (p.countType == Scalar::None || p.countType == Scalar::Float32 || p.countType == Scalar::Float64)
                    p.type = Scalar::None;
            } else {
                p.type = scalarNamed(a);
                if (words.next(b)) p.name = b;
            }
            if (p.type == Scalar::None) throw Damaged{"unknown property type on line " + std::to_string(lines.lineNumber())};
            h.elements.back().properties.push_back(std::move(p));
        } else {
            throw Damaged{"unknown header line " + std::to_string(lines.lineNumber())};
        }
    }
    throw Damaged{"the header has no end_header line"};
}

// Values of the body in file order, whatever the encoding.
class Values {
public:
    Values(const std::vector<unsigned char>& data, size_t start, Encoding e)
        : base_(data.data()), p_(data.data() + start), end_(data.data() + data.size()), encoding_(e) {}

    size_t left() const { return static_cast<size_t>(end_ - p_); }
    bool text() const { return encoding_ == Encoding::Text; }
    bool littleEndian() const { return encoding_ == Encoding::Little; }
    // The next n bytes of a binary body, read past.
    const unsigned char* take(size_t n) {
        if (left() < n) throw Damaged{"the file ends inside its data"};
        const unsigned char* at = p_;
        p_ += n;
        return at;
    }

    double next(Scalar t) {
        if (encoding_ == Encoding::Text) return nextText();
        const size_t n = sizeOf(t);
        if (left() < n) throw Damaged{"the file ends inside its data"};
        unsigned char b[8];
        std::memcpy(b, p_, n);
        if (encoding_ == Encoding::Big) std::reverse(b, b + n);
        p_ += n;
        switch (t) {
            case Scalar::Int8: return static_cast<int8_t>(b[0]);
            case Scalar::Uint8: return b[0];
            case Scalar::Int16: { int16_t v; std::memcpy(&v, b, 2); return v; }
            case Scalar::Uint16: { uint16_t v; std::memcpy(&v, b, 2); return v; }
            case Scalar::Int32: { int32_t v; std::memcpy(&v, b, 4); return v; }
            case Scalar::Uint32: { uint32_t v; std::memcpy(&v, b, 4); return v; }
            case Scalar::Float32: { float v; std::memcpy(&v, b, 4); return v; }
            case Scalar::Float64: { double v; std::memcpy(&v, b, 8); return v; }
            case Scalar::None: break;
        }
        return 0;
    }

private:
    double nextText() {
        while (p_ < end_ && kx::import::isBlank(static_cast<char>(*p_))) ++p_;
        const unsigned char* start = p_;
        while (p_ < end_ && !kx::import::isBlank(static_cast<char>(*p_))) ++p_;
        if (start == p_) throw Damaged{"the file ends inside its data"};
        double v = 0;
        if (!kx::numbers::whole(std::string_view(reinterpret_cast<const char*>(start), static_cast<size_t>(p_ - start)), v))
            throw Damaged{"damaged number at offset " + std::to_string(start - base_)};
        return v;
    }
    const unsigned char* base_;
    const unsigned char* p_;
    const unsigned char* end_;
    Encoding encoding_;
};

// The least room one item of an element takes in the body: counts found in
// the file are checked against what is left before anything is sized by them.
size_t leastItemSize(const Element& e, bool text) {
    size_t n = 0;
    for (const Property& p : e.properties) n += text ? 2 : sizeOf(p.countType != Scalar::None ? p.countType : p.type);
    return std::max<size_t>(n, 1);
}

void checkRoom(uint64_t count, size_t each, size_t left, const char* what) {
    // A text body's last value needs no blank after it.
    if (each != 0 && count > (left + 1) / each) throw Damaged{std::string("more ") + what + " than the file has room for"};
}

int indexOf(const Element& e, std::initializer_list<const char*> names) {
    for (size_t i = 0; i < e.properties.size(); ++i)
        for (const char* n : names)
            if (e.properties[i].name == n && e.properties[i].countType == Scalar::None) return static_cast<int>(i);
    return -1;
}

int listOf(const Element& e, std::initializer_list<const char*> names) {
    for (size_t i = 0; i < e.properties.size(); ++i)
        for (const char* n : names)
            if (e.properties[i].name == n && e.properties[i].countType != Scalar::None) return static_cast<int>(i);
    return -1;
}

// A colour property as a byte: floating-point colours run 0..1, integer ones 0..255.
unsigned colourByte(double v, Scalar t) {
    return (t == Scalar::Float32 || t == Scalar::Float64) ? kx::import::colourByte(v, 255.0)
                                                           : kx::import::colourByte(v / 255.0, 255.0);
}

constexpr uint32_t kNoColour = 0xFFFFFFFFu;

class Reader {
public:
    Reader(const std::vector<unsigned char>& data, std::string stem) : data_(data), stem_(std::move(stem)) {}

    std::vector<MeshPart> run() {
        const Header h = readHeader(data_);
        Values values(data_, h.bodyStart, h.encoding);
        for (const Element& e : h.elements) {
            checkRoom(e.count, leastItemSize(e, values.text()), values.left(), "items");
            if (e.name == "vertex") readVertices(e, values);
            else if (e.name == "face") readFaces(e, values, false);
            else if (e.name == "tristrips") readFaces(e, values, true);
            else skip(e, values);
        }
        if (missing_) LogMessage(0, "%lu faces of %s named a vertex the file does not have; they were left out",
                                 static_cast<unsigned long>(missing_), stem_.c_str());
        return std::move(parts_);
    }

private:
    void readVertices(const Element& e, Values& v) {
        const int x = indexOf(e, {"x"}), y = indexOf(e, {"y"}), z = indexOf(e, {"z"});
        const int nx = indexOf(e, {"nx"}), ny = indexOf(e, {"ny"}), nz = indexOf(e, {"nz"});
        const int r = indexOf(e, {"red", "diffuse_red", "r"}), g = indexOf(e, {"green", "diffuse_green", "g"}),
                  b = indexOf(e, {"blue", "diffuse_blue", "b"});
        const bool normals = nx >= 0 && ny >= 0 && nz >= 0, colours = r >= 0 && g >= 0 && b >= 0;
        positions_.assign(e.count, Point3d{});
        if (normals) normals_.assign(e.count, Point3d{});
        if (colours) colours_.assign(e.count, 0);
        std::vector<double> item(e.properties.size());
        // Little-endian single-precision scalars only, as most writers give
        // them: taken straight from the bytes.
        const bool plainFloats = v.littleEndian() && std::all_of(e.properties.begin(), e.properties.end(), [](const Property& p) {
            return p.countType == Scalar::None && p.type == Scalar::Float32;
        });
        for (uint64_t i = 0; i < e.count; ++i) {
            if (plainFloats) {
                const unsigned char* bytes = v.take(4 * item.size());
                for (size_t k = 0; k < item.size(); ++k) item[k] = kx::import::littleFloat(bytes + 4 * k);
            } else {
                readItem(e, v, item);
            }
            auto at = [&item](int k) { return k >= 0 ? item[static_cast<size_t>(k)] : 0.0; };
            using kx::import::storedCoordinate;
            positions_[i] = MakePoint(storedCoordinate(at(x)), storedCoordinate(at(y)), storedCoordinate(at(z)));
            if (normals) normals_[i] = MakePoint(storedCoordinate(at(nx)), storedCoordinate(at(ny)), storedCoordinate(at(nz)));
            if (colours)
                colours_[i] = colourByte(at(r), e.properties[r].type) | (colourByte(at(g), e.properties[g].type) << 8) |
                              (colourByte(at(b), e.properties[b].type) << 16);
        }
    }

    // Scalars into item (lists are read past).
    void readItem(const Element& e, Values& v, std::vector<double>& item) {
        for (size_t k = 0; k < e.properties.size(); ++k) {
            const Property& p = e.properties[k];
            if (p.countType == Scalar::None) {
                item[k] = v.next(p.type);
            } else {
                readList(p, v, scratch_);
            }
        }
    }

    void readList(const Property& p, Values& v, std::vector<double>& out) {
        const double n = v.next(p.countType);
        if (!(n >= 0)) throw Damaged{"a list of negative length"};
        // A text count may be any number: it is held to the room left before
        // it becomes an integer.
        if (n > static_cast<double>(v.left()) + 1) throw Damaged{"more list values than the file has room for"};
        checkRoom(static_cast<uint64_t>(n), v.text() ? 2 : sizeOf(p.type), v.left(), "list values");
        out.resize(static_cast<size_t>(n));
        for (double& x : out) x = v.next(p.type);
    }

    void readFaces(const Element& e, Values& v, bool strips) {
        const int list = listOf(e, {"vertex_indices", "vertex_index"});
        const int r = indexOf(e, {"red", "diffuse_red"}), g = indexOf(e, {"green", "diffuse_green"}),
                  b = indexOf(e, {"blue", "diffuse_blue"});
        const bool colours = r >= 0 && g >= 0 && b >= 0;
        std::vector<double> item(e.properties.size()), corners;
        // Faces that are only a byte count and little-endian 32-bit indices,
        // as most writers give them: taken straight from the bytes.
        const bool plainLists = v.littleEndian() && list == 0 && e.properties.size() == 1 &&
                                e.properties[0].countType == Scalar::Uint8 &&
                                (e.properties[0].type == Scalar::Int32 || e.properties[0].type == Scalar::Uint32);
        const bool signedIndices = plainLists && e.properties[0].type == Scalar::Int32;
        for (uint64_t i = 0; i < e.count; ++i) {
            if (plainLists) {
                const size_t n = *v.take(1);
                // The same checks, and messages, as any other list.
                if (n > v.left() + 1) throw Damaged{"more list values than the file has room for"};
                checkRoom(n, 4, v.left(), "list values");
                const unsigned char* bytes = v.take(4 * n);
                corners.resize(n);
                for (size_t k = 0; k < n; ++k) {
                    const uint32_t bits = kx::import::littleU32(bytes + 4 * k);
                    corners[k] = signedIndices ? static_cast<double>(static_cast<int32_t>(bits)) : static_cast<double>(bits);
                }
            }
            for (size_t k = 0; !plainLists && k < e.properties.size(); ++k) {
                const Property& p = e.properties[k];
                if (p.countType == Scalar::None) item[k] = v.next(p.type);
                else readList(p, v, static_cast<int>(k) == list ? corners : scratch_);
            }
            if (list < 0) continue;
            uint32_t colour = kNoColour;
            if (colours)
                colour = colourByte(item[r], e.properties[r].type) | (colourByte(item[g], e.properties[g].type) << 8) |
                         (colourByte(item[b], e.properties[b].type) << 16);
            if (strips) addStrip(corners, colour);
            else addFan(corners, colour);
        }
    }

    bool vertexIndex(double d, size_t& out) const {
        if (!(d >= 0) || d >= static_cast<double>(positions_.size())) return false;
        out = static_cast<size_t>(d);
        return true;
    }

    void addTriangle(size_t a, size_t b, size_t c, uint32_t colour) {
        if (colour == kNoColour && !colours_.empty()) colour = colours_[a];
        MeshPart& part = partFor(colour);
        for (size_t k : {a, b, c}) {
            part.corners.push_back(positions_[k]);
            if (!normals_.empty()) part.normals.push_back(normals_[k]);
        }
    }

    void addFan(const std::vector<double>& corners, uint32_t colour) {
        if (corners.size() < 3) return;
        std::vector<size_t>& at = indices_;
        at.resize(corners.size());
        for (size_t k = 0; k < corners.size(); ++k)
            if (!vertexIndex(corners[k], at[k])) {
                ++missing_;
                return;
            }
        for (size_t k = 1; k + 1 < at.size(); ++k) addTriangle(at[0], at[k], at[k + 1], colour);
    }

    // A strip restarts at -1; every other triangle of a strip turns the other way.
    void addStrip(const std::vector<double>& corners, uint32_t colour) {
        size_t run = 0, prev2 = 0, prev1 = 0;
        for (double d : corners) {
            if (d < 0) {
                run = 0;
                continue;
            }
            size_t k;
            if (!vertexIndex(d, k)) {
                ++missing_;
                run = 0;
                continue;
            }
            if (run >= 2) {
                if (run % 2 == 0) addTriangle(prev2, prev1, k, colour);
                else addTriangle(prev1, prev2, k, colour);
            }
            prev2 = prev1;
            prev1 = k;
            ++run;
        }
    }

    MeshPart& partFor(uint32_t colour) {
        if (lastColour_ == colour && !parts_.empty()) return parts_[lastPart_];
        auto found = partOfColour_.find(colour);
        if (found == partOfColour_.end()) {
            MeshPart part;
            part.name = stem_;
            if (colour != kNoColour) {
                part.coloured = true;
                part.r = colour & 0xFF;
                part.g = (colour >> 8) & 0xFF;
                part.b = (colour >> 16) & 0xFF;
            }
            parts_.push_back(std::move(part));
            found = partOfColour_.emplace(colour, parts_.size() - 1).first;
        }
        lastColour_ = colour;
        lastPart_ = found->second;
        return parts_[lastPart_];
    }

    void skip(const Element& e, Values& v) {
        std::vector<double> item(e.properties.size());
        for (uint64_t i = 0; i < e.count; ++i) readItem(e, v, item);
    }

    const std::vector<unsigned char>& data_;
    std::string stem_;
    std::vector<Point3d> positions_, normals_;
    std::vector<uint32_t> colours_;
    std::vector<double> scratch_;
    std::vector<size_t> indices_;
    std::vector<MeshPart> parts_;
    std::map<uint32_t, size_t> partOfColour_;
    uint32_t lastColour_ = 0;
    size_t lastPart_ = 0;
    unsigned long long missing_ = 0;
};

}  // namespace

int ReadPLY(const char* fileName) noexcept {
    std::string path;
    try {
        auto data = kx::import::loadFile(fileName, ".ply", "PLY", path);
        if (!data) return 0;
        kx::files::ReadingScope reading;
        std::vector<MeshPart> parts = Reader(*data, kx::import::fileStem(path)).run();
        if (!kx::import::addMeshParts(parts)) {
            ErrorMessage("Unable to import PLY file %s: out of memory", path.c_str());
            return 0;
        }
        return 1;
    } catch (const Damaged& d) {
        ErrorMessage("Unable to import PLY file %s: %s", path.c_str(), d.reason.c_str());
        return 0;
    } catch (const std::bad_alloc&) {
        ErrorMessage("Out of memory reading %s", fileName ? fileName : "");
        return 0;
    }
}
