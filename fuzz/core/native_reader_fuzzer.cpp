// The native scene reader over arbitrary bytes.
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    // The isosurfaces and julia fractals of an input are drawn within a few
    // milliseconds (or as their containers): the fuzzer is after the reader.
    SetShapeProxyBudget(2);
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
