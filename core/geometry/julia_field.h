// The scalar field of a quaternion julia fractal, for its proxy mesh.
#pragma once

namespace kx::geometry {

// Fewest and most iterations of z -> z^2 + c.
inline constexpr unsigned kMinJuliaIterations = 1;
inline constexpr unsigned kMaxJuliaIterations = 100;

// The 4D constant c = c[0] + c[1] i + c[2] j + c[3] k; the iteration count
// (clamped to kMinJuliaIterations..kMaxJuliaIterations); and the 3D slice:
// the hyperplane of points q with q . slice == sliceDistance, for a slice
// normal of any nonzero length (a zero or non-finite normal means <0,0,0,1>).
struct JuliaParameters {
    double c[4];
    unsigned iterations;
    double slice[4];
    double sliceDistance;
};

// The parameters with the slice worked out, for fields sampled many times.
// The point (x, y, z) of the slice is the quaternion
// x * axes[0] + y * axes[1] + z * axes[2] + offset.
struct PreparedJulia {
    double c[4];
    unsigned iterations;
    double axes[3][4];  // unit vectors orthogonal to the normal and to each other
    double offset[4];   // the normal's unit vector times sliceDistance
};

// The axes of the slice come from the unit quaternion axes other than the
// one nearest the normal, made orthogonal in order; so for the default
// normal <0,0,0,1> the point (x, y, z) is the quaternion (x, y, z, distance).
PreparedJulia prepareJulia(const JuliaParameters& j);

// Negative inside the julia set, positive outside, never NaN and within
// +-1e30. A point is inside when |z|^2 stays at most 4 through every
// iteration. The value is an estimate of the distance to the surface
// |z_N| = 2 (N the iteration count) from the last iterate z_k and the
// growth of its derivative, (ln|z_k| - ln 2) * |z_k| / |z_k'|: the same
// formula holds on both sides of that surface, so the field is continuous
// across it and grows about as fast as distance, and a mesher's linear
// interpolation lands near the true crossing. Points that escape early get
// their own (positive) estimate; the field jumps only between positive values.
double juliaField(const PreparedJulia& j, double x, double y, double z);

// juliaField(prepareJulia(j), x, y, z).
double juliaField(const JuliaParameters& j, double x, double y, double z);

}  // namespace kx::geometry
