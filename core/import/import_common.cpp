// Helpers every importer uses: whole-file loading, colour bytes, numbers in
// the C locale, one damage report per file, and appending facets to objects.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

#include "files/numbers.h"
#include "import/import_internal.h"
#include "kxplatform/files.h"
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
    // Sized once from the file's length: growing by doubling would hold up
    // to three times the file at once and copy it over and over. A file that
    // grows while it is read is still read to its end.
    std::vector<unsigned char> data;
    struct stat st{};
    const bool sized = ::fstat(static_cast<int>(StdGetFileHandle(f)), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
    size_t expected = sized ? static_cast<size_t>(st.st_size) : 0;
    constexpr size_t kPiece = 1 << 16;
    constexpr size_t kMaxRead = 1u << 30;
    // Room for the last read too, which finds the end.
    if (expected) data.reserve(expected + kPiece);
    for (;;) {
        const size_t at = data.size();
        const size_t want = expected > at ? std::min(expected - at, kMaxRead) : kPiece;
        data.resize(at + want);
        const int got = StdReadFile(f, data.data() + at, want);
        data.resize(at + static_cast<size_t>(got > 0 ? got : 0));
        if (got <= 0) break;
        if (data.size() >= expected) expected = 0;  // past the known length: pieces from here
    }
    StdCloseFile(f);
    if (data.capacity() - data.size() > kPiece) data.shrink_to_fit();
    return data;
}

bool insideFolder(const std::string& path, const std::string& folder) {
    std::error_code ec;
    const std::filesystem::path root = std::filesystem::weakly_canonical(std::filesystem::absolute(folder, ec), ec);
    if (ec) return false;
    const std::filesystem::path full = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    if (ec) return false;
    const std::string prefix = root.string() + (root.string().ends_with('/') ? "" : "/");
    return full.string().rfind(prefix, 0) == 0;
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

void listMaterialColour(const char* name, const Point3d& diffuse, const unsigned bytes[3]) {
    if (!name || !name[0] || GetTextureInfoByName(name)) return;
    TextureInfo info{};
    kx::text::copyField(info.name, name);
    info.kind = KX_TEXTURE_COLOUR;
    info.used = 1;
    info.points[1] = diffuse;
    for (int k = 0; k < 3; ++k) info.colour[k] = static_cast<unsigned char>(bytes[k]);
    AddCustomTexture(&info);
}

void giveEncodedColour(CadObject* obj, unsigned r, unsigned g, unsigned b) {
    if (!obj) return;
    SetObjectTextureEx(obj, 1, encodedColourName(r, g, b).c_str());
    obj->rgb = (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
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
    ListEntry* node = AppendObjectPoints(obj_, tail_, n, points, normals);
    if (!node) {
        failed_ = true;
        return false;
    }
    tail_ = node;
    ++added_;
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

FileLines::~FileLines() {
    if (file_) StdCloseFile(file_);
}

bool FileLines::open(const char* name, const char* ext, const char* label, std::string& path) {
    path = AddExt(name ? name : "", ext);
    file_ = StdOpenFile(path.c_str(), KX_OPEN_READ);
    if (!file_) {
        StdFileError(3, label, path.c_str());
        return false;
    }
    buffer_.resize(size_t{1} << 20);
    return true;
}

bool FileLines::refill() {
    if (ended_ || !file_) return false;
    // The unread tail moves to the front; a line filling the whole buffer
    // makes it grow.
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        base_ += begin_;
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
    const int got = StdReadFile(file_, buffer_.data() + end_, buffer_.size() - end_);
    if (got <= 0) {
        ended_ = true;
        return false;
    }
    end_ += static_cast<size_t>(got);
    // Most files end their lines with LF alone: their lines need no search for CR.
    returns_ = std::memchr(buffer_.data() + begin_, '\r', end_ - begin_) != nullptr;
    return true;
}

bool FileLines::next(std::string_view& line) {
    if (!file_) return false;
    for (;;) {
        const char* const first = buffer_.data() + begin_;
        const char* const last = buffer_.data() + end_;
        const char* stop = static_cast<const char*>(std::memchr(first, '\n', static_cast<size_t>(last - first)));
        if (!stop) stop = last;
        if (returns_)
            if (const void* cr = std::memchr(first, '\r', static_cast<size_t>(stop - first))) stop = static_cast<const char*>(cr);
        // A CR as the last byte read may have its LF in the next piece.
        const bool whole = stop != last && !(*stop == '\r' && stop + 1 == last && !ended_);
        if (whole || (ended_ && first != last)) {
            line = std::string_view(first, static_cast<size_t>(stop - first));
            size_t pos = static_cast<size_t>(stop - buffer_.data());
            if (pos < end_ && buffer_[pos] == '\r') ++pos;
            if (pos < end_ && buffer_[pos] == '\n') ++pos;
            begin_ = pos;
            ++lines_;
            return true;
        }
        if (ended_ || (!refill() && begin_ == end_)) return false;
    }
}

bool WordCursor::next(std::string_view& word) {
    while (pos_ < line_.size() && isBlank(line_[pos_])) ++pos_;
    if (pos_ >= line_.size()) return false;
    const size_t start = pos_;
    while (pos_ < line_.size() && !isBlank(line_[pos_])) ++pos_;
    word = line_.substr(start, pos_ - start);
    return true;
}

bool WordCursor::nextNumber(double& value, bool& isNumber) {
    while (pos_ < line_.size() && isBlank(line_[pos_])) ++pos_;
    if (pos_ >= line_.size()) return false;
    // A number is ended by a blank or the line's end; anything else makes the
    // word no number, which the word's own reading tells.
    if (const char* stop = kx::numbers::beforeBlank(line_.data() + pos_, line_.data() + line_.size(), value)) {
        isNumber = true;
        pos_ = static_cast<size_t>(stop - line_.data());
        return true;
    }
    std::string_view word;
    next(word);
    isNumber = kx::numbers::whole(word, value);
    return true;
}

std::string_view WordCursor::rest() const { return trim(line_.substr(std::min(pos_, line_.size()))); }

std::string pictureBeside(const std::string& modelFolder, std::string_view stored) {
    const std::string name(trim(stored));
    if (name.empty()) return {};
    const std::string folder = modelFolder.empty() ? "." : modelFolder;
    std::string local = name;
    std::replace(local.begin(), local.end(), '\\', '/');
    if (!local.starts_with('/')) local = folder + "/" + local;
    if (!insideFolder(local, folder)) {
        LogMessage(0, "The picture %s lies outside the model's folder and was not used", name.c_str());
        return {};
    }
    const std::string found = kx::platform::findExisting(local);
    // The match of another case must still be inside the folder.
    if (found.empty() || !insideFolder(found, folder)) {
        LogMessage(0, "The picture %s was not found beside the model", name.c_str());
        return {};
    }
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::weakly_canonical(std::filesystem::absolute(found, ec), ec);
    return ec ? found : full.string();
}

}  // namespace kx::import
