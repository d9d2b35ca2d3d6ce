// The program's settings file: [Section] headers and Name=value lines. Names are
// compared without regard to case; a value is the raw text to the end of its
// line; comments, blank lines and unknown keys are kept as they were.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kx::platform {

class IniStore {
public:
    // The settings file of this user: $KALVEX_CONFIG, else
    // $XDG_CONFIG_HOME/Velmora/Kalvex.ini, else ~/.config/Velmora/Kalvex.ini.
    static std::string defaultPath();

    // Reads a file; a missing file gives an empty store. False on a read error.
    bool load(const std::string& path);
    // Parses text as if read from a file (both CR LF and LF line ends).
    void parse(const std::string& text);
    // Writes through a temporary file and a rename; false when that failed.
    bool save(const std::string& path) const;
    std::string text() const;

    std::optional<std::string> get(const std::string& section, const std::string& name) const;
    std::string getString(const std::string& section, const std::string& name,
                          const std::string& fallback = {}) const;
    // Decimal or 0x-prefixed hexadecimal; the fallback when missing or not a number.
    long long getInt(const std::string& section, const std::string& name, long long fallback) const;
    void set(const std::string& section, const std::string& name, const std::string& value);
    void setInt(const std::string& section, const std::string& name, long long value);
    void remove(const std::string& section, const std::string& name);
    // The names of a section's values, in file order.
    std::vector<std::string> names(const std::string& section) const;

private:
    struct Line {
        std::string raw;    // the line as read, or as it will be written
        std::string name;   // empty for comments and blank lines
        std::string value;
    };
    struct Section {
        std::string name;   // empty for lines before the first header
        std::vector<Line> lines;
    };
    Section* find(const std::string& section);
    const Section* find(const std::string& section) const;
    std::vector<Section> sections_;
};

}  // namespace kx::platform
