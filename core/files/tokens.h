// What every text reader of the core needs from a token: its number in the C
// locale, whole numbers saturated to 32 bits, keywords without regard to case,
// and the one way a reader reports a file that ended or holds a number that is
// no number. Scene readers, point blocks and the texture database share these,
// so a token means the same thing in every format.
#pragma once

#include <cstdint>

#include "kx/stdfile.h"

namespace kx::tokens {

// The token's value in the C locale; null or junk gives 0.
double number(const char* token);

// A number as a 32-bit signed whole number: saturated at both ends, NaN 0.
// Converting an out-of-range double straight to an integer is undefined.
int32_t clampInt32(double value);
// The same, but the unsigned range kept whole (flags and colours are written
// as unsigned 32-bit values): saturated to [INT32_MIN, UINT32_MAX], NaN 0.
int64_t clampWord(double value);

// Case-insensitive keyword match; false for null.
bool isKeyword(const char* token, const char* word);

// "Error unexpected end of file"; returns 0 so a reader can `return` it.
// Counted, so that a reader learns when a piece it handed on met the end.
int reportEndOfFile();
unsigned endsInsideRecord();

// The token's value when it is a finite number within the range of a float.
// "nan", "inf" and 1e308 (an infinity once stored) in a scene would blank
// the views and break every export: they are refused with
// "Error reading file", the token itself going to the log. Null counts as a
// missing value and reads as 0, as a missing coordinate always has.
bool finiteNumber(const char* token, double& value);

// Reads over the words of a record up to and including "end" (any case);
// false when the file ended first. Every reader uses it after a record it
// could not take, so that the record's words are never read as something else.
bool skipRecordToEnd(StandardFile* f);

}  // namespace kx::tokens
