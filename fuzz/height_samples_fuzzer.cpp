// Height field images as the preview reads them: any bytes give a grid of
// heights from 0 to 1 whose size matches its samples, or are refused.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/height_field_surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kx::app::HeightSamples samples;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!kx::app::decodeHeightSamples(bytes, samples)) return 0;
    if (samples.width < 2 || samples.height < 2 ||
        samples.values.size() != static_cast<size_t>(samples.width) * samples.height)
        std::abort();
    for (float v : samples.values)
        if (!(v >= 0.0f && v <= 1.0f)) std::abort();
    return 0;
}
