// Scene files of any version through LoadScene: the statement reader of old
// files, and the block reader it hands newer files to.
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    InitScene();
    LoadScene(GetCurrentScene(), kxfuzz::writeInputAs(data, size, ".cad").c_str());
    ClearScene(GetCurrentScene());
    ClearKalvexEvent();
    return 0;
}
