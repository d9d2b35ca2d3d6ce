// The error-reporting path (message box plus log) and the log file "KALVEX.LOG".
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "core_state.h"
#include "kxplatform/c_locale.h"
#include "kxplatform/ui_callbacks.h"

namespace {

constexpr const char* kLogFileName = "KALVEX.LOG";

void writeAll(int fd, const std::string& data) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        left -= static_cast<size_t>(n);
    }
}

void appendToLog(int level, const std::string& text) {
    kx::LogState& log = kx::core().log;
    if (level > log.threshold) return;
    int savedErrno = errno;  // logging must not disturb the caller's error code
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (log.started ? O_APPEND : O_TRUNC);
    int fd = ::open(kLogFileName, flags, 0644);
    if (fd >= 0) {
        log.started = true;
        writeAll(fd, text + "\r\n");
        ::close(fd);
    }
    errno = savedErrno;
}

}  // namespace

void EnableLogMessage(int level) { kx::core().log.threshold = level; }

void LogMessage(int level, const char* fmt, ...) {
    if (level > kx::core().log.threshold) return;
    va_list args;
    va_start(args, fmt);
    std::string text = kx::platform::vformatC(fmt, args);
    va_end(args);
    appendToLog(level, text);
}

void ErrorMessage(const char* fmt, ...) {
    int savedErrno = errno;
    va_list args;
    va_start(args, fmt);
    std::string text = kx::platform::vformatC(fmt, args);
    va_end(args);
    kx::platform::messageBox(kx::platform::focusWindow(), text.c_str(),
                             kx::core().settings.title.c_str(),
                             KX_MB_OK | KX_MB_ICONEXCLAMATION);
    appendToLog(0, text);
    errno = savedErrno;
}

int GetSystemErrorMessage(unsigned long code, char* buffer, unsigned size) {
    if (!buffer || size == 0) return 1;
    char scratch[256];
    const char* msg = strerror_r(static_cast<int>(code), scratch, sizeof scratch);
    unsigned i = 0;
    for (; msg && msg[i] && i + 1 < size; ++i) buffer[i] = (msg[i] == '\r' || msg[i] == '\n') ? ' ' : msg[i];
    buffer[i] = '\0';
    return 1;
}

unsigned long kxc_getlasterror() { return static_cast<unsigned long>(errno); }

void StdFileError(int kind, const char* what, const char* file) {
    static constexpr const char* kKinds[] = {"Unable to create/save", "Unable to open/load",
                                             "Unable to export", "Unable to import"};
    const char* kindText = (kind >= 0 && kind < 4) ? kKinds[kind] : "";
    unsigned long code = kxc_getlasterror();
    char system[256];
    GetSystemErrorMessage(code, system, sizeof system);
    std::string text = kx::platform::formatC("%s %s%s%s\n%s (%ld)", kindText, what ? what : "",
                                             file ? " file " : "", file ? file : "", system,
                                             static_cast<long>(code));
    // The text may hold '%' from a file name: never use it as a format.
    ErrorMessage("%s", text.c_str());
}
