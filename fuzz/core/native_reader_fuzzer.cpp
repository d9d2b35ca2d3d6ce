// The native scene reader over arbitrary bytes.
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    InitScene();
    const std::string& path = kxfuzz::writeInput(data, size);
    if (StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_READ)) {
        double version = 0;
        if (ReadKalvexVersion(f, &version)) ReadKalvexScene2(f);
    }
    ClearScene(GetCurrentScene());
    ClearKalvexEvent();
    return 0;
}
