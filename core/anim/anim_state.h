// State of the animation and of the frame-sequence templates: part of the
// core's one state aggregate.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "kx/animation.h"

namespace kx {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// The frame records of one entry, allocated through the core's allocator so
// that tests can make the allocation fail.
using FrameArray = std::unique_ptr<AnimFrame[], FreeDeleter>;

inline constexpr size_t kTemplateSize = 1024;

struct SequenceTemplates {
    char sequence[kTemplateSize] = "$C";
    char object[kTemplateSize] = "$X,$Y,$Z";
    std::string command = "$N$F";
    std::string sequenceExtension = ".BAT";
    std::string listExtension = ".LST";
    unsigned width = 0;
    unsigned height = 0;
    // Results of the expansions, valid until the next call of each.
    char sequenceResult[kTemplateSize] = "";
    char objectResult[kTemplateSize] = "";
};

struct AnimState {
    AniSettings settings{};
    // table[i].frames is owned by frames[i]; both hold `capacity` entries.
    std::vector<AnimObject> table;
    std::vector<FrameArray> frames;
    bool hasTable = false;
    int updateControl = 0;
    SequenceTemplates templates;
};

}  // namespace kx
