#include "kxplatform/ini_store.h"

#include "kxplatform/files.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kx::platform {
namespace {

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

}  // namespace

std::string IniStore::defaultPath() {
    if (const char* explicitPath = std::getenv("KALVEX_CONFIG"); explicitPath && *explicitPath)
        return explicitPath;
    std::filesystem::path base = ".";
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) base = std::filesystem::path(home) / ".config";
    return (base / "Velmora" / "Kalvex.ini").string();
}

bool IniStore::load(const std::string& path) {
    // A settings file holds a few kilobytes; one past this is not one.
    constexpr size_t kLargestSettingsFile = size_t{16} << 20;
    sections_.clear();
    std::string text;
    const int error = readWholeFile(path, text, kLargestSettingsFile);
    if (error == ENOENT) return true;  // a first start: every value its default
    if (error != 0) return false;
    parse(text);
    return true;
}

void IniStore::parse(const std::string& text) {
    sections_.clear();
    sections_.push_back(Section{});
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::string t = trim(raw);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            sections_.push_back(Section{trim(t.substr(1, t.size() - 2)), {}});
            continue;
        }
        Line line{raw, {}, {}};
        size_t eq = raw.find('=');
        if (!t.empty() && t[0] != ';' && t[0] != '#' && eq != std::string::npos) {
            line.name = trim(raw.substr(0, eq));
            line.value = raw.substr(eq + 1);  // raw: spaces and commas belong to the value
        }
        sections_.back().lines.push_back(line);
    }
}

std::string IniStore::text() const {
    std::string out;
    for (const Section& s : sections_) {
        if (!s.name.empty()) out += "[" + s.name + "]\r\n";
        for (const Line& l : s.lines) out += l.raw + "\r\n";
    }
    return out;
}

bool IniStore::save(const std::string& path) const {
    std::error_code ec;
    std::filesystem::path target(path);
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
    return replaceFileWith(path, text(), Durability::Synced);
}

IniStore::Section* IniStore::find(const std::string& section) {
    for (Section& s : sections_)
        if (!s.name.empty() && sameName(s.name, section)) return &s;
    return nullptr;
}

const IniStore::Section* IniStore::find(const std::string& section) const {
    return const_cast<IniStore*>(this)->find(section);
}

std::optional<std::string> IniStore::get(const std::string& section, const std::string& name) const {
    const Section* s = find(section);
    if (!s) return std::nullopt;
    for (const Line& l : s->lines)
        if (!l.name.empty() && sameName(l.name, name)) return l.value;
    return std::nullopt;
}

std::string IniStore::getString(const std::string& section, const std::string& name,
                                const std::string& fallback) const {
    return get(section, name).value_or(fallback);
}

long long IniStore::getInt(const std::string& section, const std::string& name, long long fallback) const {
    std::optional<std::string> v = get(section, name);
    if (!v) return fallback;
    std::string t = trim(*v);
    if (t.empty()) return fallback;
    errno = 0;
    char* end = nullptr;
    bool hex = t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X');
    long long value = hex ? static_cast<long long>(std::strtoull(t.c_str() + 2, &end, 16))
                          : std::strtoll(t.c_str(), &end, 10);
    if (errno != 0 || !end || *end != '\0' || end == t.c_str()) return fallback;
    return value;
}

void IniStore::set(const std::string& section, const std::string& name, const std::string& value) {
    Section* s = find(section);
    if (!s) {
        if (sections_.empty()) sections_.push_back(Section{});
        sections_.push_back(Section{section, {}});
        s = &sections_.back();
    }
    for (Line& l : s->lines)
        if (!l.name.empty() && sameName(l.name, name)) {
            l.value = value;
            l.raw = l.name + "=" + value;
            return;
        }
    // New values go after the section's last value, before trailing blank lines.
    auto pos = s->lines.end();
    while (pos != s->lines.begin() && trim((pos - 1)->raw).empty()) --pos;
    s->lines.insert(pos, Line{name + "=" + value, name, value});
}

void IniStore::setInt(const std::string& section, const std::string& name, long long value) {
    set(section, name, std::to_string(value));
}

void IniStore::remove(const std::string& section, const std::string& name) {
    Section* s = find(section);
    if (!s) return;
    std::erase_if(s->lines, [&](const Line& l) { return !l.name.empty() && sameName(l.name, name); });
}

std::vector<std::string> IniStore::names(const std::string& section) const {
    std::vector<std::string> out;
    if (const Section* s = find(section))
        for (const Line& l : s->lines)
            if (!l.name.empty()) out.push_back(l.name);
    return out;
}

}  // namespace kx::platform
