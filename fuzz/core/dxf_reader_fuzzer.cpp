// AutoCAD DXF drawings through ReadDXF.
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    InitScene();
    ReadDXF(kxfuzz::writeInputAs(data, size, ".dxf").c_str());
    ClearScene(GetCurrentScene());
    return 0;
}
