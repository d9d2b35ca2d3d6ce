// libjpeg reports fatal errors by calling error_exit, which must not return:
// ours jumps back to the call site, which then cleans up. The functions that
// call setjmp keep only plain data of their own; everything with a destructor
// lives in the caller's frame.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace kx::jpeg {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] inline void onFatalError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings of damaged but readable data are not the program's business.
inline void onMessage(j_common_ptr) {}

inline jpeg_error_mgr* installErrors(ErrorManager& e) {
    jpeg_error_mgr* base = jpeg_std_error(&e.base);
    base->error_exit = onFatalError;
    base->output_message = onMessage;
    return base;
}

}  // namespace kx::jpeg
