// Sees only the umbrella header and the shared library, as a plug-in host would.
#include <gtest/gtest.h>

#include <string>

#include "kxcore.h"
#include "ui_capture.h"

namespace {

TEST(CoreAbiTest, SharedLibraryServesTheApi) {
    kxtest::UiCapture ui;
    KxSetUiCallbacks(ui.table());
    InitCore(nullptr, "ABI");
    EXPECT_EQ(AddEntry(9, nullptr, MakePointLP(0, 0, 0)), nullptr);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Error invalid polygon: 9");
    EXPECT_EQ(ui.messages[0].caption, "ABI");

    InitScene();
    CadObject* obj = NewDefaultCadObject(GetNextObjectName("_sphere", 13), 13);
    EXPECT_STREQ(obj->name, "_sphere0");
    EXPECT_EQ(GetObjectsSelectedCount(), 1u);
    EXPECT_STREQ(AddNewExt("scene.cad", ".pov"), "scene.pov");
    ASSERT_EQ(CreateAnimation("Movie1", 3), 1);
    EXPECT_EQ(AddObjectToAni(obj, 0), 1);
    EXPECT_EQ(GetAniObject(0)->object, obj);
    EXPECT_STREQ(GetAniSettings(nullptr)->name, "Movie1");
    EXPECT_STREQ(ParseObjTemplate(1, 2, 3), "1,2,3");
    EXPECT_EQ(DeleteAllCadObjects(), 1);
    EXPECT_EQ(GetAniObjectCount(), 0);
    EXPECT_EQ(DestroyAni(), 1);
    ExitCore();
    KxSetUiCallbacks(nullptr);
}

}  // namespace
