// Helpers every importer uses: whole-file loading, colour bytes, numbers in
// the C locale, one damage report per file, and appending facets to objects.
#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>

#include "import/import_internal.h"
#include "model/text.h"

namespace kx::import {

std::optional<std::vector<unsigned char>> loadFile(const char* name, const char* ext, const char* label,
                                                   std::string& path) {
    path = AddExt(name ? name : "", ext);
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_READ);
    if (!f) {
        StdFileError(3, label, path.c_str());
        return std::nullopt;
    }
    std::vector<unsigned char> data;
    constexpr size_t kPiece = 1 << 16;
    for (;;) {
        const size_t at = data.size();
        data.resize(at + kPiece);
        const int got = StdReadFile(f, data.data() + at, kPiece);
        data.resize(at + static_cast<size_t>(got > 0 ? got : 0));
        if (got <= 0) break;
    }
    StdCloseFile(f);
    data.shrink_to_fit();
    return data;
}

unsigned colourByte(double component, double scale) {
    if (!(component > 0)) return 0;  // NaN too
    // The allowance keeps a byte that went through / 255 the byte it was.
    const double v = std::min(component, 1.0) * scale + 1e-9;
    return v >= 255.0 ? 255u : static_cast<unsigned>(v);
}

std::string encodedColourName(unsigned r, unsigned g, unsigned b) {
    return "Rgb." + std::to_string(r) + "." + std::to_string(g) + "." + std::to_string(b);
}

void giveEncodedColour(CadObject* obj, unsigned r, unsigned g, unsigned b) {
    if (!obj) return;
    SetObjectTextureEx(obj, 1, encodedColourName(r, g, b).c_str());
    obj->rgb = (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}

bool parseNumber(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty() || text.front() == '+') return false;
    double v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (end != text.data() + text.size()) return false;
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: the sign and the magnitude
        // class are all that matter once stored in single precision.
        const bool negative = text.front() == '-';
        const bool tiny = text.find_first_of("eE") != std::string_view::npos &&
                          text.find('-', text.find_first_of("eE")) != std::string_view::npos;
        v = tiny ? 0.0 : (negative ? -FLT_MAX : FLT_MAX);
    } else if (ec != std::errc()) {
        return false;
    }
    if (!std::isfinite(v)) return false;
    value = std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX));
    return true;
}

bool parseInteger(std::string_view text, long long& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty() || text.front() == '+') return false;
    long long v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    value = v;
    return true;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

void DamageReport::at(unsigned long long offset) {
    text("Error reading " + label_ + " file: damaged data at offset " + std::to_string(offset));
}

void DamageReport::text(const std::string& message) {
    if (reported_) return;
    reported_ = true;
    ErrorMessage("%s", message.c_str());
}

FacetAppender::FacetAppender(CadObject* obj) : obj_(obj) {
    if (!obj) return;
    if (obj->polygons && obj->polygonCount) {
        const unsigned n = obj->polygonCount;
        if (CopyPolygonsToList(obj, obj->polygons, n)) {
            obj->count = n;
            obj->translate = Point3d{0, 0, 0};
        }
    }
    DeleteObjectPolygons(obj);
    obj->polygonCount = 0;
    unsigned nodes = 0;
    for (ListEntry* e = obj->points; e; e = e->next) {
        tail_ = e;
        ++nodes;
    }
    obj->count = nodes;
    obj->boundValid = 0;
}

bool FacetAppender::add(unsigned n, const Point3d* points, const Point3d* normals) {
    if (!obj_ || failed_) return false;
    ListEntry* node = AddEntryEx(n, tail_, points, normals);
    if (!node) {
        failed_ = true;
        return false;
    }
    if (!obj_->points) obj_->points = node;
    tail_ = node;
    ++obj_->count;
    ++added_;
    obj_->boundValid = 0;
    return true;
}

CadObject* newFacetsObject(const std::string& name) {
    // Not entered in the selection: imports leave what they make unselected.
    CadObject* obj = NewCadObject(name.c_str());
    if (obj) obj->type = KX_POLYGON;
    return obj;
}

bool LineCursor::next(std::string_view& line) {
    if (pos_ >= size_) return false;
    const size_t start = pos_;
    size_t end = start;
    while (end < size_ && data_[end] != '\n' && data_[end] != '\r') ++end;
    line = std::string_view(data_ + start, end - start);
    pos_ = end;
    if (pos_ < size_ && data_[pos_] == '\r') ++pos_;
    if (pos_ < size_ && data_[pos_] == '\n') ++pos_;
    ++lines_;
    return true;
}

bool WordCursor::next(std::string_view& word) {
    while (pos_ < line_.size() && isBlank(line_[pos_])) ++pos_;
    if (pos_ >= line_.size()) return false;
    const size_t start = pos_;
    while (pos_ < line_.size() && !isBlank(line_[pos_])) ++pos_;
    word = line_.substr(start, pos_ - start);
    return true;
}

std::string_view WordCursor::rest() const { return trim(line_.substr(std::min(pos_, line_.size()))); }

}  // namespace kx::import
