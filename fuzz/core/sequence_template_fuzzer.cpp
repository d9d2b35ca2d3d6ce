// Template expansion over arbitrary bytes: the input is split at NUL bytes into
// the sequence template, the command template, the object template and the
// four texts of a frame sequence (filled to the brim, unterminated when long).
// No expansion may outgrow its 1023 characters.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input_file.h"

namespace {

template <size_t N>
void fill(char (&field)[N], const std::string& text) {
    std::memset(field, 'x', N);
    std::memcpy(field, text.data(), std::min(text.size(), N));
    if (text.size() < N) field[text.size()] = '\0';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::quietCore();
    std::vector<std::string> parts(7);
    size_t part = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            if (++part == parts.size()) break;
            continue;
        }
        parts[part] += static_cast<char>(data[i]);
    }
    // The editable buffers hold 1024 characters and are filled without a terminator.
    std::memset(GetSequenceTemplate(), '$', 1024);
    std::memcpy(GetSequenceTemplate(), parts[0].data(), std::min<size_t>(parts[0].size(), 1024));
    if (parts[0].size() < 1024) GetSequenceTemplate()[parts[0].size()] = '\0';
    SetSequenceTemplateCmd(parts[1].c_str());
    std::memset(GetObjectTemplate(), '$', 1024);
    std::memcpy(GetObjectTemplate(), parts[2].data(), std::min<size_t>(parts[2].size(), 1024));
    if (parts[2].size() < 1024) GetObjectTemplate()[parts[2].size()] = '\0';
    SeqInfo seq;
    fill(seq.name, parts[3]);
    fill(seq.extension, parts[4]);
    fill(seq.render, parts[5]);
    fill(seq.image, parts[6]);
    SetSequenceTemplateResolution(static_cast<unsigned>(size), 0xFFFFFFFFu);
    if (std::strlen(ParseSeqTemplate(static_cast<unsigned>(size) * 2654435761u, &seq)) > 1023) std::abort();
    if (std::strlen(ParseSeqTemplate(7, nullptr)) > 1023) std::abort();
    if (std::strlen(ParseObjTemplate(-1e300, 1.0 / 3, static_cast<double>(size))) > 1023) std::abort();
    int frame = 0, step = 0;
    const int count = static_cast<int>(size % 5000);
    for (int i = 0; i < count; i += 97) {
        InsideOut(count, i, &frame, &step);
        if (frame < 0 || frame >= count || step < 1) std::abort();
    }
    return 0;
}
