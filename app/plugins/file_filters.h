// File-dialog filters as plug-ins and the program write them ("Text|*.a;*.b|"
// pairs ending with "||") turned into the window toolkit's form
// ("Text (*.a *.b);;...").
#pragma once

#include <string>

namespace kx::plugins {

std::string dialogFilterFromPipes(const std::string& pipes);

}  // namespace kx::plugins
