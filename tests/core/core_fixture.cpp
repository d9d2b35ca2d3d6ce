#include "core_fixture.h"

#include "model/memory.h"

namespace kxtest {

void CoreTest::SetUp() {
    kx::resetCoreForTests();
    KxSetUiCallbacks(ui.table());
}

void CoreTest::TearDown() {
    kx::mem::failAllocationsAfter(-1);
    kx::resetCoreForTests();
}

CadObject* CoreTest::makeMesh(const char* name, unsigned nodes) {
    CadObject* obj = NewCadObject(name);
    ListEntry* tail = nullptr;
    for (unsigned i = 0; i < nodes; ++i) {
        float f = static_cast<float>(i);
        Point3d tri[3] = {{f, 0, 0}, {f + 1, 0, 0}, {f, 1, 0}};
        tail = AddEntry(3, tail, tri);
        if (!obj->points) obj->points = tail;
    }
    obj->type = KX_POLYGON;
    obj->count = nodes;
    return obj;
}

}  // namespace kxtest
