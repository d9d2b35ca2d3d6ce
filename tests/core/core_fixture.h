// Fixture of the core tests: fresh library state, captured messages, and a
// temporary current directory where the log file lands.
#pragma once

#include <gtest/gtest.h>

#include "core_state.h"
#include "temp_dir.h"
#include "ui_capture.h"

namespace kxtest {

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Shorthand: a new object with a point list of `nodes` triangles.
    CadObject* makeMesh(const char* name, unsigned nodes);

    TempDir dir;
    UiCapture ui;
};

}  // namespace kxtest
