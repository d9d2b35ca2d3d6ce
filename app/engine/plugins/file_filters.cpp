#include "plugins/file_filters.h"

#include <vector>

#include "document/file_dispatch.h"
#include "plugins/host_state.h"
#include "plugins/plugin_manager.h"

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

std::vector<PluginDialogFilter> pluginDialogFilters(int kindId) {
    std::vector<PluginDialogFilter> out;
    PluginManager* m = hostState().manager;
    if (m == nullptr) return out;
    for (size_t i = 0; i < m->items().size(); ++i) {
        const PluginItem& item = m->items()[i];
        if (item.kindId != kindId || item.state == 0 || !item.entry) continue;
        char pipes[PLUGIN_FILTER_BUFFER] = {};
        if (!m->call(i, nullptr, 8, nullptr, pipes, sizeof pipes) || pipes[0] == '\0') continue;
        const std::string text = dialogFilterFromPipes(pipes);
        size_t begin = 0;
        while (begin < text.size()) {
            size_t end = text.find(";;", begin);
            if (end == std::string::npos) end = text.size();
            out.push_back({text.substr(begin, end - begin), app::kFirstPluginFileType + static_cast<unsigned>(i)});
            begin = end + 2;
        }
    }
    return out;
}

}  // namespace kx::plugins
