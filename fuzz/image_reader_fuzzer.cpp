// One image reader over arbitrary bytes; the reader is chosen at build time.
#include <cstddef>
#include <cstdint>

#include "image_state.h"
#include "readers/readers.h"

#ifndef KX_FUZZ_DECODER
#error "KX_FUZZ_DECODER names the decoder to exercise"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        pxSetErrorDisplayState(nullptr, 0);
        return true;
    }();
    (void)quiet;
    kx::io::ByteReader in(data, size);
    if (kx::image::KX_FUZZ_DECODER(in, "fuzz")) pxUpdateMemoryDC();
    return 0;
}
