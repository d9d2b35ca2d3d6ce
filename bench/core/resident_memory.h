// The process's resident memory as the kernel counts it, for benchmarks that
// report what a road costs in memory beside its time.
#pragma once

#include <cstring>
#include <fstream>
#include <string>

namespace kxbench {

// A field of /proc/self/status in MB of a million bytes, as file sizes and
// triangle bytes are counted (0 when unknown): "VmHWM:" is the peak resident
// memory since the last reset, "VmRSS:" the resident memory now.
inline double statusMB(const char* field = "VmHWM:") {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(field);
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::stod(line.substr(n)) * 1024.0 / 1e6;
    return 0;
}
inline double peakResidentMB() { return statusMB("VmHWM:"); }
inline double residentMB() { return statusMB("VmRSS:"); }
// Starts a new peak from the resident memory now.
inline void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

}  // namespace kxbench
