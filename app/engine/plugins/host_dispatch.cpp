// HostDispatch: decodes a plug-in's arguments by the kinds of the one host
// function table and calls the typed host function.
#include "plugins/host_dispatch.h"

#include "model/scene_model.h"

#include <strings.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <tuple>
#include <type_traits>
#include <utility>

#include "kxcore.h"
#include "kxplugin_functions.h"
#include "plugins/host_args.h"
#include "plugins/host_functions.h"
#include "plugins/host_state.h"

namespace kx::plugins {
namespace {

enum class Kind { S, O, I, W, D, P, Q };
constexpr Kind S = Kind::S, O = Kind::O, I = Kind::I, W = Kind::W, D = Kind::D, P = Kind::P,
               Q = Kind::Q;

template <Kind K> struct ArgType;
template <> struct ArgType<Kind::S> { using type = const char*; };
template <> struct ArgType<Kind::O> { using type = char*; };
template <> struct ArgType<Kind::I> { using type = int; };
template <> struct ArgType<Kind::W> { using type = int; };
template <> struct ArgType<Kind::D> { using type = double; };
template <> struct ArgType<Kind::P> { using type = void*; };
template <> struct ArgType<Kind::Q> { using type = float*; };

template <Kind K>
typename ArgType<K>::type read(HostArgs& a, int k) {
    if constexpr (K == Kind::S) return a.text(k);
    else if constexpr (K == Kind::O) return a.outText(k);
    else if constexpr (K == Kind::I || K == Kind::W) return a.integer(k);
    else if constexpr (K == Kind::D) return a.number(k);
    else if constexpr (K == Kind::P) return a.pointer(k);
    else return a.point(k);
}

using Invoker = int (*)(HostArgs&);

template <auto Fn, Kind... K, size_t... N>
int invokeAt(HostArgs& a, std::index_sequence<N...>) {
    return Fn(read<K>(a, static_cast<int>(N))...);
}

// Checks at compile time that each typed function takes exactly its kinds.
template <auto Fn, Kind... K>
int invoke(HostArgs& a) {
    static_assert(std::is_same_v<decltype(Fn), int (*)(typename ArgType<K>::type...)>,
                  "host function parameters differ from the table's kinds");
    return invokeAt<Fn, K...>(a, std::make_index_sequence<sizeof...(K)>{});
}

struct HostFunction {
    int ordinal;
    const char* name;
    Invoker invoker;
};

#define KX_LEAD_COMMA(...) __VA_OPT__(, ) __VA_ARGS__
#define KX_HOST_ROW(ord, exportName, hostName, kinds, params, args) \
    HostFunction{ord, #hostName, &invoke<&host::hostName KX_LEAD_COMMA kinds>},
const std::array<HostFunction, KXPLUGIN_HOST_FUNCTION_COUNT> kFunctions = {
    KXPLUGIN_HOST_FUNCTIONS(KX_HOST_ROW)};
#undef KX_HOST_ROW

// Sorted by name once, then searched by halving.
const std::array<const HostFunction*, KXPLUGIN_HOST_FUNCTION_COUNT>& byName() {
    static const auto sorted = [] {
        std::array<const HostFunction*, KXPLUGIN_HOST_FUNCTION_COUNT> s{};
        for (size_t i = 0; i < s.size(); ++i) s[i] = &kFunctions[i];
        std::sort(s.begin(), s.end(), [](const HostFunction* a, const HostFunction* b) {
            return strcasecmp(a->name, b->name) < 0;
        });
        return s;
    }();
    return sorted;
}

const HostFunction* find(const char* name) {
    const auto& s = byName();
    auto it = std::lower_bound(s.begin(), s.end(), name, [](const HostFunction* f, const char* n) {
        return strcasecmp(f->name, n) < 0;
    });
    return it != s.end() && strcasecmp((*it)->name, name) == 0 ? *it : nullptr;
}

// What a SCREEN item may call while it paints a view: functions that only
// read the scene (and its own files). The others would change what is being
// drawn, or ask for another paint from inside this one.
constexpr int kReadersWhilePainting[] = {1,  2,  7,  8,  9,  10, 12, 13, 18, 19, 20, 22, 23, 27, 28, 33,
                                         36, 48, 49, 50, 53, 54, 56, 60, 61, 64, 65, 66, 68};

bool allowedWhilePainting(int ordinal) {
    return std::find(std::begin(kReadersWhilePainting), std::end(kReadersWhilePainting), ordinal) !=
           std::end(kReadersWhilePainting);
}

int unknown(const char* shown) {
    ::ErrorMessage("Error unknown plug-in function: %s", shown);
    return 0;
}

}  // namespace

int hostFunctionOrdinal(const char* name) {
    if (name == nullptr) return 0;
    const HostFunction* f = find(name);
    return f ? f->ordinal : 0;
}

const char* hostFunctionName(int ordinal) {
    if (ordinal < 1 || ordinal > KXPLUGIN_HOST_FUNCTION_COUNT) return nullptr;
    return kFunctions[static_cast<size_t>(ordinal - 1)].name;
}

extern "C" int HostDispatch(const char* function, int argc, KxVar* args) noexcept {
    try {
        if (function == nullptr) return unknown("(null)");
        const HostFunction* f = nullptr;
        if (function[0] == '\0') {
            const int ordinal = static_cast<unsigned char>(function[1]);
            if (ordinal < 1 || ordinal > KXPLUGIN_HOST_FUNCTION_COUNT) {
                char shown[16];
                std::snprintf(shown, sizeof shown, "#%d", ordinal);
                return unknown(shown);
            }
            f = &kFunctions[static_cast<size_t>(ordinal - 1)];
        } else {
            // A name longer than any host function's is unknown; never read on without end.
            const size_t n = strnlen(function, 64);
            if (n == 64) return unknown("(too long)");
            f = find(function);
            if (f == nullptr) return unknown(function);
        }
        if (hostState().painting && !allowedWhilePainting(f->ordinal)) {
            LogMessage(1, "%s: not allowed while a view is painted\n", f->name);
            return 0;
        }
        HostArgs decoded(argc, args);
        // A plug-in may change anything in the scene: each call is a change
        // of the model, one with the run around it when there is one.
        kx::app::SceneModel::Transaction change;
        return f->invoker(decoded);
    } catch (...) {
        return 0;
    }
}

}  // namespace kx::plugins
