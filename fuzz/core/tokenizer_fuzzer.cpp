// The tokenizer and line reader over arbitrary bytes.
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    const std::string& path = kxfuzz::writeInput(data, size);
    if (StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_READ)) {
        while (StdGetNextArg(f)) {
        }
        StdRewind(f);
        while (StdGetLine(f)) {
        }
        StdCloseFile(f);
    }
    return 0;
}
