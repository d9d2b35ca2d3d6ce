// Values a plug-in builds and returns, and its local property table.
#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "plugkit.h"
#include "plugkit_state.h"

namespace {

KxVar makeVar(uint32_t type) {
    KxVar v{};
    v.size = KXVAR_SIZE;
    v.type = type;
    return v;
}

// A property name fills at most 36 bytes and need not be terminated.
std::string propertyName(const PluginProperty& p) {
    return std::string(p.name, strnlen(p.name, PLUGIN_PROPERTY_NAME));
}

bool sameName(const PluginProperty& a, const PluginProperty& b) {
    return strncasecmp(a.name, b.name, PLUGIN_PROPERTY_NAME) == 0;
}

// The decimal number a request's name holds, 0 when it holds none.
long positionAsked(const PluginProperty& req) {
    const std::string name = propertyName(req);
    return std::strtol(name.c_str(), nullptr, 10);
}

}  // namespace

extern "C" {

int piInitVar(KxVar* v, int type) noexcept {
    if (v == nullptr) return 0;
    *v = makeVar(static_cast<uint32_t>(type));
    return type;
}

KxVar* piReturnKxVarDbl(double d) noexcept {
    KxVar& v = kx::plugkit::state().results.doubleValue;
    v = makeVar(KXVAR_DOUBLE);
    v.value.d = d;
    return &v;
}

KxVar* piReturnKxVarInt(int i) noexcept {
    KxVar& v = kx::plugkit::state().results.intValue;
    v = makeVar(KXVAR_INT);
    v.value.i = i;
    return &v;
}

KxVar* piReturnKxVarStr(const char* s) noexcept {
    KxVar& v = kx::plugkit::state().results.textValue;
    v = makeVar(KXVAR_STRING);
    if (s != nullptr) std::memcpy(v.value.s, s, strnlen(s, 31));
    return &v;
}

KxVar* piReturnKxVarPnt(const float p[3]) noexcept {
    KxVar& v = kx::plugkit::state().results.pointValue;
    v = makeVar(KXVAR_POINT);
    if (p != nullptr) std::memcpy(v.value.p, p, sizeof v.value.p);
    return &v;
}

KxVar* piReturnKxVarPtr(void* p) noexcept {
    KxVar& v = kx::plugkit::state().results.pointerValue;
    v = makeVar(KXVAR_POINTER);
    v.value.ptr = p;
    return &v;
}

int piGetLocalPluginProperty(PluginProperty* req, PluginProperty* table) noexcept {
    if (req == nullptr || table == nullptr) return 0;
    if (req->value.size != KXVAR_SIZE) return 0;
    const long n = positionAsked(*req);
    if (n != 0) {
        // Entry 0 is never reached by position: positions start at 1.
        for (long i = 0; table[i].size != 0; ++i) {
            if (i == n) {
                const std::string name = propertyName(table[i]);
                req->value = makeVar(KXVAR_STRING);
                std::memcpy(req->value.value.s, name.data(), name.size());
                return 1;
            }
        }
        return 0;
    }
    for (PluginProperty* p = table; p->size != 0; ++p) {
        if (sameName(*p, *req)) {
            req->value = p->value;
            return 1;
        }
    }
    return 0;
}

int piSetLocalPluginProperty(PluginProperty* req, PluginProperty* table) noexcept {
    if (req == nullptr || table == nullptr) return 0;
    if (req->value.size != KXVAR_SIZE) return 0;
    for (PluginProperty* p = table; p->size != 0; ++p) {
        if (sameName(*p, *req)) {
            p->value = req->value;
            return 1;
        }
    }
    return 0;
}

void plkTracePrintf(const char*, ...) noexcept {}

// One function under two names.
void plkTracePrintfF(const char* fmt, ...) noexcept __attribute__((alias("plkTracePrintf")));

}  // extern "C"
