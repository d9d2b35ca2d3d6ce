// Options of the codec, set through the entry points and kept for later calls.
#pragma once

namespace kx::jpeg {

struct Options {
    int scale = 0;
    bool greyscale = false;
    int quality = 75;
    bool progressive = false;
};

Options& options();

constexpr unsigned kMaxSide = 4096;

}  // namespace kx::jpeg
