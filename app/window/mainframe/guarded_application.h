// The program's application object. An event handler that runs out of
// memory (or throws anything else) ends only the command it was carrying
// out: the user is told, and the window, the scene and its unsaved changes
// stay, to be saved. Without this, the exception would end the program.
#pragma once

#include <QApplication>

namespace kx::app {

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace kx::app
