// The two readers of the frame driver over arbitrary bytes: GNU parallel's job
// log and the words of a scene file that may name files for the workers.
// Every record must be one the log really holds, every word a piece of the text.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cli/farm_plan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t lines = 1;
    for (char c : text) lines += c == '\n';
    const auto entries = kx::app::parseJobLog(text);
    if (entries.size() > lines) std::abort();
    for (const kx::app::JobLogEntry& e : entries)
        if (e.seq == 0) std::abort();
    for (const std::string& word : kx::app::namedFileCandidates(text))
        if (word.empty() || word.size() > kx::app::kMaxNamedFile || text.find(word) == std::string_view::npos)
            std::abort();
    return 0;
}
