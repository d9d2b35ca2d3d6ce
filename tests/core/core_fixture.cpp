#include "core_fixture.h"

#include "model/memory.h"
#include "triangle_lists.h"

namespace kxtest {

void CoreTest::SetUp() {
    kx::resetCoreForTests();
    KxSetUiCallbacks(ui.table());
}

void CoreTest::TearDown() {
    kx::mem::failAllocationsAfter(-1);
    kx::resetCoreForTests();
}

void SceneTest::SetUp() {
    CoreTest::SetUp();
    SetProgramPath(dir.path().c_str());
    InitScene();
    InitCamera();
}

CadObject* CoreTest::makeMesh(const char* name, unsigned nodes) {
    CadObject* obj = NewCadObject(name);
    obj->points = triangleRow(nodes);
    obj->type = KX_POLYGON;
    obj->count = nodes;
    return obj;
}

}  // namespace kxtest
