#include "cli/command_line.h"

#include <cstdlib>

#include "kxcore.h"

namespace kx::app {
namespace {

std::optional<int> number(const std::string& text) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 0 || v > 1000000) return std::nullopt;
    return static_cast<int>(v);
}

struct NamedType {
    const char* name;
    unsigned id;
};

// The names under which scripts know the file types, and "Vrml2", which only
// the command line knows.
constexpr NamedType kTypeNames[] = {
    {"Kalvex", 1},     {"Raw", 5},          {"Povray3", 11},     {"Povray2", 10},  {"Povray1", 12},
    {"3DStudio", 25},  {"Nff", 14},         {"Vivid", 15},       {"Rayshade", 16}, {"Polyray", 19},
    {"Qrt", 20},       {"Art", 21},         {"Dxf", 22},         {"RenderMan", 23}, {"Vrml", 24},
    {"Wavefront", 34}, {"3dmf", 35},        {"Worldtoolkit", 36}, {"Truespace", 37}, {"Vrml2", 38},
};

}  // namespace

unsigned fileTypeFromText(const std::string& text) {
    if (auto id = number(text)) return static_cast<unsigned>(*id);
    for (const NamedType& t : kTypeNames)
        if (text.size() == std::string(t.name).size() && kxc_strcmpi(text.c_str(), t.name) == 0) return t.id;
    return 0;
}

std::string usageText() {
    return "usage: kalvex [SCENE]\n"
           "       kalvex --export SCENE OUT [--type ID|NAME]\n"
           "       kalvex --render SCENE [--width W] [--height H] [--quality Q] [--network]\n"
           "       kalvex --help | --version\n";
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* option) -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                cl.error = std::string(option) + " needs a value";
                return std::nullopt;
            }
            return args[++i];
        };
        auto numberOption = [&](const char* option, std::optional<int>& target) {
            if (auto v = value(option)) {
                target = number(*v);
                if (!target) cl.error = std::string(option) + " takes a whole number, not " + *v;
            }
        };
        if (a == "--help" || a == "-h") cl.job = CommandLine::Job::Help;
        else if (a == "--version") cl.job = CommandLine::Job::Version;
        else if (a == "--export") cl.job = CommandLine::Job::Export;
        else if (a == "--render") cl.job = CommandLine::Job::Render;
        else if (a == "--type") {
            if (auto v = value("--type")) cl.type = *v;
        } else if (a == "--width") numberOption("--width", cl.width);
        else if (a == "--height") numberOption("--height", cl.height);
        else if (a == "--quality") numberOption("--quality", cl.quality);
        else if (a == "--network") cl.network = true;
        else if (a.size() > 1 && a[0] == '-') cl.error = "unknown option " + a;
        else positional.push_back(a);
        if (!cl.error.empty()) return cl;
    }
    if (cl.job == CommandLine::Job::None && !positional.empty()) cl.job = CommandLine::Job::Open;
    if (!positional.empty()) cl.scene = positional[0];
    if (positional.size() > 1) cl.output = positional[1];
    size_t wanted = cl.job == CommandLine::Job::Export ? 2 : (cl.job == CommandLine::Job::Render || cl.job == CommandLine::Job::Open) ? 1 : 0;
    if (cl.job == CommandLine::Job::Help || cl.job == CommandLine::Job::Version) wanted = positional.size();
    if (positional.size() != wanted) cl.error = "wrong number of file names";
    if (cl.job == CommandLine::Job::Export && !cl.type.empty() && fileTypeFromText(cl.type) == 0)
        cl.error = "unknown file type " + cl.type;
    return cl;
}

}  // namespace kx::app
