// Automatic object names: one counter per type, and names from file paths.
#include <cstring>
#include <string>

#include "kxplatform/c_locale.h"
#include "model/model_internal.h"
#include "model/text.h"

using kx::model::objects;

namespace {

// Longest object name; the record keeps 32 bytes with the terminator.
constexpr size_t kMaxName = 31;
static_assert(sizeof kx::ResultBuffers::nextObjectName == kMaxName + 1);
static_assert(sizeof kx::ResultBuffers::normalizedName == kMaxName + 1);

}  // namespace

unsigned GetNextObjectNo(unsigned type, int reset) {
    auto& counters = objects().counters;
    if (reset) {
        counters.fill(0);
        return 0;
    }
    if (type >= KX_TYPE_COUNT) return 0;
    return counters[type]++;
}

unsigned GetCurrentObjectNo(unsigned type) {
    return type < KX_TYPE_COUNT ? objects().counters[type] : 0;
}

char* GetNextObjectNameEx(const char* base, unsigned type, unsigned* no) {
    char* name = kx::core().results.nextObjectName;
    if (type == 0) {
        GetNextObjectNo(0, 1);
        return nullptr;
    }
    if (type >= KX_TYPE_COUNT) return const_cast<char*>(base);
    unsigned n = GetNextObjectNo(type, 0);
    if (no) *no = n;
    char digits[16];
    int digitCount = kx::platform::snprintfC(digits, sizeof digits, "%u", n);
    // Shorten the base, never the number, so that the name stays unique.
    size_t room = kMaxName - static_cast<size_t>(digitCount);
    size_t baseLen = base ? strnlen(base, room) : 0;
    std::memcpy(name, base ? base : "", baseLen);
    std::memcpy(name + baseLen, digits, static_cast<size_t>(digitCount) + 1);
    return name;
}

char* GetNextObjectName(const char* base, unsigned type) {
    return GetNextObjectNameEx(base, type, nullptr);
}

char* NormalizeObjectName(const char* path) {
    auto& name = kx::core().results.normalizedName;
    // Only the file name counts: folders may be long and may hold dots.
    kx::text::copyField(name, kx::text::lastComponent(path ? path : ""));
    for (size_t i = 1; name[i]; ++i)
        if (name[i] == '.' && name[i - 1] != '.') {
            name[i] = '\0';
            break;
        }
    return name;
}

void RegisterObjectSelector(HWND tree) { objects().selectorTree = tree; }
void RegisterLastObjectSelector(HTREEITEM parent) { objects().selectorParent = parent; }
