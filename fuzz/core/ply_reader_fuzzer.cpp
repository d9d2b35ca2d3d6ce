// PLY meshes through ReadPLY, and what it read written back in both encodings.
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    InitScene();
    if (ReadPLY(kxfuzz::writeInputAs(data, size, ".ply").c_str()) == 1 && GetCadObject(nullptr)) {
        static const std::string out = kxfuzz::scratchFolder() + "/out.ply";
        WritePLY(out.c_str(), static_cast<int>(size & 1));
    }
    ClearScene(GetCurrentScene());
    return 0;
}
