// Isosurface function texts from scene files: the compiler over arbitrary
// bytes, the compiled program at a few points, and a small mesh of it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "geometry/implicit_function.h"
#include "geometry/marching_cubes.h"

using kx::geometry::ImplicitFunction;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ImplicitFunction f = ImplicitFunction::compile(text);
    // A refusal is one line; an acceptance has no message.
    if (f.valid() != f.error().empty() || f.error().find('\n') != std::string::npos) std::abort();
    constexpr double kPoints[][3] = {{0, 0, 0}, {1, -1, 0.5}, {-2.5, 1e-9, 3}, {1e6, -1e6, 0}};
    for (const auto& p : kPoints)
        if (std::isnan(f(p[0], p[1], p[2]))) std::abort();
    if (!f.valid()) return 0;
    const kx::geometry::FieldBox box{{-2, -2, -2}, {2, 2, 2}};
    const auto mesh = kx::geometry::marchingCubes([&f](double x, double y, double z) { return f(x, y, z); }, 0,
                                                  box, 8, 20);
    for (const auto& t : mesh.triangles)
        for (const Point3d& p : t)
            if (!(std::fabs(p.x) <= 2 && std::fabs(p.y) <= 2 && std::fabs(p.z) <= 2)) std::abort();
    return 0;
}
