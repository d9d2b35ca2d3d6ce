// The single entry point plug-ins call the host through.
#pragma once

#include "kxplugin.h"

namespace kx::plugins {

// function: a host function's name (any case) or a short id (a zero byte, then
// the ordinal). Unknown names and ordinals show "Error unknown plug-in
// function: %s" and give 0.
extern "C" int HostDispatch(const char* function, int argc, KxVar* args) noexcept;

// The ordinal of a host function by name (any case), 0 when unknown.
int hostFunctionOrdinal(const char* name);
// The name of ordinal 1..83, null otherwise.
const char* hostFunctionName(int ordinal);

}  // namespace kx::plugins
