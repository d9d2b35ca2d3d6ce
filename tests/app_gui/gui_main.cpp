// The window tests need one application object for the whole run.
#include <gtest/gtest.h>

#include <clocale>

#include "mainframe/guarded_application.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own application object, so that its event guard is tested.
    kx::app::GuardedApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
