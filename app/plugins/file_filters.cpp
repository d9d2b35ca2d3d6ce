#include "plugins/file_filters.h"

#include <vector>

namespace kx::plugins {

std::string dialogFilterFromPipes(const std::string& pipes) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : pipes) {
        if (c == '|') {
            parts.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty()) parts.push_back(current);
    std::string out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        const std::string& text = parts[i];
        std::string patterns = parts[i + 1];
        if (text.empty() || patterns.empty()) continue;
        for (char& c : patterns)
            if (c == ';') c = ' ';
        if (!out.empty()) out += ";;";
        // The text usually shows its patterns already; the toolkit reads the last parentheses.
        out += text.find('(') != std::string::npos ? text : text + " (" + patterns + ")";
        if (text.find('(') != std::string::npos && text.find("(" + patterns + ")") == std::string::npos)
            out += " (" + patterns + ")";
    }
    return out;
}

}  // namespace kx::plugins
