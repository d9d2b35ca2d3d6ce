// Numbers written and read without printf and strtod must give exactly what
// printf and strtod give in the C locale: every file the program writes is
// pinned byte for byte, and every scene must read back to the same values.
// The comparisons run over millions of values from every binary exponent,
// the decimal borders where "%g" changes notation or rounds up a digit, exact
// rounding ties, subnormals, zeros of both signs, infinities and NaN.
#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "kxplatform/c_locale.h"

namespace {

// The sanitizers slow printf down several times; there the sample is smaller.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kScale = 8;
#else
constexpr int kScale = 1;
#endif

std::string printfText(const char* fmt, double v) {
    char text[512];
    int n = std::snprintf(text, sizeof text, fmt, v);
    return std::string(text, static_cast<size_t>(n));
}

// The values "%g" is hardest on.
std::vector<double> gSample() {
    std::vector<double> values;
    std::mt19937_64 random(20261209);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double v : {0.0, -0.0, inf, -inf, nan, -nan, DBL_MIN, DBL_MAX, DBL_TRUE_MIN, DBL_MIN - DBL_TRUE_MIN,
                     1e-05, 9.99999e-06, 9.999995e-06, 1e+06, 999999.0, 999999.4, 999999.5, 999999.6, 0.0001,
                     123456.5, 0.5, 1.0, 100000.0})
        values.push_back(v);
    // Every binary exponent, subnormals included, with random mantissas.
    for (int e = -1074; e <= 1023; ++e)
        for (int k = 0; k < 400 / kScale; ++k)
            values.push_back(std::ldexp(static_cast<double>(random() >> 11) / 9007199254740992.0 + 0.5, e + 1));
    // Around each power of ten and each place where six digits round up to it.
    for (int k = -323; k <= 308; ++k) {
        for (double base : {1.0, 9.999995, 9.99999, 5.0000005}) {
            // strtod, not stod: subnormal centres are wanted, not an exception.
            double centre = std::strtod((std::to_string(base) + "e" + std::to_string(k)).c_str(), nullptr);
            double below = centre, above = centre;
            for (int step = 0; step < 16; ++step) {
                values.push_back(below);
                values.push_back(above);
                below = std::nextafter(below, 0.0);
                above = std::nextafter(above, inf);
            }
        }
    }
    // Whole numbers of seven digits ending in 5: exact ties at six digits.
    for (int k = 0; k < 200000 / kScale; ++k) values.push_back(static_cast<double>(1000000 + (random() % 900000) * 10 + 5));
    // Floats as the scene holds them, from random bit patterns.
    for (int k = 0; k < 1000000 / kScale; ++k) {
        uint32_t bits = static_cast<uint32_t>(random());
        float f;
        std::memcpy(&f, &bits, sizeof f);
        values.push_back(static_cast<double>(f));
    }
    // Any double at all.
    for (int k = 0; k < 800000 / kScale; ++k) {
        uint64_t bits = random();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        values.push_back(d);
    }
    return values;
}

TEST(CLocaleNumbersTest, WriteGMatchesPrintfG) {
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    const std::vector<double> values = gSample();
    ASSERT_GT(values.size(), 2000000u / kScale);
    size_t mismatches = 0;
    for (double v : values) {
        char text[kx::platform::kGTextMax];
        std::string ours(text, static_cast<size_t>(kx::platform::writeG(text, v) - text));
        std::string theirs = printfText("%g", v);
        if (ours != theirs && ++mismatches <= 10) ADD_FAILURE() << printfText("%a", v) << ": " << ours << " != " << theirs;
    }
    EXPECT_EQ(mismatches, 0u);
}

// "%7.4f" and "%0.4f" of the facet formats, through the formatter.
TEST(CLocaleNumbersTest, FixedFormatsMatchPrintf) {
    std::mt19937_64 random(7);
    std::vector<double> values = {0.0, -0.0, 0.00005, -0.00005, 0.00015, 0.03125, 0.09375, 1e300, -1e300, 1e-300,
                                  std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
    // Multiples of 1/32 and 1/64 are exact ties at four decimals.
    for (int k = -4000; k <= 4000; ++k) values.push_back(k / 64.0);
    for (int k = 0; k < 300000 / kScale; ++k) {
        uint32_t bits = static_cast<uint32_t>(random());
        float f;
        std::memcpy(&f, &bits, sizeof f);
        values.push_back(static_cast<double>(f));
    }
    size_t mismatches = 0;
    for (const char* fmt : {"%7.4f", "%0.4f", "%f"}) {
        // "%7.4f" carries the meshes: every value; the others a third of them.
        const size_t stride = std::strcmp(fmt, "%7.4f") == 0 ? 1 : 3;
        for (size_t k = 0; k < values.size(); k += stride) {
            const double v = values[k];
            char text[512];
            int n = kx::platform::snprintfC(text, sizeof text, fmt, v);
            std::string theirs = printfText(fmt, v);
            if (std::string(text, static_cast<size_t>(n)) != theirs && ++mismatches <= 10)
                ADD_FAILURE() << fmt << " of " << printfText("%a", v) << ": " << text << " != " << theirs;
        }
    }
    EXPECT_EQ(mismatches, 0u);
}

// Whole formats, taken by the fast path or handed to printf, and cut short.
TEST(CLocaleNumbersTest, FormatsMatchPrintfWholeAndCut) {
    struct Case {
        const char* name;
        std::string (*ours)(size_t size, int& n);
        std::string (*theirs)(size_t size, int& n);
    };
#define KX_FORMAT_CASE(...)                                                                         \
    {#__VA_ARGS__,                                                                                  \
     [](size_t size, int& n) {                                                                      \
         std::vector<char> b(size + 1, '#');                                                        \
         n = kx::platform::snprintfC(b.data(), size, __VA_ARGS__);                                  \
         return std::string(b.data(), size);                                                        \
     },                                                                                             \
     [](size_t size, int& n) {                                                                      \
         std::vector<char> b(size + 1, '#');                                                        \
         n = std::snprintf(b.data(), size, __VA_ARGS__);                                            \
         return std::string(b.data(), size);                                                        \
     }}
    const Case cases[] = {
        KX_FORMAT_CASE("%g %g %g \r\n", 1.5, -0.25, 1e-7),
        KX_FORMAT_CASE("\tZoom %g %d\n", 16.5, -3),
        KX_FORMAT_CASE("%s %g%%", "name", 2.0),
        KX_FORMAT_CASE("%u %lu %ld %i", 4000000000u, 18000000000000000000ul, -9000000000000000000l, 7),
        KX_FORMAT_CASE("1%d\n%0.4f\n2%d\n%0.4f\n", 0, 0.12345, 1, -7.00005),
        KX_FORMAT_CASE("< %7.4f, %7.4f, %7.4f > ", 1234567.0, -0.5, 12.25),
        KX_FORMAT_CASE("%#g %5d %-4s|%x %c %e %.3g", 1.0, 42, "ab", 255u, 'q', 3.5, 2.0 / 3),
        KX_FORMAT_CASE("%07.2f %+g % g", 3.14159, 2.0, 3.0),
        KX_FORMAT_CASE("no conversion at all"),
        KX_FORMAT_CASE("%12.17f|%.0f|%3f", 0.1, 2.5, 1e22),
    };
#undef KX_FORMAT_CASE
    for (const Case& c : cases) {
        for (size_t size : {size_t{0}, size_t{1}, size_t{6}, size_t{300}}) {
            SCOPED_TRACE(std::string(c.name) + " into " + std::to_string(size));
            int ourLength = -2, theirLength = -3;
            std::string ours = c.ours(size, ourLength);
            std::string theirs = c.theirs(size, theirLength);
            EXPECT_EQ(ours, theirs);
            EXPECT_EQ(ourLength, theirLength);
        }
        SCOPED_TRACE(c.name);
        int n = 0;
        std::string whole = c.ours(300, n).substr(0, static_cast<size_t>(n));
        EXPECT_EQ(kx::platform::formatC("%s", whole.c_str()), whole);
    }
}

// strtodC against strtod: the same value (bit for bit) and the same end.
TEST(CLocaleNumbersTest, ReadingMatchesStrtod) {
    std::vector<std::string> texts = {
        "0", "-0", "1", "-1.5", ".5", "-.5", "5.", "1e5", "1E-5", "1e", "1e+", "1e-x", "00012.50", "1,5", "1.5abc",
        "+2", " 3", "\t-4", "0x1p3", "-0x10", "0X1A", "inf", "-inf", "infinity", "nan", "-nan", "nan(12)", "1e400",
        "-1e400", "1e-400", "-1e-330", "4.9e-324", "2.4703282292062327e-324", "2.2250738585072011e-308",
        "1.7976931348623157e308", "1.7976931348623159e308", "", "-", ".", "-.", "abc", "..5", "--5", "0.1e-2f",
        "9007199254740993", "123456789012345678901234567890", "0.000000000000000000000000000001"};
    std::mt19937_64 random(99);
    for (int k = 0; k < 20000; ++k) {
        uint64_t bits = random();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        texts.push_back(printfText(k % 2 ? "%.17g" : "%.9g", d));
    }
    for (const std::string& t : texts) {
        SCOPED_TRACE(t);
        char* ourEnd = nullptr;
        char* theirEnd = nullptr;
        double ours = kx::platform::strtodC(t.c_str(), &ourEnd);
        double theirs = std::strtod(t.c_str(), &theirEnd);
        EXPECT_EQ(ourEnd - t.c_str(), theirEnd - t.c_str());
        EXPECT_EQ(std::memcmp(&ours, &theirs, sizeof ours), 0) << ours << " vs " << theirs;
    }
}

}  // namespace
