// Neutral File Format scenes through ReadNFF.
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    InitScene();
    ReadNFF(kxfuzz::writeInputAs(data, size, ".nff").c_str());
    ClearScene(GetCurrentScene());
    return 0;
}
