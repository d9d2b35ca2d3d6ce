// glTF models through ReadGLTF, JSON and GLB containers alike (the reader
// tells them by their first bytes), and what it read written back.
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    InitScene();
    if (ReadGLTF(kxfuzz::writeInputAs(data, size, ".gltf").c_str()) == 1 && GetCadObject(nullptr)) {
        static const std::string out = kxfuzz::scratchFolder() + "/out.glb";
        WriteGLTF(out.c_str());
    }
    ClearScene(GetCurrentScene());
    return 0;
}
