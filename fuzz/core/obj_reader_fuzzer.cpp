// Wavefront OBJ meshes through ReadOBJ.
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    InitScene();
    ReadOBJ(kxfuzz::writeInputAs(data, size, ".obj").c_str());
    ClearScene(GetCurrentScene());
    return 0;
}
