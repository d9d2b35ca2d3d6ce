// Large pages for the heap. A scene of a million triangles is a million small
// nodes; the first touch of each 4 KiB page they fill costs a fault, and on a
// virtual machine a fault costs microseconds: half the time of opening such a
// scene went there. The C library backs its heap with 2 MiB pages when its
// tunables ask for it, and it reads them only when a program starts, so a
// program that expects a large scene starts itself again, once, with them.
#pragma once

#include <string>
#include <string_view>

namespace kx::platform {

// The tunables text to start again with: `current` with the heap's large
// pages asked for, or empty when nothing is to change because the tunable is
// there already, with any value (a user's own "=0" wins).
std::string tunablesWithLargePages(std::string_view current);

// Whether the kernel gives large pages to memory that asks for them, read
// from its mode text ("always [madvise] never"): only the bracketed
// "madvise" mode does; "always" gives them unasked and "never" not at all.
bool largePagesOnRequest(std::string_view kernelMode);

// Replaces this process with a fresh start of the same program, the same
// arguments and environment but the tunables above (the process id, open
// files and signal mask stay). Returns only when nothing would be gained
// (the kernel's mode, the tunable already set) or the start failed; the
// program then goes on as it is.
void restartWithLargePages(char** argv);

}  // namespace kx::platform
