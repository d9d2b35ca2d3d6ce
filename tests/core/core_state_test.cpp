// The test reset gives a fresh state: nothing a test changed, however deep in
// a subsystem, reaches the next test.
#include <functional>

#include "core_fixture.h"
#include "export/export_internal.h"
#include "files/formats_internal.h"

namespace kxtest {
namespace {

int noExport(StandardFile*) { return 0; }
void noLightReset() {}
void noRelease(CadObject*, int) {}

TEST(CoreStateTest, ResetForgetsWhatEverySubsystemKept) {
    struct Case {
        const char* what;
        std::function<void()> change;
        std::function<bool()> fresh;
    } cases[] = {
        {"export hooks", [] { kx::files::exportHooks().exportObjects = noExport; },
         [] { return kx::files::exportHooks().exportObjects == ExportObjects; }},
        {"light counter hook", [] { kx::files::exportHooks().resetLightCounter = noLightReset; },
         [] { return kx::files::exportHooks().resetLightCounter == kx::exporter::resetLightCounter; }},
        {"export run", [] { kx::exporter::run().indentDepth = 7; kx::exporter::run().busy = true; },
         [] { return kx::exporter::run().indentDepth == 0 && !kx::exporter::run().busy; }},
        {"writer depth", [] { kx::core().files.nativeWriteDepth = 3; },
         [] { return kx::core().files.nativeWriteDepth == 0; }},
        {"reader depths", [] { kx::core().files.nativeReadDepth = 2; kx::core().files.legacyLoadDepth = 5; },
         [] { return kx::core().files.nativeReadDepth == 0 && kx::core().files.legacyLoadDepth == 0; }},
        {"result buffers", [] { MakePointLP(1, 2, 3); kx::core().results.randomPosition = 9; },
         [] { return kx::core().results.point.x == 0 && kx::core().results.randomPosition == 0; }},
        {"release hook", [] { SetObjectReleaseHook(noRelease); },
         [] { return SetObjectReleaseHook(nullptr) == nullptr; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kx::resetCoreForTests();
        c.change();
        EXPECT_FALSE(c.fresh());
        kx::resetCoreForTests();
        EXPECT_TRUE(c.fresh());
    }
}

}  // namespace
}  // namespace kxtest
