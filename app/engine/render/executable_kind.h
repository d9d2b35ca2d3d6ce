// Whether a program writes to a console that can be captured.
#pragma once

#include <string>

namespace kx::app {

// The subsystem number of an executable: for a PE file the field of its
// optional header (3 = console); an ELF file or a "#!" script counts as a
// console program (3). Errors are shown and give 0.
unsigned executableSubsystem(const std::string& path);


}  // namespace kx::app
