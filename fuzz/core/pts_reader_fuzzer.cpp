// Point files (".PTS") through ReadPTS.
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    InitScene();
    ReadPTS(kxfuzz::writeInputAs(data, size, ".pts").c_str());
    ClearScene(GetCurrentScene());
    return 0;
}
