// Whole numbers in each form the readers write them, and where a number
// that leads a text stops.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "files/numbers.h"

namespace kxtest {
namespace {

using kx::numbers::IntegerForm;

TEST(NumbersTest, WholeNumbersInEachForm) {
    constexpr IntegerForm kStrict{}, kDatabase{.hexadecimal = true, .saturating = true};
    struct Row {
        const char* text;
        IntegerForm form;
        std::optional<long long> value;  // empty: refused
    };
    const Row rows[] = {
        {"42", kStrict, 42},
        {"+42", kStrict, 42},
        {"-42", kStrict, -42},
        {"+-5", kStrict, std::nullopt},
        {"", kStrict, std::nullopt},
        {"-", kStrict, std::nullopt},
        {"4 2", kStrict, std::nullopt},
        {"0x10", kStrict, std::nullopt},
        {"0x10", kDatabase, 16},
        {"-0XfF", kDatabase, -255},
        {"0x", kDatabase, std::nullopt},
        {"9223372036854775807", kStrict, LLONG_MAX},
        {"-9223372036854775808", kStrict, LLONG_MIN},
        {"9223372036854775808", kStrict, std::nullopt},
        {"123456789012345678901234", kStrict, std::nullopt},
        // Saturation stops growing once past 2^40: the digit it had reached stays.
        {"1099511627775", kDatabase, 1099511627775},
        {"10995116277760", kDatabase, 10995116277760},
        {"109951162777600", kDatabase, 10995116277760},
        {"-123456789012345678901234", kDatabase, -1234567890123},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        long long v = -7;
        ASSERT_EQ(kx::numbers::integer(r.text, v, r.form), r.value.has_value());
        if (r.value) {
            EXPECT_EQ(v, *r.value);
        }
    }
}

TEST(NumbersTest, LeadingNumbersStopWhereTheNumberEnds) {
    struct Row {
        const char* text;
        std::optional<long long> integer;  // empty: no digit leads
        double real;
        size_t realLength;
    };
    const Row rows[] = {
        {"12abc", 12, 12, 2},
        {"+7", 7, 7, 2},
        {" -3 ", -3, -3, 3},
        {"99999999999999999999", LLONG_MAX, 1e20, 20},
        {"-99999999999999999999", LLONG_MIN, -1e20, 21},
        {"0x1p3", 0, 8, 5},
        {"2.5e1x", 2, 25, 5},
        {"abc", std::nullopt, 0, 0},
        {"", std::nullopt, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        long long v = -7;
        ASSERT_EQ(kx::numbers::leadingInteger(r.text, v), r.integer.has_value());
        if (r.integer) {
            EXPECT_EQ(v, *r.integer);
        }
        const char* end = nullptr;
        EXPECT_EQ(kx::numbers::leading(r.text, &end), r.real);
        EXPECT_EQ(static_cast<size_t>(end - r.text), r.realLength);
    }
    EXPECT_EQ(kx::numbers::leading(nullptr), 0.0);
    EXPECT_EQ(kx::numbers::leadingFinite("1e999"), 0.0);
}

}  // namespace
}  // namespace kxtest
