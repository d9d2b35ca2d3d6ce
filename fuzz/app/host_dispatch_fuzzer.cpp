// HostDispatch with arbitrary plug-in arguments on a small scene: a function
// name or short id, a count from -2 to 14 and twelve KxVars of arbitrary
// bytes. Pointers are replaced by null or by scratch buffers (a wild pointer
// is not the host's to survive); functions that start programs or write
// files are left out, and the document is a stub.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <unistd.h>

#include "../core/fuzz_input_file.h"
#include "kxcore.h"
#include "kxplugin_functions.h"
#include "plugins/document_port.h"
#include "plugins/host_dispatch.h"
#include "plugins/host_state.h"

namespace {

using namespace kx::plugins;


// Shell, OpenFile (it may write), Load, Save and CustomTexture (writes the
// texture database) touch the machine rather than the host.
bool leftOut(int ordinal) {
    return ordinal == 5 || ordinal == 7 || ordinal == 38 || ordinal == 39 || ordinal == 40;
}

struct Scratch {
    alignas(16) unsigned char bytes[4][2048];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        kxfuzz::quietCore();
        // A name a call is given may become a file (an export, a log): it
        // lands in a scratch folder of its own, never where the run started.
        if (chdir(kxfuzz::scratchFolder().c_str()) != 0) std::abort();
        InitCore(nullptr, "Kalvex");
        InitKalvexEvent();
        hostState().document = kx::plugins::makeHeadlessDocument(kx::plugins::DocumentFiles::None);
        return true;
    }();
    (void)ready;
    constexpr size_t kVars = KXVAR_ARGS * sizeof(KxVar);
    if (size < 2 + 24 + kVars) return 0;
    const uint8_t selector = data[0];
    const int argc = static_cast<int>(data[1] % 17) - 2;
    char name[25] = {};
    std::memcpy(name, data + 2, 24);
    KxVar args[KXVAR_ARGS];
    std::memcpy(args, data + 26, kVars);

    // Pointer slots: null or one of the scratch buffers (filled from the input).
    static Scratch scratch;
    std::memset(&scratch, 0, sizeof scratch);
    std::memcpy(scratch.bytes, data + 26 + kVars, std::min(size - 26 - kVars, sizeof scratch.bytes));
    for (int i = 0; i < 4; ++i) scratch.bytes[i][sizeof scratch.bytes[i] - 1] = 0;
    for (KxVar& v : args) {
        if (v.type == KXVAR_POINTER || v.type == KXVAR_POINT) {
            const unsigned pick = v.reserved[0] % 5;
            v.value.ptr = pick == 0 ? nullptr : scratch.bytes[pick - 1];
        }
    }

    std::string function;
    int ordinal = 0;
    if (selector < 0x80) {
        ordinal = selector % 90;
        function.assign({'\0', static_cast<char>(ordinal), '\0'});
    } else {
        function = name;
        ordinal = hostFunctionOrdinal(name);
    }
    if (leftOut(ordinal)) return 0;

    InitScene();
    CreateDefaultScene();
    NewDefaultCadObject("fuzzball", 13);
    attachHandleTable();
    HostDispatch(function.c_str(), argc, args);
    // A second call with the same arguments reaches state the first one left.
    HostDispatch(function.c_str(), argc, args);
    detachHandleTable();
    ClearScene(GetCurrentScene());
    ClearKalvexEvent();
    return 0;
}
