// Scripts on a small scene: arbitrary text through the run function, or
// (input starting with byte 1) a call of one Scene method, real or not, with
// up to 12 arguments of any kind. Scene event rules apply, so nothing writes
// files; the document is a stub that renders and loads nothing; each run is
// bounded to 10^6 instructions and 64 MiB.
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../core/fuzz_input_file.h"
#include "kxcore.h"
#include "plugins/document_port.h"
#include "plugins/host_state.h"
#include "script/script_methods.h"
#include "script/script_runner.h"

namespace {

using namespace kx::plugins;


class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint32_t word() {
        uint32_t w = 0;
        for (int k = 0; k < 4; ++k) w = w << 8 | byte();
        return w;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

std::string number(double d) {
    if (std::isnan(d)) return "(0/0)";
    if (std::isinf(d)) return d > 0 ? "math.huge" : "-math.huge";
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", d);
    std::string s = text;
    // Lua reads "5" as an integer: keep floats floats.
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

std::string argument(Input& in) {
    static const int32_t kEdges[] = {INT32_MIN, INT32_MIN + 1, -1, 0, 1, 64, 65, INT32_MAX};
    switch (in.byte() % 8) {
    case 0: return std::to_string(kEdges[in.byte() % 8]);
    case 1: return std::to_string(static_cast<int32_t>(in.word()));
    case 2: {
        const uint64_t bits = static_cast<uint64_t>(in.word()) << 32 | in.word();
        double d;
        static_assert(sizeof d == sizeof bits);
        std::memcpy(&d, &bits, sizeof d);
        return number(d);
    }
    case 3: {
        const unsigned n = (static_cast<unsigned>(in.byte()) << 8 | in.byte()) % 5001;
        return "string.rep('" + std::string(1, static_cast<char>('a' + in.byte() % 26)) + "', " + std::to_string(n) + ")";
    }
    case 4: return "nil";
    case 5: return "{}";
    case 6: return in.byte() % 2 ? "true" : "false";
    default: return std::to_string(static_cast<int64_t>(in.word()) << 8);  // past the int32 range
    }
}

// One call: Scene:Name(...) or Scene.Name(...), the name in any letter case or made up.
std::string callScript(Input& in) {
    const auto all = kx::script::methods();
    const uint8_t pick = in.byte();
    std::string name;
    if (pick < all.size() * 2) {
        name = all[pick % all.size()].name;
        if (pick >= all.size())
            for (char& c : name) c = static_cast<char>(in.byte() % 2 ? std::toupper(c) : std::tolower(c));
    } else {
        for (int k = in.byte() % 12; k > 0; --k) name += static_cast<char>('A' + in.byte() % 26);
    }
    const bool colon = in.byte() % 2 == 0;
    std::string script = "local r = Scene" + std::string(colon ? ":" : ".") + (name.empty() ? "X" : name) + "(";
    const int count = in.byte() % 13;
    for (int k = 0; k < count; ++k) script += (k ? ", " : "") + argument(in);
    return script + ")";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        kxfuzz::quietCore();
        // Files a script names land in a scratch folder of its own.
        if (chdir(kxfuzz::scratchFolder().c_str()) != 0) std::abort();
        InitCore(nullptr, "Kalvex");
        InitKalvexEvent();
        hostState().document = kx::plugins::makeHeadlessDocument(kx::plugins::DocumentFiles::None);
        attachHandleTable();
        return true;
    }();
    (void)ready;
    ClearScene(GetCurrentScene());
    ClearKalvexEvent();
    InitScene();
    CreateDefaultScene();
    hostState().handles.clear();

    std::string text;
    if (size > 0 && data[0] == 1) {
        Input in(data + 1, size - 1);
        text = callScript(in);
    } else {
        text.assign(reinterpret_cast<const char*>(data), size);
    }
    kx::script::RunOptions options;
    options.kind = kx::script::RunKind::Event;
    options.maxInstructions = 1000000;
    options.memoryCap = std::size_t{64} << 20;
    kx::script::runScript(text, options);
    return 0;
}
