// Splitting a command line into arguments: blanks and tabs separate, double
// quotes group blanks into one argument and are themselves dropped.
#include <new>
#include <string>
#include <vector>

#include "image_state.h"

using kx::image::state;

int ExpandCmdLine(const char* commandLine) {
    auto& args = state().commandLine.args;
    args.clear();
    if (!commandLine) return 0;
    try {
        std::string current;
        bool inArgument = false, quoted = false;
        for (const char* p = commandLine; *p; ++p) {
            char c = *p;
            if (c == '"') {
                quoted = !quoted;
                inArgument = true;
            } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
                if (inArgument) args.push_back(std::move(current));
                current.clear();
                inArgument = false;
            } else {
                current += c;
                inArgument = true;
            }
        }
        if (inArgument) args.push_back(std::move(current));
    } catch (const std::bad_alloc&) {
        args.clear();
        ErrorMessage("Error Allocating Command Line Argument");
        return 0;
    }
    return static_cast<int>(args.size());
}

int GetCmdLineArgCount() { return static_cast<int>(state().commandLine.args.size()); }

const char* GetCmdLineArg(int index) {
    const auto& args = state().commandLine.args;
    if (index < 0 || static_cast<size_t>(index) >= args.size()) return nullptr;
    return args[static_cast<size_t>(index)].c_str();
}

void ReleaseCmdLine() { std::vector<std::string>().swap(state().commandLine.args); }
