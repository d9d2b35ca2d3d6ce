// The function text of an isosurface, in the ray tracer's function syntax,
// compiled once into a flat postfix program and evaluated many times by the
// proxy mesher. The text comes from scene files anyone may have written, so
// compiling is bounded in length, nesting and size, and never throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kx::geometry {

// The instruction set of a compiled function. Leaves push one value; every
// other op pops its arguments (pushed left to right) and pushes its result.
enum class FunctionOp : uint8_t {
    Constant, X, Y, Z,
    Negate, Add, Subtract, Multiply, Divide, Power,
    Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual, And, Or,
    Sin, Cos, Tan, Asin, Acos, Atan, Atan2, Sinh, Cosh, Tanh,
    Sqrt, Abs, Pow, Exp, Log10, Ln, Floor, Ceil, Mod, Min, Max, Select3, Select4,
    Sphere, Torus, RoundedBox, Superellipsoid,
    Count
};

struct FunctionInstruction {
    FunctionOp op;
    double value;  // the constant of FunctionOp::Constant, otherwise unused
};

// Syntax: numbers (1, .5, 1e-3), the variables x y z (u and v stand for x and
// y), the constant pi; binary + - * / ^ (power, right associative), unary - and
// +, the comparisons < <= > >= = != and the logical & | (all giving 0 or 1;
// any nonzero value counts as true), parentheses; the functions sin cos tan
// asin acos atan atan2 sinh cosh tanh sqrt abs pow exp log (base 10) ln floor
// ceil mod, min and max of two or more values, select(a, b, c) (b where a < 0,
// else c) and select(a, b, c, d) (b where a < 0, c where a = 0, else d).
// Blanks and line breaks may stand anywhere between tokens.
//
// The library functions, each negative inside its shape:
//   f_sphere(x, y, z, r)               |p| - r
//   f_torus(x, y, z, R, r)             a torus about the y axis, radii R and r
//   f_rounded_box(x, y, z, r, a, b, c) the box of half-sizes a, b, c with its
//                                      edges rounded by r (at most the least
//                                      half-size), as a signed distance
//   f_superellipsoid(x, y, z, e, n)    (|x|^(2/e) + |y|^(2/e))^(e/n) + |z|^(2/n) - 1
// f_superellipsoid keeps the axes of the superellipsoid shape: e shapes the
// cross-section in the x/y plane and n the profile along z, so the proxy of a
// function matches the proxy of the shape with the same exponents.
//
// Precedence from loosest to tightest: | then & then the comparisons, then
// + -, then * /, then unary signs, then ^; so -x^2 is -(x^2) and 2^-1 is 0.5.
// Comparisons of one level group from the left: 3 > 2 > 1 is (3 > 2) > 1.
class ImplicitFunction {
public:
    // Longest text compiled; anything longer is refused unread.
    static constexpr size_t kMaxTextLength = 4096;
    // Deepest nesting of parentheses and call arguments.
    static constexpr unsigned kMaxNesting = 64;
    // Most instructions in a compiled program, after constants are folded.
    static constexpr size_t kMaxNodes = 2048;
    // Most values the evaluator holds at once (its stack lives on the C++
    // stack); a text needing more, or more than kMaxNodes, is "too complex".
    static constexpr size_t kMaxStack = 256;
    // What the function gives where its value is not a finite number: far outside.
    static constexpr double kOutside = 1e30;

    // An invalid function (error() says "empty function"); evaluates to kOutside.
    ImplicitFunction();

    // Compiles `text`. Never throws. On failure valid() is false and error()
    // holds one line naming what was not understood: "unknown function NAME",
    // "unbalanced parentheses", "unexpected ','", "function text too long",
    // "function nested too deeply", "function too complex", "empty function",
    // "sin takes 1 argument" and the like.
    static ImplicitFunction compile(std::string_view text);

    bool valid() const { return valid_; }
    // Empty when valid.
    const std::string& error() const { return error_; }

    // The value at (x, y, z); a non-finite result, or any value of an invalid
    // function, comes back as +kOutside, so NaN never reaches the caller.
    // Touches nothing but its own stack: threads may share one function.
    double operator()(double x, double y, double z) const;

    // True when the text calls an f_ function: the export must then include
    // the ray tracer's functions file.
    bool usesLibraryFunctions() const { return usesLibrary_; }

    // Instructions in the compiled program (0 when invalid); tests use it to
    // see that constants were folded.
    size_t programSize() const { return program_.size(); }

private:
    std::vector<FunctionInstruction> program_;
    std::string error_;
    bool valid_ = false;
    bool usesLibrary_ = false;
};

}  // namespace kx::geometry
