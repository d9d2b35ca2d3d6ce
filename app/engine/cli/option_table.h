// The one list of the program's command-line options. The parser accepts
// only what is here; --help, the manual page and the shell completions are
// written from it, so none of them can name an option the program lacks or
// miss one it has. Nothing here needs more than the standard library, so the
// build's manual writer can use the table without the program's libraries.
#pragma once

#include <span>
#include <string>

namespace kx::app {

// What a shell completes for an option's value. The file names that follow
// a job's option are completed as scenes, whatever the job.
enum class Completion {
    None,     // nothing to offer (a number, a free text)
    File,     // any file or folder name
    Type,     // an export type's name
    Plugin,   // a plug-in function's export name, as --list-plugins prints it
    Frames,   // "all", or a range the user types
    Size,     // a thumbnail size
};

struct CommandOption {
    const char* name;       // "--export"
    const char* shortName;  // "-h", or null
    const char* value;      // the value the option takes ("N", "ID|NAME"), or null
    const char* operands;   // the file names that follow a job's option ("SCENE OUT"), or null
    Completion valueCompletion;
    const char* help;       // one or two sentences, ending with a full stop
};

// In the order --help and the manual list them: the jobs first, then what
// they take.
std::span<const CommandOption> commandOptions();

// The option of that name or short name; null when the table has none.
const CommandOption* findCommandOption(const std::string& name);

// The forms of a call, after "kalvex " (the synopsis of --help and the manual).
std::span<const char* const> commandSynopsis();

// A variable of the environment the program reads, with what it changes.
struct EnvironmentEntry {
    const char* name;
    const char* help;
};
std::span<const EnvironmentEntry> commandEnvironment();

// A file or folder the program reads or writes, with what it is for.
struct FileEntry {
    const char* path;
    const char* help;
};
std::span<const FileEntry> commandFiles();

// An exit status and what it means.
struct ExitStatusEntry {
    int status;
    const char* help;
};
std::span<const ExitStatusEntry> commandExitStatuses();

// The usage text printed after a wrong argument: the synopsis and the limits.
std::string usageText();
// The text --help prints: usage, options, the export types (listed as the caller gives
// them), environment and exit statuses.
std::string helpText(const std::string& exportTypes);

}  // namespace kx::app
