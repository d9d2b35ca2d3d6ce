// Single-precision points and the fixed pseudo-random cycle.
#include <array>
#include <cmath>
#include <cstdint>

#include "core_state.h"
#include "kxcore.h"
#include "model/point_compare.h"

namespace {

// 500 fixed values in [0,1). The first four are the sequence's published start;
// the rest come from a 64-bit linear congruential generator, computed at compile
// time so that every build and every run gives the same cycle.
constexpr std::array<double, 500> makeRandomTable() {
    std::array<double, 500> table{};
    table[0] = 0.66039455;
    table[1] = 0.55883259;
    table[2] = 0.43100151;
    table[3] = 0.45234853;
    uint64_t state = 0x2545F4914F6CDD1DULL;
    for (size_t i = 4; i < table.size(); ++i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        table[i] = static_cast<double>(state >> 11) * (1.0 / 9007199254740992.0);
    }
    return table;
}

constexpr std::array<double, 500> kRandomTable = makeRandomTable();

}  // namespace

Point3d MakePoint(double x, double y, double z) {
    return Point3d{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

Point3d* MakePointLP(double x, double y, double z) {
    Point3d& point = kx::core().results.point;
    point = MakePoint(x, y, z);
    return &point;
}

void Point2Double(Point3d* p, double* x, double* y, double* z) {
    if (!p) return;
    if (x) *x = p->x;
    if (y) *y = p->y;
    if (z) *z = p->z;
}

void CopyPoint(const Point3d* src, Point3d* dst) {
    if (src && dst) *dst = *src;
}

void ZeroPoint(Point3d* p) {
    if (p) *p = Point3d{0, 0, 0};
}

int IsZero(Point3d* p) { return (p && kx::model::isZero(*p)) ? 1 : 0; }

double PointDistance(Point3d* a, Point3d* b) {
    if (!a || !b) return 0.0;
    double dx = static_cast<double>(a->x) - b->x;
    double dy = static_cast<double>(a->y) - b->y;
    double dz = static_cast<double>(a->z) - b->z;
    double sum = dx * dx + dy * dy + dz * dz;
    return sum > 0.0 ? std::sqrt(sum) : 0.0;
}

double rnd() {
    size_t& position = kx::core().results.randomPosition;
    position = (position + 1) % kRandomTable.size();
    return kRandomTable[position];
}
