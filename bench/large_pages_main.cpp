// The benchmarks' start: they run as the program runs, with the heap on
// large pages (a user's own GLIBC_TUNABLES setting is kept, "=0" included).
#include <benchmark/benchmark.h>

#include "kxplatform/large_pages.h"

int main(int argc, char** argv) {
    kx::platform::restartWithLargePages(argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
