// Facet files (".PGN", ".RAW") through ReadFacets.
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    InitScene();
    ReadFacets(kxfuzz::writeInputAs(data, size, ".pgn").c_str());
    ClearScene(GetCurrentScene());
    return 0;
}
