// A view keeps each screen line once: the first copy, in the order given.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "views/screen_lines.h"

namespace kxtest {
namespace {

// What the view must keep, found the plain way.
std::vector<QLine> firstCopies(const std::vector<QLine>& lines) {
    std::set<std::pair<std::pair<int, int>, std::pair<int, int>>> seen;
    std::vector<QLine> kept;
    for (const QLine& l : lines) {
        std::pair a{l.x1(), l.y1()}, b{l.x2(), l.y2()};
        if (b < a) std::swap(a, b);
        if (seen.insert({a, b}).second) kept.push_back(l);
    }
    return kept;
}

// Random lines with ends in [lo, hi] on both axes, each followed now and then
// by a copy of an earlier line, reversed or not.
std::vector<QLine> randomLines(size_t count, int lo, int hi, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> at(lo, hi);
    std::vector<QLine> lines;
    while (lines.size() < count) {
        if (!lines.empty() && random() % 3 == 0) {
            const QLine old = lines[random() % lines.size()];
            lines.push_back(random() % 2 ? old : QLine(old.p2(), old.p1()));
        } else {
            lines.emplace_back(at(random), at(random), at(random), at(random));
        }
    }
    return lines;
}

TEST(ScreenLinesTest, KeepsTheFirstCopyOfEachLineInOrder) {
    struct Case {
        const char* what;
        std::vector<QLine> lines;
    };
    std::vector<QLine> farApart = randomLines(5000, -20, 20, 3);
    farApart.emplace_back(-(1 << 22) + 1, 0, (1 << 22) - 1, 5);  // too wide for one word
    farApart.emplace_back((1 << 22) - 1, 5, -(1 << 22) + 1, 0);
    std::vector<QLine> onePoint(300, QLine(7, 7, 7, 7));
    std::vector<QLine> fewCopies(10, QLine(1, 2, 3, 4));  // too few to be worth sorting
    const Case cases[] = {
        {"a view's worth, many copies", randomLines(200000, 0, 1279, 1)},
        {"a small area, nearly all copies", randomLines(100000, -3, 3, 2)},
        {"negative and positive places", randomLines(20000, -5000, 5000, 4)},
        {"ends too far apart for one word", farApart},
        {"every line the same point", onePoint},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<QLine> lines = c.lines;
        kx::app::dropDuplicateLines(lines);
        EXPECT_EQ(lines, firstCopies(c.lines));
    }
    std::vector<QLine> few = fewCopies;
    kx::app::dropDuplicateLines(few);
    EXPECT_EQ(few, fewCopies);
}

// Gathered a stretch at a time, the lines kept are those of one pass over
// them all, whatever the stretch, and with lines already gathered before.
TEST(ScreenLinesTest, GatheringInStretchesKeepsWhatOnePassKeeps) {
    const std::vector<QLine> all = randomLines(30000, -40, 40, 5);
    const std::vector<QLine> earlier(all.begin(), all.begin() + 500);
    const std::vector<QLine> later(all.begin() + 500, all.end());
    for (size_t stretch : {size_t{1}, size_t{7}, size_t{64}, size_t{1000}, size_t{1} << 20}) {
        for (bool withEarlier : {false, true}) {
            SCOPED_TRACE(testing::Message() << "stretch " << stretch << (withEarlier ? ", lines before" : ""));
            std::vector<QLine> out = withEarlier ? earlier : std::vector<QLine>{};
            kx::app::ScreenLineGatherer gatherer(out, stretch);
            for (const QLine& l : withEarlier ? later : all) gatherer.add(l.p1(), l.p2());
            gatherer.finish();
            EXPECT_EQ(out, firstCopies(all));
            EXPECT_LE(out.capacity(), 2 * out.size());
        }
    }
}

}  // namespace
}  // namespace kxtest
