// Wavefront OBJ meshes through ReadOBJ. The input is also the material
// library "m.mtl" beside it, so a model naming that library has its own
// bytes read as materials and texture maps too.
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    InitScene();
    const std::string& model = kxfuzz::writeInputAs(data, size, ".obj");
    static const bool library = [] {
        const std::string name = kxfuzz::scratchFolder() + "/m.mtl";
        unlink(name.c_str());
        return symlink((kxfuzz::scratchFolder() + "/input").c_str(), name.c_str()) == 0;
    }();
    (void)library;
    ReadOBJ(model.c_str());
    ClearScene(GetCurrentScene());
    return 0;
}
