// Export marker of the core library's public functions.
#pragma once

#define KXCORE_API __attribute__((visibility("default")))
