// Says who it is, asks to be started again with large pages, then says what
// the tunables are: a restart shows as a second "pid" line with the same id.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "kxplatform/large_pages.h"

int main(int, char** argv) {
    std::printf("pid %d\n", static_cast<int>(::getpid()));
    std::fflush(stdout);
    kx::platform::restartWithLargePages(argv);
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    std::printf("tunables %s\n", tunables ? tunables : "(none)");
    return 0;
}
