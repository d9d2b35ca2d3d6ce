#include "files/tokens.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "core_state.h"
#include "files/numbers.h"
#include "kx/core.h"
#include "model/text.h"

namespace kx::tokens {

double number(const char* token) { return kx::numbers::leading(token); }

int32_t clampInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value <= static_cast<double>(INT32_MIN)) return INT32_MIN;
    if (value >= static_cast<double>(INT32_MAX)) return INT32_MAX;
    return static_cast<int32_t>(value);
}

int64_t clampWord(double value) {
    if (std::isnan(value)) return 0;
    if (value <= static_cast<double>(INT32_MIN)) return INT32_MIN;
    if (value >= static_cast<double>(UINT32_MAX)) return UINT32_MAX;
    return static_cast<int64_t>(value);
}

bool isKeyword(const char* token, const char* word) { return token && kx::text::equalNoCase(token, word); }

int reportEndOfFile() {
    ++kx::core().files.endsInsideRecord;
    ErrorMessage("Error unexpected end of file");
    return 0;
}

unsigned endsInsideRecord() { return kx::core().files.endsInsideRecord; }

bool finiteNumber(const char* token, double& value) {
    value = number(token);
    // Scenes hold single-precision coordinates: a larger number would become
    // an infinity the moment it is stored.
    if (std::isfinite(value) && std::fabs(value) <= FLT_MAX) return true;
    LogMessage(1, "Not a finite number: %.64s", token);
    ErrorMessage("Error reading file");
    return false;
}

bool skipRecordToEnd(StandardFile* f) {
    for (const char* token = StdGetNextArg(f); token; token = StdGetNextArg(f))
        if (isKeyword(token, "end")) return true;
    return false;
}

}  // namespace kx::tokens
