// glTF models through ReadGLTF, JSON and GLB containers alike (the reader
// tells them by their first bytes), and what it read written back. Pictures
// the reader keeps beside the model are removed after each input, so the
// scratch folder does not fill.
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    InitScene();
    const std::string& model = kxfuzz::writeInputAs(data, size, ".gltf");
    if (ReadGLTF(model.c_str()) == 1 && GetCadObject(nullptr)) {
        static const std::string out = kxfuzz::scratchFolder() + "/out.glb";
        WriteGLTF(out.c_str());
    }
    ClearScene(GetCurrentScene());
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(kxfuzz::scratchFolder(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".png") || name.ends_with(".jpg")) std::filesystem::remove(entry.path(), ec);
    }
    return 0;
}
