// Writes the manual page and the bash, zsh and fish completions of the
// program from its option table, at build time:
//   kalvex_make_manual VERSION DATE OUTPUT_FOLDER
// Each is written from the same rows --help prints, so none can drift.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/option_table.h"
#include "kxcore.h"

namespace {

using kx::app::CommandOption;
using kx::app::Completion;

// The extensions a scene or an importable model has, lower case.
const char* const kSceneExtensions[] = {"cad", "3ds", "nff", "obj", "dxf", "stl", "ply", "gltf", "glb"};

std::vector<std::string> typeNames() {
    std::vector<std::string> names;
    for (const KxFileTypeName& t : KX_FILE_TYPE_NAMES) names.emplace_back(t.name);
    for (const KxFileTypeName& t : kx::app::kCommandLineOnlyTypes) names.emplace_back(t.name);
    return names;
}

std::string joined(const std::vector<std::string>& words, const char* between = " ") {
    std::string text;
    for (const std::string& w : words) text += (text.empty() ? "" : between) + w;
    return text;
}

// ---- the manual page -------------------------------------------------------

// Text safe in a roff line: backslashes doubled, hyphens as minus signs, a
// line never starting with a control character.
std::string roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\e";
        else if (c == '-') out += "\\-";
        else out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
    return out;
}

bool placeholder(const std::string& word) {
    bool letter = false;
    for (char c : word) {
        if (std::islower(static_cast<unsigned char>(c))) return false;
        letter = letter || std::isupper(static_cast<unsigned char>(c));
    }
    return letter;
}

// Options in bold, the names the user fills in in italics.
std::string roffForm(const std::string& form) {
    std::string out, word;
    auto flush = [&] {
        if (word.empty()) return;
        if (word.rfind("--", 0) == 0 || word == "-h") out += "\\fB" + roff(word) + "\\fR";
        else if (placeholder(word)) out += "\\fI" + roff(word) + "\\fR";
        else out += roff(word);
        word.clear();
    };
    for (char c : form) {
        if (c == ' ' || c == '[' || c == ']' || c == '|' || c == '.' || c == ',') {
            flush();
            out += c;
        } else {
            word += c;
        }
    }
    flush();
    return out;
}

std::string optionHead(const CommandOption& o) {
    std::string head;
    if (o.shortName) head += std::string(o.shortName) + ", ";
    head += o.name;
    if (o.value) head += std::string(" ") + o.value;
    if (o.operands) head += std::string(" ") + o.operands;
    return head;
}

std::string manualPage(const std::string& version, const std::string& date) {
    std::ostringstream m;
    m << ".TH KALVEX 1 \"" << date << "\" \"kalvex " << version << "\" \"User Commands\"\n"
      << ".SH NAME\nkalvex \\- build 3D scenes for ray tracers, export and render them\n"
      << ".SH SYNOPSIS\n";
    for (const char* form : kx::app::commandSynopsis()) m << ".HP\n\\fBkalvex\\fR " << roffForm(form) << "\n";
    m << ".SH DESCRIPTION\n"
      << "Kalvex is an interactive modeller of scenes for ray tracers. A scene is built from primitives, meshes, "
         "CSG groups, lights and a camera, edited with the mouse in four views, animated and textured, saved as a "
         "\\fI.cad\\fR scene, exported for POV\\-Ray and other formats, and rendered by the real renderer.\n"
      << ".PP\nWithout options, \\fBkalvex\\fR opens its window, with each \\fISCENE\\fR given (one window a "
         "scene). The options below run a job without a display instead. A \\fISCENE\\fR whose extension names a "
         "3D Studio, NFF, OBJ, DXF, STL, PLY or glTF file is imported into a new scene.\n"
      << ".PP\nExport types: " << roff(joined(typeNames(), ", ")) << ".\n"
      << ".SH OPTIONS\n";
    for (const CommandOption& o : kx::app::commandOptions())
        m << ".TP\n" << roffForm(optionHead(o)) << "\n" << roff(o.help) << "\n";
    m << ".TP\n\\fB\\-\\-\\fR\nEnds the options: the names after it may start with \\-.\n";
    m << ".SH ENVIRONMENT\n";
    for (const auto& e : kx::app::commandEnvironment()) m << ".TP\n.B " << roff(e.name) << "\n" << roff(e.help) << "\n";
    m << ".SH FILES\n";
    for (const auto& f : kx::app::commandFiles()) m << ".TP\n.I " << roff(f.path) << "\n" << roff(f.help) << "\n";
    m << ".SH EXIT STATUS\n";
    for (const auto& e : kx::app::commandExitStatuses())
        m << ".TP\n.B " << e.status << "\n" << roff(e.help) << "\n";
    m << ".SH EXAMPLES\n"
      << ".nf\nkalvex \\-\\-render showcase.cad \\-\\-width 640 \\-\\-height 480\n"
         "kalvex \\-\\-export showcase.cad showcase.pov \\-\\-type Povray3\n"
         "kalvex \\-\\-thumbnail showcase.cad showcase.png \\-\\-size 256\n.fi\n"
      << ".SH SEE ALSO\n.BR povray (1),\n.BR parallel (1)\n";
    return m.str();
}

// ---- completions -----------------------------------------------------------

std::string singleQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The first sentence of a help text: what a completion menu has room for.
std::string shortHelp(const char* help) {
    std::string text = help;
    const size_t stop = text.find(". ");
    if (stop != std::string::npos) text.resize(stop + 1);
    return text;
}

std::vector<std::string> optionNames() {
    std::vector<std::string> names;
    for (const CommandOption& o : kx::app::commandOptions()) {
        names.emplace_back(o.name);
        if (o.shortName) names.emplace_back(o.shortName);
    }
    names.emplace_back("--");
    return names;
}

const char* const kPluginNames = "kalvex --list-plugins 2>/dev/null | cut -f3";

std::string sceneGlob(bool upperToo) {
    std::vector<std::string> patterns;
    for (const char* e : kSceneExtensions) {
        patterns.emplace_back(e);
        if (upperToo) {
            std::string upper = e;
            for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            patterns.push_back(upper);
        }
    }
    return joined(patterns, "|");
}

std::string bashCompletion() {
    std::ostringstream b;
    b << "# bash completion for kalvex; written from the program's option table.\n"
      << "_kalvex() {\n"
      << "    local cur prev\n"
      << "    COMPREPLY=()\n"
      << "    cur=\"${COMP_WORDS[COMP_CWORD]}\"\n"
      << "    prev=\"${COMP_WORDS[COMP_CWORD-1]}\"\n"
      << "    case \"$prev\" in\n";
    std::vector<std::string> files, none;
    for (const CommandOption& o : kx::app::commandOptions()) {
        if (!o.value) continue;
        switch (o.valueCompletion) {
            case Completion::Type:
                b << "        " << o.name << ") COMPREPLY=($(compgen -W \"" << joined(typeNames()) << "\" -- \"$cur\")); return ;;\n";
                break;
            case Completion::Plugin:
                b << "        " << o.name << ")\n            local IFS=$'\\n'\n            COMPREPLY=($(compgen -W \"$("
                  << kPluginNames << ")\" -- \"$cur\")); return ;;\n";
                break;
            case Completion::Frames: b << "        " << o.name << ") COMPREPLY=($(compgen -W \"all\" -- \"$cur\")); return ;;\n"; break;
            case Completion::Size:
                b << "        " << o.name << ") COMPREPLY=($(compgen -W \"64 128 256 512 1024\" -- \"$cur\")); return ;;\n";
                break;
            case Completion::File: files.emplace_back(o.name); break;
            case Completion::None: none.emplace_back(o.name); break;
        }
    }
    if (!files.empty())
        b << "        " << joined(files, "|") << ") compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n";
    if (!none.empty()) b << "        " << joined(none, "|") << ") return ;;\n";
    b << "    esac\n"
      << "    if [[ \"$cur\" == -* ]]; then\n"
      << "        COMPREPLY=($(compgen -W \"" << joined(optionNames()) << "\" -- \"$cur\"))\n"
      << "        return\n"
      << "    fi\n"
      << "    # Scenes and the models the importers read, and folders; any file when none is there.\n"
      << "    compopt -o filenames 2>/dev/null\n"
      << "    local extglob_was_on=0\n"
      << "    shopt -q extglob && extglob_was_on=1\n"
      << "    shopt -s extglob\n"
      << "    COMPREPLY=($(compgen -f -X '!*.@(" << sceneGlob(true) << ")' -- \"$cur\") $(compgen -d -- \"$cur\"))\n"
      << "    [ \"$extglob_was_on\" = 1 ] || shopt -u extglob\n"
      << "    [ ${#COMPREPLY[@]} -eq 0 ] && COMPREPLY=($(compgen -f -- \"$cur\"))\n"
      << "    return 0\n"
      << "}\n"
      << "complete -F _kalvex kalvex\n";
    return b.str();
}

std::string zshAction(const CommandOption& o) {
    switch (o.valueCompletion) {
        case Completion::Type: return ":type:(" + joined(typeNames()) + ")";
        case Completion::Plugin: return ":plug-in:_kalvex_plugins";
        case Completion::Frames: return ":frames:(all)";
        case Completion::Size: return ":size:(64 128 256 512 1024)";
        case Completion::File: return ":file:_files";
        case Completion::None: return std::string(":") + o.value + ": ";
    }
    return "";
}

// A text inside a zsh option description: brackets and colons escaped.
std::string zshText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '[' || c == ']' || c == ':' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

std::string zshCompletion() {
    std::ostringstream z;
    z << "#compdef kalvex\n# zsh completion for kalvex; written from the program's option table.\n\n"
      << "_kalvex_plugins() {\n"
      << "    local -a names\n"
      << "    names=(${(f)\"$(" << kPluginNames << ")\"})\n"
      << "    compadd -a names\n"
      << "}\n\n"
      << "_arguments -s \\\n";
    for (const CommandOption& o : kx::app::commandOptions()) {
        const std::string description = "[" + zshText(shortHelp(o.help)) + "]";
        const std::string action = o.value ? zshAction(o) : "";
        // --set may come again and again; the others once.
        const std::string repeat = std::string(o.name) == "--set" ? "*" : "";
        if (o.shortName)  // '(-h --help)'{-h,--help}'[...]': either name, not both
            z << "    " << singleQuoted("(" + std::string(o.shortName) + " " + o.name + ")") << "{" << o.shortName
              << "," << o.name << "}" << singleQuoted(description) << " \\\n";
        else z << "    " << singleQuoted(repeat + o.name + description + action) << " \\\n";
    }
    z << "    " << singleQuoted("*:scene:_files -g \"*.(" + sceneGlob(true) + ")(-.)\"") << "\n";
    return z.str();
}

std::string fishCompletion() {
    std::ostringstream f;
    f << "# fish completion for kalvex; written from the program's option table.\n";
    for (const CommandOption& o : kx::app::commandOptions()) {
        f << "complete -c kalvex";
        if (o.shortName) f << " -s " << (o.shortName + 1);
        f << " -l " << (o.name + 2);
        if (o.value) {
            switch (o.valueCompletion) {
                case Completion::Type: f << " -x -a " << singleQuoted(joined(typeNames())); break;
                case Completion::Plugin: f << " -x -a " << singleQuoted(std::string("(") + kPluginNames + ")"); break;
                case Completion::Frames: f << " -x -a all"; break;
                case Completion::Size: f << " -x -a " << singleQuoted("64 128 256 512 1024"); break;
                case Completion::File: f << " -r -F"; break;
                case Completion::None: f << " -x"; break;
            }
        }
        f << " -d " << singleQuoted(shortHelp(o.help)) << "\n";
    }
    return f.str();
}

bool writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) std::cerr << "kalvex_make_manual: " << path.string() << " could not be written\n";
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: kalvex_make_manual VERSION DATE OUTPUT_FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[3];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const bool written = writeFile(folder / "kalvex.1", manualPage(argv[1], argv[2])) &&
                         writeFile(folder / "kalvex.bash", bashCompletion()) &&
                         writeFile(folder / "_kalvex", zshCompletion()) &&
                         writeFile(folder / "kalvex.fish", fishCompletion());
    return written ? 0 : 1;
}
