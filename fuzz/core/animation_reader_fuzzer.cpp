// The animation block reader over arbitrary bytes (the name first, then the
// block), into a scene with objects of the names a block is likely to use.
// What it reads is written, read again and written again: both texts must be
// the same, or a value did not come back where it was.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz_input_file.h"

namespace {

void makeScene() {
    InitScene();
    const struct {
        const char* name;
        unsigned type;
    } objects[] = {{"a", KX_SPHERE}, {"b", KX_BOX}, {"Red ball", KX_CONE}, {"twin", KX_SPHERE}, {"Twin", KX_TORUS}};
    for (const auto& o : objects) {
        Point3d at{1, 2, 3};
        CreateDefaultObjectEx(o.name, o.type, &at);
    }
    Point3d p{0, 0, 0};
    AddObject("path", AddEntry(1, nullptr, &p), 1, KX_POINTS);
    SetObjectsUnSelected();
}

// Reads a block whose first token is the name; false when the file is gone.
bool readFrom(const std::string& path, bool withKeyword) {
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_READ);
    if (!f) return false;
    if (withKeyword) StdGetNextArg(f);
    const char* token = StdGetNextArg(f);
    const std::string name = token ? token : "";
    ReadAnimate(f, name.c_str());
    StdCloseFile(f);
    return true;
}

std::string writeTo(const std::string& path) {
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_CREATE);
    if (!f) return {};
    WriteAnimate(f);
    StdCloseFile(f);
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    makeScene();
    const std::string& path = kxfuzz::writeInput(data, size);
    if (readFrom(path, false) && IsAni() && GetMaxFrame() <= 4096) {
        const std::string out = path + ".anim";
        const std::string first = writeTo(out);
        DestroyAni();
        readFrom(out, true);
        const std::string second = writeTo(out);
        if (first != second) std::abort();
    }
    ClearScene(GetCurrentScene());
    return 0;
}
