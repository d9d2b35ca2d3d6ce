// 3D Studio files through Read3DS; the materials they add to the texture
// list are dropped with the scene so that inputs stay independent.
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    InitScene();
    Read3DS(kxfuzz::writeInputAs(data, size, ".3ds").c_str());
    ClearScene(GetCurrentScene());
    ClearTexture(GetTexture(nullptr));
    SetFirstTexture(nullptr);
    return 0;
}
