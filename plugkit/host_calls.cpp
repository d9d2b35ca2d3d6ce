// The host-call exports and the ordinal table, both generated from the one
// table of host functions, and the initialisation that resolves the table.
#include "host_calls.h"

#include <array>
#include <cstring>
#include <type_traits>
#include <utility>

#include "plugkit.h"
#include "plugkit_state.h"

namespace kx::plugkit {
namespace {

constexpr int kCount = KXPLUGIN_HOST_FUNCTION_COUNT;

// The host's name of each call, in table order.
constexpr std::array<const char*, kCount> kHostNames = {
#define PLUGKIT_NAME_ROW(ord, exportName, hostName, kinds, params, args) #hostName,
    KXPLUGIN_HOST_FUNCTIONS(PLUGKIT_NAME_ROW)
#undef PLUGKIT_NAME_ROW
};

int askOrdinal(const char* name) noexcept {
    const HostDispatchFunc dispatch = state().host.dispatch;
    if (dispatch == nullptr) return 0;
    std::array<KxVar, KXVAR_ARGS> args{};
    packText(args[0], name);
    return dispatch("GetFunctionOrdinal", 1, args.data());
}

template <Kind... K, typename... A, size_t... N>
int hostCallAt(int index, std::index_sequence<N...>, A... a) noexcept {
    std::array<KxVar, KXVAR_ARGS> args{};
    [[maybe_unused]] constexpr Kind kinds[] = {K..., Kind::I};
    (pack(args[N], kinds[N], a), ...);
    const int result = dispatchByIndex(index, static_cast<int>(sizeof...(A)), args.data());
    // Texts the host wrote go back to the caller's buffer.
    (
        [&] {
            if constexpr (std::is_same_v<A, char*>) {
                if (kinds[N] == Kind::O) copyBack(args[N], a);
            }
        }(),
        ...);
    return result;
}

template <int Ordinal, Kind... K, typename... A>
int hostCall(A... a) noexcept {
    static_assert(sizeof...(K) == sizeof...(A), "one kind per parameter");
    if constexpr (Ordinal == 12) {
        // The one call made by name: it is what resolves the ordinals.
        return askOrdinal(a...);
    } else {
        return hostCallAt<K...>(Ordinal - 1, std::index_sequence_for<A...>{}, a...);
    }
}

}  // namespace

int dispatchByIndex(int index, int argc, KxVar* args) noexcept {
    const HostLink& host = state().host;
    if (host.dispatch == nullptr || index < 0 || index >= kCount) return 0;
    // The short id: a zero byte, the ordinal's low byte, a zero byte.
    const char id[3] = {0, static_cast<char>(host.ordinals[static_cast<size_t>(index)] & 0xff), 0};
    return host.dispatch(id, argc, args);
}

}  // namespace kx::plugkit

using namespace kx::plugkit;

extern "C" {

int piLibInit(int reason, PluginHostBlock* block, PluginFunctionEntry* table, int count) noexcept {
    if (reason != 5 || block == nullptr) return 0;
    block->table = table;
    block->count = count < 0 ? 0u : static_cast<uint32_t>(count);
    block->reserved = nullptr;
    HostLink& host = state().host;
    host.dispatch = block->dispatch;
    for (size_t i = 0; i < kHostNames.size(); ++i) host.ordinals[i] = askOrdinal(kHostNames[i]);
    return 1;
}

int piLibFuncInit(int reason, int, PluginCallRecord* rec, int allow) noexcept {
    if (rec == nullptr || rec->size != PLUGIN_RECORD_SIZE) return 0;
    return (allow != 0 || reason == 1) ? 1 : 0;
}

int piLibDefault(void) noexcept { return 0; }

#define PLUGKIT_LEAD_COMMA(...) __VA_OPT__(, ) __VA_ARGS__
#define PLUGKIT_DEFINE_HOST_CALL(ord, exportName, hostName, kinds, params, args) \
    int exportName params noexcept { return hostCall<ord PLUGKIT_LEAD_COMMA kinds> args; }
KXPLUGIN_HOST_FUNCTIONS(PLUGKIT_DEFINE_HOST_CALL)
#undef PLUGKIT_DEFINE_HOST_CALL

}  // extern "C"
