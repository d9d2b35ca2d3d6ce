// Fixture of the core tests: fresh library state, captured messages, and a
// temporary current directory where the log file lands.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "core_state.h"
#include "temp_dir.h"
#include "ui_capture.h"

namespace kxtest {

// Exports end their lines with CR LF; expectations are easier to read with LF.
inline std::string withoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

// The objects grouped as one CSG operation (0 to 3) under a new group
// object, as the window groups a selection; nothing is left selected.
inline CadObject* groupAsTheWindowDoes(std::initializer_list<CadObject*> members, unsigned operation) {
    SetObjectsUnSelected();
    CadObjectInfo* info = CreateDefaultInfo();
    info->extraPoint.x = static_cast<float>(operation);
    CadObject* g = CreateGroup(info);
    for (CadObject* m : members) AddSelectedObject(m);
    int deleted = 0;
    SetObjectsGroupEx(g, g->groupId, &deleted);
    SetObjectsUnSelected();
    return g;
}

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Shorthand: a new object with a point list of `nodes` triangles.
    CadObject* makeMesh(const char* name, unsigned nodes);

    TempDir dir;
    UiCapture ui;
};

// A core test on a fresh scene with its camera, whose data folder is the
// test's temporary folder: what the export tests start from.
class SceneTest : public CoreTest {
protected:
    void SetUp() override;

    // The object a default-object creator made.
    static CadObject* add(int (*create)()) {
        create();
        return GetLastCadObject();
    }
};

}  // namespace kxtest
