// Point files (".PTS") through ReadPTS.
#include <unistd.h>

#include "fuzz_input_file.h"

namespace {

// The reader adds an extension to a name without one: the input is read
// through a name that has it.
const std::string& inputWithExtension(const uint8_t* data, size_t size) {
    const std::string& path = kxfuzz::writeInput(data, size);
    static const std::string dotted = [&path] {
        std::string d = path + ".pts";
        unlink(d.c_str());
        if (symlink(path.c_str(), d.c_str()) != 0) std::abort();
        return d;
    }();
    return dotted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    InitScene();
    ReadPTS(inputWithExtension(data, size).c_str());
    ClearScene(GetCurrentScene());
    return 0;
}
