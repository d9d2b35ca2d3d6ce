// Marching the cells of a sampled field. Each cube is cut into six
// tetrahedra around its main diagonal, and the surface is found in each
// tetrahedron. A tetrahedron has no ambiguous case, and neighbouring cubes
// cut their shared face along the same diagonal (the cut is the same in every
// cube), so the mesh closes without the disambiguation a 256-case cube table
// needs; the price is about twice the triangles, which a view proxy can pay.
//
// Triangles are wound from the tetrahedron's corner order, not from their
// own normals: every tetrahedron is listed positively oriented, so the
// winding is consistent across the whole mesh even where a sample equals the
// level and triangles collapse to slivers whose normals say nothing.
#include "geometry/marching_cubes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <utility>

namespace kx::geometry {
namespace {

using Clock = std::chrono::steady_clock;

// Samples are kept within this bound, and what is not a number becomes its
// positive end, so every crossing below divides two finite numbers.
constexpr double kFarOutside = 1e30;

double sampleValue(double v) {
    if (std::isnan(v)) return kFarOutside;
    return std::clamp(v, -kFarOutside, kFarOutside);
}

// Corner c of a cell sits at offset (c & 1, c >> 1 & 1, c >> 2 & 1), so of
// two corners where one lies componentwise below the other, the lower has the
// smaller number. Each tetrahedron is a path from corner 0 to corner 7
// stepping along one axis at a time, one for each order of the three axes;
// any two of its corners are so ordered, which gives each edge the same lower
// end from whichever cell it is reached. The rows whose path order is
// negatively oriented have their last two corners swapped.
constexpr uint8_t kTetrahedra[6][4] = {
    {0, 1, 3, 7},  // x, y, z
    {0, 1, 7, 5},  // x, z, y
    {0, 2, 7, 3},  // y, x, z
    {0, 2, 6, 7},  // y, z, x
    {0, 4, 5, 7},  // z, x, y
    {0, 4, 7, 6},  // z, y, x
};

constexpr int orientation(const uint8_t t[4]) {
    int e[3][3] = {};
    for (int i = 0; i < 3; ++i)
        for (int a = 0; a < 3; ++a) e[i][a] = (t[i + 1] >> a & 1) - (t[0] >> a & 1);
    return e[0][0] * (e[1][1] * e[2][2] - e[1][2] * e[2][1]) - e[0][1] * (e[1][0] * e[2][2] - e[1][2] * e[2][0]) +
           e[0][2] * (e[1][0] * e[2][1] - e[1][1] * e[2][0]);
}
constexpr bool allPositive() {
    for (const auto& t : kTetrahedra)
        if (orientation(t) <= 0) return false;
    return true;
}
static_assert(allPositive(), "every tetrahedron must be positively oriented");

// For each set of leading positions (a bit mask over the four corners of a
// tetrahedron), the positions with those first, each part ascending, and the
// last two swapped where that is needed to keep the order an even
// permutation, which keeps the tetrahedron's orientation.
constexpr std::array<std::array<uint8_t, 4>, 16> kEvenOrders = [] {
    std::array<std::array<uint8_t, 4>, 16> orders{};
    for (unsigned mask = 0; mask < 16; ++mask) {
        auto& o = orders[mask];
        unsigned k = 0;
        for (unsigned i = 0; i < 4; ++i)
            if (mask >> i & 1) o[k++] = static_cast<uint8_t>(i);
        for (unsigned i = 0; i < 4; ++i)
            if (!(mask >> i & 1)) o[k++] = static_cast<uint8_t>(i);
        unsigned inversions = 0;
        for (unsigned i = 0; i < 4; ++i)
            for (unsigned j = i + 1; j < 4; ++j) inversions += o[i] > o[j];
        if (inversions % 2) std::swap(o[2], o[3]);
    }
    return orders;
}();

struct Corner {
    double p[3];
    double value;
};

struct Vec {
    double v[3];
};

Point3d narrowed(const Vec& a) {
    return {static_cast<float>(a.v[0]), static_cast<float>(a.v[1]), static_cast<float>(a.v[2])};
}

bool boxIsEmpty(const FieldBox& box) {
    for (int a = 0; a < 3; ++a)
        if (!std::isfinite(box.min[a]) || !std::isfinite(box.max[a]) || !(box.max[a] > box.min[a])) return true;
    return false;
}

class Marcher {
public:
    Marcher(const ScalarField& field, double level, const FieldBox& box, unsigned n, double maxMilliseconds,
            size_t maxTriangles)
        : field_(field), level_(level), n_(std::clamp(n, kMinFieldCells, kMaxFieldCells)),
          maxTriangles_(maxTriangles) {
        // Past about eleven days the limit means "none", and the clock's
        // integer ticks must not overflow.
        const double ms = std::isnan(maxMilliseconds) ? 0.0 : std::clamp(maxMilliseconds, 0.0, 1e9);
        deadline_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double, std::milli>(ms));
        for (int a = 0; a < 3; ++a) {
            axis_[a].resize(n_ + 1);
            const double span = box.max[a] - box.min[a];
            for (unsigned i = 0; i < n_; ++i) axis_[a][i] = box.min[a] + span * (static_cast<double>(i) / n_);
            axis_[a][n_] = box.max[a];
        }
        lower_.resize(size_t(n_ + 1) * (n_ + 1));
        upper_.resize(lower_.size());
    }

    MarchResult run() && {
        if (!sampleLayer(0, lower_)) return std::move(result_);
        for (unsigned k = 0; k < n_; ++k) {
            if (!sampleLayer(k + 1, upper_) || !marchLayer(k)) break;
            std::swap(lower_, upper_);
        }
        return std::move(result_);
    }

private:
    bool stop() {
        result_.complete = false;
        return false;
    }

    bool sampleLayer(unsigned k, std::vector<double>& layer) {
        const double z = axis_[2][k];
        for (unsigned j = 0; j <= n_; ++j) {
            const double y = axis_[1][j];
            double* row = &layer[size_t(j) * (n_ + 1)];
            for (unsigned i = 0; i <= n_; ++i) row[i] = sampleValue(field_(axis_[0][i], y, z));
            if (Clock::now() >= deadline_) return stop();
        }
        return true;
    }

    // The cells between sample layers k (lower_) and k + 1 (upper_).
    bool marchLayer(unsigned k) {
        const size_t stride = n_ + 1;
        for (unsigned j = 0; j < n_; ++j) {
            for (unsigned i = 0; i < n_; ++i) {
                Corner corner[8];
                unsigned insideCount = 0;
                for (unsigned c = 0; c < 8; ++c) {
                    const unsigned di = c & 1, dj = c >> 1 & 1, dk = c >> 2 & 1;
                    const std::vector<double>& layer = dk ? upper_ : lower_;
                    corner[c] = {{axis_[0][i + di], axis_[1][j + dj], axis_[2][k + dk]},
                                 layer[(j + dj) * stride + i + di]};
                    insideCount += corner[c].value < level_;
                }
                if (insideCount == 0 || insideCount == 8) continue;
                for (const auto& t : kTetrahedra)
                    if (!tetrahedron(corner, t)) return false;
            }
            if (Clock::now() >= deadline_) return stop();
        }
        return true;
    }

    // Where the field crosses the level on the edge from a to b; a is the
    // edge's lower corner whichever tetrahedron asks, so both cells beside a
    // face compute the same bits.
    Vec crossing(const Corner& a, const Corner& b) const {
        const double t = std::clamp((level_ - a.value) / (b.value - a.value), 0.0, 1.0);
        return {{a.p[0] + t * (b.p[0] - a.p[0]), a.p[1] + t * (b.p[1] - a.p[1]), a.p[2] + t * (b.p[2] - a.p[2])}};
    }

    // The surface in the tetrahedron t of the cell's corners. With the
    // tetrahedron positively oriented as (i, j, k, l) and i alone inside,
    // the triangle ij, ik, il faces away from i, towards growing field; with
    // i alone outside the same triangle is turned over; with i and j inside
    // the quad ik, il, jl, jk faces out. The orders come from kEvenOrders.
    bool tetrahedron(const Corner (&corner)[8], const uint8_t (&t)[4]) {
        unsigned insideMask = 0;
        for (unsigned i = 0; i < 4; ++i) insideMask |= unsigned{corner[t[i]].value < level_} << i;
        const int inside = std::popcount(insideMask);
        if (inside == 0 || inside == 4) return true;
        // The crossing on the edge between positions a and b, from its lower end.
        auto edge = [&](uint8_t a, uint8_t b) {
            return t[a] < t[b] ? crossing(corner[t[a]], corner[t[b]]) : crossing(corner[t[b]], corner[t[a]]);
        };
        if (inside == 1 || inside == 3) {
            const auto& o = kEvenOrders[inside == 1 ? insideMask : insideMask ^ 0xF];
            const Vec a = edge(o[0], o[1]), b = edge(o[0], o[2]), c = edge(o[0], o[3]);
            return inside == 1 ? triangle(a, b, c) : triangle(a, c, b);
        }
        const auto& o = kEvenOrders[insideMask];
        const Vec ik = edge(o[0], o[2]), il = edge(o[0], o[3]);
        const Vec jl = edge(o[1], o[3]), jk = edge(o[1], o[2]);
        return triangle(ik, il, jl) && triangle(ik, jl, jk);
    }

    bool triangle(const Vec& a, const Vec& b, const Vec& c) {
        if (result_.triangles.size() >= maxTriangles_) return stop();
        result_.triangles.push_back({narrowed(a), narrowed(b), narrowed(c)});
        return true;
    }

    const ScalarField& field_;
    const double level_;
    const unsigned n_;
    const size_t maxTriangles_;
    Clock::time_point deadline_;
    std::vector<double> axis_[3];  // sample coordinates along x, y, z
    std::vector<double> lower_, upper_;
    MarchResult result_;
};

}  // namespace

MarchResult marchingCubes(const ScalarField& field, double level, const FieldBox& box, unsigned n,
                          double maxMilliseconds, size_t maxTriangles) {
    if (!field || boxIsEmpty(box)) return {};
    return Marcher(field, level, box, n, maxMilliseconds, maxTriangles).run();
}

}  // namespace kx::geometry
