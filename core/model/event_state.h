// The event registrations: part of the core's one state aggregate.
#pragma once

#include <array>

#include "kx/events.h"

namespace kx {

struct EventRegistration {
    KalvexEventProc callback = nullptr;
    int type = 0;
    CadObject* object = nullptr;
    char* script = nullptr;  // owned by the table
    // The bound object was deleted: the slot keeps its position but is
    // never called or returned again.
    bool dead = false;
};

struct EventState {
    std::array<EventRegistration, KX_MAX_EVENTS> table{};
    unsigned count = 0;
    // Changes whenever the table is emptied, so that a firing in progress
    // notices a callback that cleared the table.
    unsigned long generation = 0;
};

}  // namespace kx
