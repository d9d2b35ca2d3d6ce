// Numbers in text, for every reader of the core: scene files, point blocks,
// the animation file, the texture files and the mesh importers all convert
// through these, in the C locale whatever the process's locale, so that a
// number means the same thing in every format. Readers differ only in what
// they allow around a number (junk behind it, a word's end), which each
// function here names.
#pragma once

#include <string_view>

namespace kx::numbers {

// The number a text begins with, as the C library reads one in the C locale
// (blanks before it, a sign, decimals, an exponent, hexadecimal, "inf",
// "nan"); 0 when none begins there. end, when given, is set to where the
// number stopped (text itself when there was none). Null reads as 0.
double leading(const char* text, const char** end = nullptr);

// The number a text begins with when it is finite, else 0.
double leadingFinite(const char* text);

// The whole of [first, last) as a plain decimal number within single
// precision, for a reader's quick path: false sends the text to the general
// reading, which gives the same value for what this takes.
bool plain(const char* first, const char* last, double& value);

// The whole text as a number (a "+" allowed before it); false for anything
// after the number and for values that are not finite. Values beyond single
// precision are kept at its largest magnitude, values too small for a double
// become 0: a scene stores single precision.
bool whole(std::string_view text, double& value);

// A number that begins at first and is ended by a blank or by last, as a
// line of words holds it (a "+" allowed); where it ended, or null when the
// text there is no such number (the caller then reads the word by `whole`).
const char* beforeBlank(const char* first, const char* last, double& value);

// How a whole number may be written and what a too large one gives.
struct IntegerForm {
    bool hexadecimal = false;  // "0x" digits after the sign
    // A value beyond 2^40 in magnitude stops growing instead of failing:
    // nothing read in this form needs more than 32 bits.
    bool saturating = false;
};

// The whole text as a whole number with an optional "+" or "-"; false for
// anything else, and for a value beyond the long long range unless
// saturating.
bool integer(std::string_view text, long long& value, IntegerForm form = {});

// The decimal whole number a text begins with (a "+" or "-" allowed),
// saturated at the long long range; false when no digit begins there.
bool leadingInteger(const char* text, long long& value);

}  // namespace kx::numbers
