#include "views/screen_lines.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <utility>

namespace kx::app {
namespace {

// Below this many lines a sort gains nothing worth its setup.
constexpr size_t kFewLines = 64;

// The bits needed for values 0..span.
int bitsFor(uint64_t span) { return span ? std::bit_width(span) : 0; }

// Sorts records by their bits from `low` up to `high` (the rest rides along),
// a digit at a time from the lowest: each pass keeps the order of equal
// digits, so records with equal keys stay in the order they were given.
void radixSort(std::vector<uint64_t>& records, int low, int high) {
    constexpr int kDigit = 11;
    constexpr size_t kBuckets = size_t{1} << kDigit;
    std::vector<uint64_t> spare(records.size());
    for (int shift = low; shift < high; shift += kDigit) {
        std::array<size_t, kBuckets> start{};
        for (uint64_t r : records) ++start[(r >> shift) & (kBuckets - 1)];
        // A digit that all records share moves nothing.
        if (std::ranges::find(start, records.size()) != start.end()) continue;
        size_t at = 0;
        for (size_t& s : start) at += std::exchange(s, at);
        for (uint64_t r : records) spare[start[(r >> shift) & (kBuckets - 1)]++] = r;
        records.swap(spare);
    }
}

// Lines packed into one word each, with the line's place in the list in the
// low bits and its key above: both ends relative to the lowest corner of all,
// the smaller end first. Empty when the key and the place need more than 64 bits.
std::vector<uint64_t> packedLines(const std::vector<QLine>& lines, int& keyBits, int& placeBits) {
    int minX = lines[0].x1(), maxX = minX, minY = lines[0].y1(), maxY = minY;
    for (const QLine& l : lines) {
        minX = std::min({minX, l.x1(), l.x2()});
        maxX = std::max({maxX, l.x1(), l.x2()});
        minY = std::min({minY, l.y1(), l.y2()});
        maxY = std::max({maxY, l.y1(), l.y2()});
    }
    const int xBits = bitsFor(static_cast<uint64_t>(static_cast<int64_t>(maxX) - minX));
    const int yBits = bitsFor(static_cast<uint64_t>(static_cast<int64_t>(maxY) - minY));
    placeBits = bitsFor(lines.size() - 1);
    keyBits = 2 * (xBits + yBits);
    if (keyBits + placeBits > 64) return {};
    auto end = [&](int x, int y) {
        return static_cast<uint64_t>(static_cast<int64_t>(x) - minX) << yBits |
               static_cast<uint64_t>(static_cast<int64_t>(y) - minY);
    };
    std::vector<uint64_t> records;
    records.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const QLine& l = lines[i];
        uint64_t a = end(l.x1(), l.y1()), b = end(l.x2(), l.y2());
        if (b < a) std::swap(a, b);
        const uint64_t key = a << (xBits + yBits) | b;
        records.push_back(key << placeBits | i);
    }
    return records;
}

// Marks the first line of each run of equal keys in sorted records.
template <class Records, class KeyOf, class PlaceOf>
void markFirsts(const Records& sorted, KeyOf keyOf, PlaceOf placeOf, std::vector<uint8_t>& keep) {
    for (size_t i = 0; i < sorted.size(); ++i)
        if (i == 0 || keyOf(sorted[i]) != keyOf(sorted[i - 1])) keep[placeOf(sorted[i])] = 1;
}

// Lines too far apart for one word: a sort of wide keys.
void markFirstsWide(const std::vector<QLine>& lines, std::vector<uint8_t>& keep) {
    using End = std::pair<int, int>;
    std::vector<std::pair<std::pair<End, End>, size_t>> keyed;
    keyed.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        End a{lines[i].x1(), lines[i].y1()}, b{lines[i].x2(), lines[i].y2()};
        if (b < a) std::swap(a, b);
        keyed.push_back({{a, b}, i});
    }
    std::ranges::sort(keyed);
    markFirsts(keyed, [](const auto& k) { return k.first; }, [](const auto& k) { return k.second; }, keep);
}

}  // namespace

void dropDuplicateLines(std::vector<QLine>& lines) {
    if (lines.size() < kFewLines) return;
    std::vector<uint8_t> keep(lines.size(), 0);
    int keyBits = 0, placeBits = 0;
    std::vector<uint64_t> records = packedLines(lines, keyBits, placeBits);
    if (!records.empty()) {
        // The records come in the lines' order: sorting by the key alone
        // leaves the first copy of each line first among its equals.
        radixSort(records, placeBits, placeBits + keyBits);
        const uint64_t placeMask = (uint64_t{1} << placeBits) - 1;
        markFirsts(records, [&](uint64_t r) { return r >> placeBits; },
                   [&](uint64_t r) { return static_cast<size_t>(r & placeMask); }, keep);
    } else {
        markFirstsWide(lines, keep);
    }
    size_t kept = 0;
    for (size_t i = 0; i < lines.size(); ++i)
        if (keep[i]) lines[kept++] = lines[i];
    lines.resize(kept);
}

void ScreenLineGatherer::flush() {
    if (stretchLines_.empty()) return;
    dropDuplicateLines(stretchLines_);
    out_.insert(out_.end(), stretchLines_.begin(), stretchLines_.end());
    stretchLines_.clear();
    ++flushed_;
}

void ScreenLineGatherer::finish() {
    // A line's first copy is the first of its stretch, and no earlier
    // stretch holds it: dropping repeats again keeps exactly those.
    flush();
    if (flushed_ > 1) dropDuplicateLines(out_);
    std::vector<QLine>().swap(stretchLines_);
    // A view keeps its lines until the next change: a dense mesh seen small
    // keeps a fraction of what it projected, and need not hold the rest.
    if (out_.capacity() > 2 * out_.size()) out_.shrink_to_fit();
}

}  // namespace kx::app
