// File-dialog filters as plug-ins and the program write them ("Text|*.a;*.b|"
// pairs ending with "||") turned into the window toolkit's form
// ("Text (*.a *.b);;...").
#pragma once

#include <string>
#include <vector>

namespace kx::plugins {

std::string dialogFilterFromPipes(const std::string& pipes);

// One entry of a file dialog's filter list offered by a plug-in item, and the
// file type that chooses the item (42 + its position).
struct PluginDialogFilter {
    std::string text;  // in the toolkit's form, "Text (*.a *.b)"
    unsigned type;
};
// The filters of every enabled LOAD (kindId 2) or SAVE (3) item, in item
// order; empty without plug-ins.
std::vector<PluginDialogFilter> pluginDialogFilters(int kindId);

}  // namespace kx::plugins
