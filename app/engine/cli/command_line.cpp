#include "cli/command_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "kxcore.h"

namespace kx::app {
namespace {

std::optional<int> number(const std::string& text) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 0 || v > 1000000) return std::nullopt;
    return static_cast<int>(v);
}

// The options that hand frames to other processes hold together only so.
std::string farmOptionError(const CommandLine& cl) {
    const bool previews = cl.job == CommandLine::Job::TexturePreviews;
    const bool farm = (cl.jobs && !previews) || !cl.sshLoginFile.empty() || cl.transfer || !cl.worker.empty() || cl.emitJobs;
    if ((farm || cl.resume) && cl.frames.empty())
        return "--jobs, --emit-jobs, --sshloginfile, --transfer, --worker and --resume need --frames";
    if (cl.emitJobs && (cl.jobs || !cl.sshLoginFile.empty() || cl.transfer))
        return "--emit-jobs writes the jobs instead of running them: no --jobs, --sshloginfile or --transfer";
    if (!cl.emitJobs && !cl.jobs && (!cl.sshLoginFile.empty() || cl.transfer || !cl.worker.empty()))
        return "--sshloginfile, --transfer and --worker need --jobs";
    if (cl.transfer && cl.sshLoginFile.empty()) return "--transfer needs --sshloginfile";
    return "";
}

}  // namespace

unsigned fileTypeFromText(const std::string& text) {
    if (auto id = number(text)) return static_cast<unsigned>(*id);
    for (const KxFileTypeName& t : KX_FILE_TYPE_NAMES)
        if (strcasecmp(text.c_str(), t.name) == 0) return t.id;
    // Only the command line writes the second VRML; the mesh formats came
    // after the names scripts and plug-ins know, which stay as they were.
    for (const KxFileTypeName& t : kCommandLineOnlyTypes)
        if (strcasecmp(text.c_str(), t.name) == 0) return t.id;
    for (const KxFileTypeName& t : kTypeAliases)
        if (strcasecmp(text.c_str(), t.name) == 0) return t.id;
    return 0;
}

bool frameRange(const std::string& text, unsigned maxFrames, unsigned& first, unsigned& last) {
    auto whole = [](const std::string& t, unsigned& out) {
        if (t.empty() || t.size() > 10 || t.find_first_not_of("0123456789") != std::string::npos) return false;
        unsigned long long v = std::strtoull(t.c_str(), nullptr, 10);
        if (v > 0xFFFFFFFFull) return false;
        out = static_cast<unsigned>(v);
        return true;
    };
    if (text == "all") {
        if (maxFrames == 0) return false;
        first = 0;
        last = maxFrames - 1;
        return true;
    }
    const size_t dash = text.find('-');
    if (dash == std::string::npos) {
        if (!whole(text, first)) return false;
        last = first;
    } else if (!whole(text.substr(0, dash), first) || !whole(text.substr(dash + 1), last)) {
        return false;
    }
    return first <= last && last < maxFrames;
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    std::vector<std::string> positional;
    bool endOfOptions = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* option) -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                cl.error = std::string(option) + " needs a value";
                return std::nullopt;
            }
            return args[++i];
        };
        // Checked before any work: a size of 0 would only fail in the renderer.
        auto numberOption = [&](const char* option, std::optional<int>& target, int low, int high) {
            if (auto v = value(option)) {
                target = number(*v);
                // A number too long to hold is still a number: it is out of range.
                const bool digits = !v->empty() && v->find_first_not_of("0123456789") == std::string::npos;
                if (!target && !digits) cl.error = std::string(option) + " takes a whole number, not " + *v;
                else if (!target || *target < low || *target > high)
                    cl.error = std::string(option) + " " + *v + " is out of range (" + std::to_string(low) + " to " +
                               std::to_string(high) + ")";
            }
        };
        if (endOfOptions) positional.push_back(a);
        else if (a == "--") endOfOptions = true;  // names after it may start with "-"
        else if (a.size() > 1 && a[0] == '-' && !findCommandOption(a)) cl.error = "unknown option " + a;
        else if (a == "--help" || a == "-h") cl.job = CommandLine::Job::Help;
        else if (a == "--version") cl.job = CommandLine::Job::Version;
        else if (a == "--export") cl.job = CommandLine::Job::Export;
        else if (a == "--render") cl.job = CommandLine::Job::Render;
        else if (a == "--list-plugins") cl.job = CommandLine::Job::ListPlugins;
        else if (a == "--no-plugins") cl.noPlugins = true;
        else if (a == "--plugin") {
            cl.job = CommandLine::Job::Plugin;
            if (auto v = value("--plugin")) cl.plugin = *v;
        } else if (a == "--set") {
            if (auto v = value("--set")) {
                const size_t eq = v->find('=');
                if (eq == 0 || eq == std::string::npos) cl.error = "--set takes PROP=VALUE, not " + *v;
                else cl.sets.emplace_back(v->substr(0, eq), v->substr(eq + 1));
            }
        }
        else if (a == "--preview") cl.job = CommandLine::Job::Preview;
        else if (a == "--thumbnail") cl.job = CommandLine::Job::Thumbnail;
        else if (a == "--size") numberOption("--size", cl.size, 1, kMaxThumbnailSize);
        else if (a == "--textured") cl.textured = true;
        else if (a == "--script") cl.job = CommandLine::Job::Script;
        else if (a == "--save") {
            if (auto v = value("--save")) {
                cl.output = *v;
                if (cl.output.empty()) cl.error = "--save needs a name";
            }
        } else if (a == "--max-instructions") {
            if (auto v = value("--max-instructions")) {
                char* end = nullptr;
                errno = 0;
                const unsigned long long n = std::strtoull(v->c_str(), &end, 10);
                if (v->empty() || *end != '\0' || errno != 0 || n == 0 || (*v)[0] == '-')
                    cl.error = "--max-instructions takes a whole number above 0, not " + *v;
                else cl.maxInstructions = n;
            }
        }
        else if (a == "--macro") {
            if (auto v = value("--macro")) {
                cl.macro = *v;
                if (cl.macro.empty()) cl.error = "--macro needs a name";
            }
        } else if (a == "--recover") cl.recover = true;
        else if (a == "--texture-previews") cl.job = CommandLine::Job::TexturePreviews;
        else if (a == "--type") {
            if (auto v = value("--type")) cl.type = *v;
        } else if (a == "--width") numberOption("--width", cl.width, 1, kMaxImageSize);
        else if (a == "--height") numberOption("--height", cl.height, 1, kMaxImageSize);
        else if (a == "--quality") numberOption("--quality", cl.quality, 0, kMaxQuality);
        else if (a == "--network") cl.network = true;
        else if (a == "--frames") {
            if (auto v = value("--frames")) {
                unsigned first = 0, last = 0;
                cl.frames = *v;
                if (!frameRange(cl.frames, 0xFFFFFFFFu, first, last)) cl.error = "--frames takes A-B, N or all, not " + *v;
            }
        } else if (a == "--inside-out") cl.insideOut = true;
        else if (a == "--jobs") numberOption("--jobs", cl.jobs, 1, kMaxJobs);
        else if (a == "--sshloginfile" || a == "--worker") {
            std::string& target = a == "--worker" ? cl.worker : cl.sshLoginFile;
            if (auto v = value(a.c_str())) {
                target = *v;
                if (target.empty()) cl.error = a + " needs a name";
            }
        } else if (a == "--transfer") cl.transfer = true;
        else if (a == "--emit-jobs") cl.emitJobs = true;
        else if (a == "--resume") cl.resume = true;
        else positional.push_back(a);
        if (!cl.error.empty()) return cl;
    }
    if (cl.job == CommandLine::Job::None && !positional.empty()) cl.job = CommandLine::Job::Open;
    // A file manager hands the window every file the user chose.
    if (cl.job == CommandLine::Job::Open && positional.size() > 1) {
        cl.moreScenes.assign(positional.begin() + 1, positional.end());
        positional.resize(1);
    }
    if (cl.job == CommandLine::Job::Plugin && positional.size() == 1) positional.insert(positional.begin(), "");
    const bool saveGiven = !cl.output.empty();
    if (cl.job == CommandLine::Job::Script) {
        // FILE [SCENE]: the scene is optional, the output comes with --save.
        if (!positional.empty()) cl.script = positional[0];
        if (positional.size() > 1) cl.scene = positional[1];
        if (positional.size() == 1) positional.push_back("");
    } else {
        if (!positional.empty()) cl.scene = positional[0];
        if (positional.size() > 1) cl.output = positional[1];
    }
    size_t wanted = (cl.job == CommandLine::Job::Export || cl.job == CommandLine::Job::Plugin ||
                     cl.job == CommandLine::Job::Preview || cl.job == CommandLine::Job::Script ||
                     cl.job == CommandLine::Job::Thumbnail)
                        ? 2
                        : (cl.job == CommandLine::Job::Render || cl.job == CommandLine::Job::Open) ? 1 : 0;
    if (cl.job == CommandLine::Job::Help || cl.job == CommandLine::Job::Version) wanted = positional.size();
    if (positional.size() != wanted) cl.error = "wrong number of file names";
    if ((!cl.frames.empty() || cl.insideOut) && cl.job != CommandLine::Job::Render)
        cl.error = "--frames and --inside-out belong to --render";
    else if (cl.insideOut && cl.frames.empty()) cl.error = "--inside-out needs --frames";
    else if (!cl.frames.empty() && cl.network) cl.error = "--frames cannot be rendered on the network";
    else if (std::string farm = farmOptionError(cl); !farm.empty()) cl.error = farm;
    else if (cl.job == CommandLine::Job::TexturePreviews && cl.jobs && *cl.jobs > kMaxPreviewJobs)
        cl.error = "--jobs " + std::to_string(*cl.jobs) + " is out of range (1 to " + std::to_string(kMaxPreviewJobs) + ")";
    if (cl.error.empty() && !cl.sets.empty() && cl.job != CommandLine::Job::Plugin) cl.error = "--set belongs to --plugin";
    if (cl.error.empty() && cl.textured && cl.job != CommandLine::Job::Preview) cl.error = "--textured belongs to --preview";
    if (cl.error.empty() && cl.size && cl.job != CommandLine::Job::Thumbnail) cl.error = "--size belongs to --thumbnail";
    if (cl.error.empty() && saveGiven && cl.job != CommandLine::Job::Script) cl.error = "--save belongs to --script";
    if (cl.error.empty() && (!cl.macro.empty() || cl.recover) && cl.job != CommandLine::Job::None &&
        cl.job != CommandLine::Job::Open)
        cl.error = "--macro and --recover belong to the window";
    if (cl.error.empty() && cl.maxInstructions && cl.job != CommandLine::Job::Script &&
        cl.job != CommandLine::Job::Export && cl.job != CommandLine::Job::Render)
        cl.error = "--max-instructions belongs to --script, --export and --render";
    // Without plug-ins no SAVE function can name the type; with them it is
    // looked up once they are loaded.
    if (cl.job == CommandLine::Job::Export && !cl.type.empty() && fileTypeFromText(cl.type) == 0 && cl.noPlugins)
        cl.error = "unknown file type " + cl.type;
    return cl;
}

}  // namespace kx::app
