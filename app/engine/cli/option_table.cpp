#include "cli/option_table.h"

namespace kx::app {

namespace {

using C = Completion;

constexpr CommandOption kOptions[] = {
    {"--export", nullptr, nullptr, "SCENE OUT", C::None,
     "Exports SCENE to OUT, in the type OUT's extension names (or --type names). A model of another program is "
     "imported into a new scene first."},
    {"--render", nullptr, nullptr, "SCENE", C::None,
     "Exports SCENE for the chosen renderer, runs it, streams its output and reads the image back."},
    {"--preview", nullptr, nullptr, "SCENE OUT.tga", C::None,
     "Draws the shaded preview of SCENE through its camera into a Targa file; no renderer is needed."},
    {"--thumbnail", nullptr, nullptr, "SCENE OUT.png", C::None,
     "Draws a square PNG picture of SCENE through its camera for file managers; the scene's scripts are not run "
     "and no plug-in is loaded."},
    {"--script", nullptr, nullptr, "FILE [SCENE]", C::None,
     "Runs a script on SCENE (or on the default scene); print writes to standard output."},
    {"--plugin", nullptr, "NAME", "[SCENE] OUT", C::Plugin,
     "Runs the plug-in function NAME (its description or export name) on SCENE and saves the scene to OUT."},
    {"--list-plugins", nullptr, nullptr, nullptr, C::None,
     "Prints every plug-in function: kind, description and export name, tab separated."},
    {"--texture-previews", nullptr, nullptr, nullptr, C::None,
     "Renders the texture swatches of the texture databases that are missing."},
    {"--help", "-h", nullptr, nullptr, C::None, "Prints this help and exits."},
    {"--version", nullptr, nullptr, nullptr, C::None, "Prints the program's version and exits."},
    {"--type", nullptr, "ID|NAME", nullptr, C::Type,
     "The export type of --export, by number or by name (Povray3, Vrml2, Gltf, ...), or a plug-in's SAVE "
     "function."},
    {"--width", nullptr, "W", nullptr, C::None, "The picture's width in pixels, 1 to 16384."},
    {"--height", nullptr, "H", nullptr, C::None, "The picture's height in pixels, 1 to 16384."},
    {"--quality", nullptr, "Q", nullptr, C::None, "The render quality, 0 to 11."},
    {"--size", nullptr, "N", nullptr, C::Size,
     "The side of the --thumbnail picture in pixels, 1 to 1024 (128 when not given)."},
    {"--network", nullptr, nullptr, nullptr, C::None, "Renders on the configured render server."},
    {"--frames", nullptr, "A-B|N|all", nullptr, C::Frames,
     "Renders frames of the scene's animation, counted from 0, one image a frame."},
    {"--inside-out", nullptr, nullptr, nullptr, C::None, "Renders the frames coarse to fine."},
    {"--resume", nullptr, nullptr, nullptr, C::None,
     "Renders only the frames whose image is missing or unreadable."},
    {"--jobs", nullptr, "N", nullptr, C::None,
     "Renders N frames at once on each machine through GNU parallel; with --texture-previews, N previews at once."},
    {"--sshloginfile", nullptr, "FILE", nullptr, C::File,
     "The machines GNU parallel hands frames to, one a line."},
    {"--transfer", nullptr, nullptr, nullptr, C::None,
     "Sends the scene to the machines instead of reading it from a shared folder."},
    {"--worker", nullptr, "PATH", nullptr, C::File, "The program the machines run; this one when not given."},
    {"--emit-jobs", nullptr, nullptr, nullptr, C::None,
     "Prints one shell line a frame instead of rendering."},
    {"--set", nullptr, "PROP=VALUE", nullptr, C::None,
     "Sets a property of the --plugin function before it runs; may be given more than once."},
    {"--save", nullptr, "OUT", nullptr, C::File,
     "Saves the scene to OUT after the --script ran, in the type its extension names."},
    {"--max-instructions", nullptr, "N", nullptr, C::None,
     "Ends every script of the job (also a scene's start-up scripts) after N instructions."},
    {"--textured", nullptr, nullptr, nullptr, C::None, "The --preview samples the image maps of textures."},
    {"--macro", nullptr, "FILE", nullptr, C::File,
     "Runs the script FILE on the scene once the window has opened it, as Run in the Macro panel does: one undo "
     "step."},
    {"--recover", nullptr, nullptr, nullptr, C::None,
     "Opens, without asking, the newest unsaved work that a Kalvex which ended without saving left behind."},
    {"--no-plugins", nullptr, nullptr, nullptr, C::None, "Loads no plug-in."},
};

constexpr const char* kSynopsis[] = {
    "[--recover] [--macro FILE] [SCENE...]",
    "--export SCENE OUT [--type ID|NAME]",
    "--render SCENE [--width W] [--height H] [--quality Q] [--network]",
    "--render SCENE --frames A-B|N|all [--inside-out] [--resume] [--width W] [--height H] [--quality Q]",
    "--render SCENE --frames A-B|all --jobs N [--sshloginfile FILE [--transfer]] [--worker PATH] [--inside-out] "
    "[--resume] ...",
    "--render SCENE --frames A-B|all --emit-jobs [--worker PATH] [--inside-out] [--resume] ...",
    "--plugin NAME [--set PROP=VALUE]... [SCENE] OUT",
    "--list-plugins",
    "--preview SCENE OUT.tga [--width W] [--height H] [--textured]",
    "--thumbnail SCENE OUT.png [--size N]",
    "--texture-previews [--jobs N]",
    "--script FILE [SCENE] [--save OUT] [--max-instructions N]",
    "--help | --version",
};

constexpr EnvironmentEntry kEnvironment[] = {
    {"KALVEX_CONFIG", "The settings file to use instead of $XDG_CONFIG_HOME/Velmora/Kalvex.ini."},
    {"XDG_CONFIG_HOME", "Where the settings live; ~/.config when not set."},
    {"XDG_DATA_HOME", "Where the user's data folder and the desktop's recent files live; ~/.local/share when not set."},
    {"KXRENDER_THREADS", "1 keeps the shaded preview on one thread."},
    {"TMPDIR", "Where temporary files go; /tmp when not set."},
    {"QT_QPA_PLATFORM", "offscreen runs the window without a display."},
};

constexpr FileEntry kFiles[] = {
    {"~/.config/Velmora/Kalvex.ini", "The settings and the program's recent files."},
    {"~/.local/share/kalvex", "The user's data folder: renderer definitions, texture databases, autosaved work."},
    {"~/.local/share/recently-used.xbel", "The desktop's list of recent files, which the window adds scenes to."},
    {"PREFIX/share/kalvex", "The shipped data, copied into the user's data folder on first use."},
    {"PREFIX/lib/kalvex/plugins", "The shipped plug-ins."},
};

constexpr ExitStatusEntry kExitStatuses[] = {
    {0, "The job did everything it was asked."},
    {1, "The job failed; the message says why."},
    {2, "The command line was wrong."},
    {130, "Stopped by Ctrl-C (128 plus the signal's number for other signals)."},
};

}  // namespace

std::span<const CommandOption> commandOptions() { return kOptions; }

const CommandOption* findCommandOption(const std::string& name) {
    for (const CommandOption& o : kOptions)
        if (name == o.name || (o.shortName && name == o.shortName)) return &o;
    return nullptr;
}

std::span<const char* const> commandSynopsis() { return kSynopsis; }
std::span<const EnvironmentEntry> commandEnvironment() { return kEnvironment; }
std::span<const FileEntry> commandFiles() { return kFiles; }
std::span<const ExitStatusEntry> commandExitStatuses() { return kExitStatuses; }

std::string usageText() {
    std::string text;
    bool first = true;
    for (const char* form : kSynopsis) {
        text += first ? "usage: kalvex " : "       kalvex ";
        text += form;
        text += '\n';
        first = false;
    }
    text += "Sizes run from 1 to 16384, qualities from 0 to 11; \"--\" ends the options.\n";
    return text;
}

namespace {

// One entry of --help: its head, then its text wrapped at 79 columns from
// column `indent` on (on the next line when the head is wider).
std::string helpEntry(const std::string& head, const std::string& text, size_t indent) {
    constexpr size_t kWidth = 79;
    std::string out = head;
    size_t column = head.size();
    if (column + 2 > indent) {
        out += '\n';
        column = 0;
    }
    out += std::string(indent - column, ' ');
    column = indent;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(at, end - at);
        if (column > indent && column + 1 + word.size() > kWidth) {
            out += '\n' + std::string(indent, ' ');
            column = indent;
        } else if (column > indent) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        at = end + 1;
    }
    return out + '\n';
}

}  // namespace

std::string helpText(const std::string& exportTypes) {
    std::string text = usageText();
    text += "\nOptions:\n";
    for (const CommandOption& o : kOptions) {
        std::string head = "  ";
        if (o.shortName) head += std::string(o.shortName) + ", ";
        head += o.name;
        if (o.value) head += std::string(" ") + o.value;
        if (o.operands) head += std::string(" ") + o.operands;
        text += helpEntry(head, o.help, 30);
    }
    text += "\nExport types (--type takes the name or the number):\n";
    text += helpEntry("", exportTypes, 2);
    text += "\nEnvironment:\n";
    for (const EnvironmentEntry& e : kEnvironment) text += helpEntry(std::string("  ") + e.name, e.help, 20);
    text += "\nExit status:\n";
    for (const ExitStatusEntry& e : kExitStatuses) text += helpEntry("  " + std::to_string(e.status), e.help, 20);
    return text;
}

}  // namespace kx::app
