// Screen lines of a dense mesh: neighbouring triangles share their edges, and
// many edges fall on the same pixels, so a view keeps each line once.
#pragma once

#include <QLine>

#include <algorithm>
#include <vector>

namespace kx::app {

// Keeps the first copy of each line, as it was given; a line and its reverse
// are the same line. The kept lines stay in their order.
void dropDuplicateLines(std::vector<QLine>& lines);

// Collects one object's lines into `out` a stretch at a time, each stretch
// with its repeats dropped, so that a dense mesh never holds all the lines
// it projects at once. finish() drops the repeats between stretches: the
// lines kept are then what dropDuplicateLines() keeps of all of them.
class ScreenLineGatherer {
public:
    static constexpr size_t kStretch = size_t{1} << 18;

    // Lines already in `out` count as a stretch before the first.
    explicit ScreenLineGatherer(std::vector<QLine>& out, size_t stretch = kStretch)
        : out_(out), stretch_(std::max<size_t>(stretch, 1)), flushed_(out.empty() ? 0 : 1) {}
    void add(const QPoint& a, const QPoint& b) {
        stretchLines_.emplace_back(a, b);
        if (stretchLines_.size() >= stretch_) flush();
    }
    // Call once, after the last add(); gives back the room of dropped lines.
    void finish();

private:
    void flush();

    std::vector<QLine>& out_;
    size_t stretch_;
    std::vector<QLine> stretchLines_;
    int flushed_;
};

}  // namespace kx::app
