#include "mainframe/guarded_application.h"

#include <exception>
#include <new>
#include <string>

#include "kxcore.h"

namespace kx::app {

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    // The message box runs an event loop of its own: a second failure while
    // it is up is logged, not shown again.
    static bool telling = false;
    std::string what;  // a copy: the exception is gone after its handler
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        what = "out of memory";
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
        what = "an unknown error";
    }
    if (telling) {
        LogMessage(0, "The last command was stopped: %s\n", what.c_str());
        return false;
    }
    telling = true;
    ErrorMessage("The last command was stopped: %s. The scene stays open; save your work.", what.c_str());
    telling = false;
    return false;
}

}  // namespace kx::app
