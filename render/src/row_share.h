// How the picture's rows are shared among drawing threads: in bands, each
// thread a range of them holding about its share of the work. A thread
// draws only into its own rows, so nothing is merged and every pixel sees
// what reaches it in the order one thread would draw it.
#pragma once

#include <utility>

namespace kxr {

// Rows a band holds: the steps in which the picture is shared out.
inline constexpr int kBandRows = 16;

// The bands [start, end) of part `part` of `parts`, of `bands` whose work
// workOf(b) tells: each part starts at the band where the work of the bands
// before it reaches its share. Every thread that asks with the same work
// gets the same cuts.
template <class WorkOf>
std::pair<int, int> rowShare(int bands, WorkOf workOf, int part, int parts) {
    double total = 0;
    for (int b = 0; b < bands; ++b) total += workOf(b);
    auto startOf = [&](int p) {
        if (p == 0) return 0;
        double before = 0;
        for (int b = 0; b < bands; before += workOf(b), ++b)
            if (before >= total * p / parts) return b;
        return bands;
    };
    return {startOf(part), part + 1 == parts ? bands : startOf(part + 1)};
}

}  // namespace kxr
