// Expansion of one batch line over arbitrary bytes: the first line of the
// input is the batch line, the others its arguments. Nothing may be invented:
// without arguments a line only shrinks, and every argument lands whole.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "kxplatform/batch.h"
#include "kxplatform/process.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find('\n', start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    const std::string& line = parts.front();
    if (kx::platform::expandBatchLine(line, {}).size() > line.size()) std::abort();
    size_t longest = 0;
    for (const std::string& p : parts) longest = p.size() > longest ? p.size() : longest;
    const std::string expanded = kx::platform::expandBatchLine(line, parts);
    if (expanded.size() > line.size() * (longest + 1)) std::abort();
    (void)kx::platform::splitCommandLine(expanded);
    return 0;
}
