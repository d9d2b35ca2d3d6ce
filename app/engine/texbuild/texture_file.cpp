#include "texbuild/texture_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace kx::app {
namespace {

std::string_view trimmed(std::string_view field) {
    while (!field.empty() && (field.front() == ' ' || field.front() == '\t')) field.remove_prefix(1);
    while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.remove_suffix(1);
    return field;
}

// Leading digits with an optional sign, as a C reader takes them; 0 when none.
long long leadingNumber(std::string_view field) {
    field = trimmed(field);
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    long long value = 0;
    auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (ec == std::errc::result_out_of_range) return field.front() == '-' ? INT64_MIN : INT64_MAX;
    return end == field.data() ? 0 : value;
}

int32_t intField(std::string_view field) {
    return static_cast<int32_t>(std::clamp<long long>(leadingNumber(field), INT32_MIN, INT32_MAX));
}

uint8_t colourField(std::string_view field) {
    if (trimmed(field).empty()) return 255;
    return static_cast<uint8_t>(std::clamp<long long>(leadingNumber(field), 0, 255));
}

// A text cut at a NUL and to its room; `fallback` when nothing is left.
std::string textField(std::string_view field, size_t room, const char* fallback) {
    field = field.substr(0, std::min(field.find('\0'), room));
    return field.empty() ? fallback : std::string(field);
}

// The line as a message can show it: up to a NUL, and not endlessly long.
std::string shownLine(std::string_view line) { return std::string(line.substr(0, std::min<size_t>(line.find('\0'), 200))); }

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) return fields;
        start = comma + 1;
    }
}

}  // namespace

std::string lowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

TextureFileReading parseTextureFile(std::string_view bytes) {
    TextureFileReading reading;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        std::string_view line = bytes.substr(pos, end == std::string_view::npos ? end : end - pos);
        pos = end == std::string_view::npos ? bytes.size() : end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        const size_t commas = static_cast<size_t>(std::count(line.begin(), line.end(), ','));
        if (commas != 6 && commas != 8) {
            char message[512];
            std::snprintf(message, sizeof message, "Error reading texture record, found %d fields in \"%s\"",
                          static_cast<int>(std::min<size_t>(commas, INT32_MAX)), shownLine(line).c_str());
            reading.error = message;
            break;
        }
        std::vector<std::string_view> f = splitFields(line);
        TextureRecord r;
        r.kind = intField(f[0]);
        r.word = intField(f[1]);
        r.name = textField(f[2], kTextureNameMax, "UNKNOWN");
        r.shortName = textField(f[3], kShortNameMax, "NULL");
        size_t colour = 4;
        if (commas == 8) {
            // An empty image name is kept empty, so the file reads back as written.
            r.imageName = textField(f[4], kShortNameMax, "");
            colour = 6;
        }
        r.red = colourField(f[colour]);
        r.green = colourField(f[colour + 1]);
        r.blue = colourField(f[colour + 2]);
        reading.records.push_back(std::move(r));
    }
    return reading;
}

void assignShortNames(std::vector<TextureRecord>& records, unsigned counter, const PreviewFolder& folder,
                      std::unordered_set<std::string>& used) {
    // Every valid name of the file is reserved first, so that a replacement
    // never takes the name a later record holds by right.
    std::unordered_set<std::string> reserved;
    for (const TextureRecord& r : records)
        if (hasShortName(r.shortName) && isSafeShortName(r.shortName)) reserved.insert(lowerCase(r.shortName));
    auto taken = [&](const std::string& name) { return used.count(name) != 0 || reserved.count(name) != 0; };
    unsigned cursor = counter;
    size_t replaced = 0;
    // A damaged file may hold a million bad names: the log tells of the first few.
    constexpr size_t kLoggedReplacements = 20;
    for (TextureRecord& r : records) {
        if (!hasShortName(r.shortName)) continue;
        std::string key = lowerCase(r.shortName);
        if (isSafeShortName(r.shortName) && used.count(key) == 0) {
            used.insert(std::move(key));
            continue;
        }
        std::string fresh = nextShortName(cursor, folder, taken);
        if (++replaced <= kLoggedReplacements)
            LogMessage(1, "Texture %s: short name %s replaced by %s", r.name.c_str(),
                       isSafeShortName(r.shortName) ? r.shortName.c_str() : "(not a file name)", fresh.c_str());
        r.shortName = fresh;
        used.insert(fresh);
    }
    if (replaced > kLoggedReplacements)
        LogMessage(1, "%zu more texture short names replaced", replaced - kLoggedReplacements);
    size_t ignored = 0;
    for (TextureRecord& r : records)
        if (hasShortName(r.imageName) && !isSafeShortName(r.imageName)) {
            if (++ignored <= kLoggedReplacements)
                LogMessage(1, "Texture %s: image map name is not a file name, ignored", r.name.c_str());
            r.imageName = "NULL";
        }
}

void toTextureInfo(const TextureRecord& record, TextureInfo& info) {
    auto copy = [](char* field, size_t size, const std::string& text) {
        size_t n = std::min(text.size(), size - 1);
        std::memcpy(field, text.data(), n);
        field[n] = '\0';
    };
    copy(info.name, sizeof info.name, record.name);
    copy(info.shortText1, sizeof info.shortText1, record.shortName);
    copy(info.shortText2, sizeof info.shortText2, record.imageName);
    info.kind = record.kind;
    info.word1 = 0;
    info.word2 = record.word;
    info.colour[0] = record.red;
    info.colour[1] = record.green;
    info.colour[2] = record.blue;
    info.reserved1 = info.reserved2 = 0;
}

std::string formatTextureRecord(const TextureInfo& info) {
    if (info.kind == 0 || (info.kind & KX_TEXTURE_USER)) return {};
    const std::string name(info.name, strnlen(info.name, sizeof info.name));
    const std::string shortName(info.shortText1, strnlen(info.shortText1, sizeof info.shortText1));
    const std::string imageName(info.shortText2, strnlen(info.shortText2, sizeof info.shortText2));
    for (const std::string* text : {&name, &shortName, &imageName})
        if (text->find_first_of(",\r\n") != std::string::npos) {
            std::string shown = name;
            std::replace_if(shown.begin(), shown.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
            LogMessage(1, "Texture record %s not saved: a comma or line end in its texts", shown.c_str());
            return {};
        }
    char line[160];
    std::snprintf(line, sizeof line, "%d,%d,%s,%s,%s,,%d,%d,%d\r\n", info.kind, info.word2, name.c_str(),
                  shortName.c_str(), imageName.c_str(), info.colour[0], info.colour[1], info.colour[2]);
    return line;
}

}  // namespace kx::app
