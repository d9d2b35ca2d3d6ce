// The lighting model's constants, shared by the exact and the batched lighting.
#pragma once

#include <cmath>

namespace kxr {

inline constexpr double kAmbient = 0.2;
inline constexpr double kDiffuse = 0.8;
inline constexpr double kSpecular = 0.35;
// The highlight's sharpness: the cosine to the 24th power, by squaring.
template <typename T>
inline T highlight(T c) {
    const T c3 = c * c * c, c6 = c3 * c3, c12 = c6 * c6;
    return c12 * c12;
}
// A spot light is full inside the first angle and dark beyond the second.
inline const double kSpotInner = std::cos(30.0 * M_PI / 180.0);
inline const double kSpotOuter = std::cos(45.0 * M_PI / 180.0);

}  // namespace kxr
