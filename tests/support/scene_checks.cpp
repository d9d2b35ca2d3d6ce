#include "scene_checks.h"

#include <cstdlib>
#include <set>
#include <sstream>
#include <vector>

namespace kxtest {
namespace {

std::string at(size_t line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

bool isNumber(const std::string& token) {
    if (token.empty()) return false;
    char* end = nullptr;
    std::strtod(token.c_str(), &end);
    return *end == '\0';
}

}  // namespace

std::string checkBalanced(const std::string& text) {
    std::string open;
    size_t line = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') ++line;
        if (c == '#') {
            while (i + 1 < text.size() && text[i + 1] != '\n') ++i;
        } else if (c == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\') ++i;
                if (i < text.size() && text[i] == '\n') return at(line, "line end inside a string");
            }
            if (i >= text.size()) return at(line, "unterminated string");
        } else if (c == '{' || c == '[') {
            open += c;
        } else if (c == '}' || c == ']') {
            if (open.empty() || open.back() != (c == '}' ? '{' : '['))
                return at(line, std::string("unexpected ") + c);
            open.pop_back();
        }
    }
    return open.empty() ? "" : "unclosed " + open;
}

std::string checkRib(const std::string& text) {
    static const std::set<std::string> kRequests = {
        "version",   "FrameBegin", "FrameEnd",         "Format",         "PixelSamples", "ShadingRate",
        "Projection", "Translate", "Scale",            "Rotate",         "WorldBegin",   "WorldEnd",
        "LightSource", "Color",    "TransformBegin",   "TransformEnd",   "AttributeBegin", "AttributeEnd",
        "Sphere",    "Cylinder",   "Cone",             "Torus",          "Polygon"};
    std::vector<std::string> blocks;
    size_t n = 0;
    for (const std::string& raw : lines(text)) {
        ++n;
        std::string line = raw.substr(0, raw.find('#'));
        std::istringstream in(line);
        std::string token;
        bool inArray = false;
        while (in >> token) {
            if (token == "[") {
                if (inArray) return at(n, "nested [");
                inArray = true;
            } else if (token == "]") {
                if (!inArray) return at(n, "] without [");
                inArray = false;
            } else if (token.front() == '"') {
                if (token.size() < 2 || token.back() != '"') return at(n, "broken string " + token);
            } else if (isNumber(token)) {
            } else if (kRequests.count(token)) {
                if (inArray) return at(n, "request inside [ ]");
                const size_t begin = token.find("Begin"), end = token.find("End");
                if (begin != std::string::npos && begin + 5 == token.size()) {
                    blocks.push_back(token.substr(0, begin));
                } else if (end != std::string::npos && end + 3 == token.size()) {
                    if (blocks.empty() || blocks.back() != token.substr(0, end)) return at(n, "unmatched " + token);
                    blocks.pop_back();
                }
            } else {
                return at(n, "not a request, string or number: " + token);
            }
        }
        if (inArray) return at(n, "[ not closed on its line");
    }
    return blocks.empty() ? "" : "unclosed " + blocks.back() + "Begin";
}

std::string checkPolyray(const std::string& text) {
    std::set<std::string> defined;
    int braces = 0, angles = 0;
    bool inGroup = false;
    size_t n = 0;
    for (const std::string& raw : lines(text)) {
        ++n;
        const std::string line = raw.substr(0, raw.find("//"));
        for (char c : line) {
            braces += c == '{' ? 1 : c == '}' ? -1 : 0;
            angles += c == '<' ? 1 : c == '>' ? -1 : 0;
            if (braces < 0 || angles < 0) return at(n, "closes what is not open");
        }
        if (angles != 0) return at(n, "< not closed on its line");
        std::istringstream in(line);
        std::vector<std::string> words;
        for (std::string w; in >> w;) words.push_back(w);
        if (words.size() == 2 && words[0] == "define") defined.insert(words[1]);
        if (raw == "// DEFAULT GROUP") {
            inGroup = true;
            continue;
        }
        if (!inGroup) continue;
        for (const std::string& w : words) {
            if (w == "}") inGroup = false;
            else if (w != "object" && w != "{" && w != "+" && w != "-" && w != "*" && w != "^" && !defined.count(w))
                return at(n, "group member " + w + " was not defined");
        }
    }
    return braces == 0 ? "" : "unbalanced braces";
}

std::string checkObjIndices(const std::string& text) {
    long v = 0, vn = 0;
    size_t n = 0;
    for (const std::string& line : lines(text)) {
        ++n;
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word == "v") ++v;
        else if (word == "vn") ++vn;
        else if (word == "g") {
            std::string name, more;
            if (!(in >> name) || (in >> more)) return at(n, "a group needs one name");
        } else if (word == "f") {
            std::string corner;
            int corners = 0;
            while (in >> corner) {
                ++corners;
                char* end = nullptr;
                long a = std::strtol(corner.c_str(), &end, 10);
                if (a < 1 || a > v) return at(n, "vertex " + corner + " of " + std::to_string(v));
                if (*end == '/') {
                    if (end[1] != '/') return at(n, "unexpected texture index " + corner);
                    long b = std::strtol(end + 2, &end, 10);
                    if (b < 1 || b > vn) return at(n, "normal " + corner + " of " + std::to_string(vn));
                }
                if (*end) return at(n, "bad corner " + corner);
            }
            if (corners != 3) return at(n, "a face of " + std::to_string(corners) + " corners");
        }
    }
    return "";
}

}  // namespace kxtest
