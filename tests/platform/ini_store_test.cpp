#include <gtest/gtest.h>

#include "kxplatform/ini_store.h"
#include "temp_dir.h"

namespace {

using kx::platform::IniStore;

TEST(IniStoreTest, HandEditedValuesReadBackExactly) {
    IniStore s;
    s.parse("; written by hand\r\n[view]\nDefaultCameraPosition=0,4,20\nviewleft = 0\n"
            "[Render]\r\nRenderFlags= +A0.1  -J\r\nType=0x2\nBroken=12abc\n");
    EXPECT_EQ(s.getString("View", "DefaultCameraPosition"), "0,4,20");
    EXPECT_EQ(s.getInt("VIEW", "ViewLeft", 1), 0);
    EXPECT_EQ(s.getString("render", "renderflags"), " +A0.1  -J");
    EXPECT_EQ(s.getInt("Render", "Type", 0), 2);
    EXPECT_EQ(s.getInt("Render", "Broken", 7), 7);
    EXPECT_EQ(s.getInt("Render", "Missing", 9), 9);
    EXPECT_FALSE(s.get("Nowhere", "x").has_value());
}

TEST(IniStoreTest, ChangesKeepCommentsOrderAndUnknownKeys) {
    IniStore s;
    s.parse("; top comment\n[Desktop]\nLog=1\nFuture=keep me\n\n[Other]\nx=1\n");
    s.setInt("desktop", "LOG", 0);
    s.set("Desktop", "Views", "2");
    s.set("New Section", "Value", "a,b , c");
    s.remove("Other", "x");
    EXPECT_EQ(s.text(),
              "; top comment\r\n[Desktop]\r\nLog=0\r\nFuture=keep me\r\nViews=2\r\n\r\n[Other]\r\n"
              "[New Section]\r\nValue=a,b , c\r\n");
    // the file keeps its own spelling of a name
    EXPECT_EQ(s.names("desktop"), (std::vector<std::string>{"Log", "Future", "Views"}));
}

TEST(IniStoreTest, SaveReplacesTheFileWhole) {
    kxtest::TempDir dir;
    std::string path = dir.file("Velmora/Kalvex.ini");
    IniStore s;
    EXPECT_TRUE(s.load(path));  // a missing file is an empty store
    s.setInt("Render", "RenderX", 800);
    ASSERT_TRUE(s.save(path));
    IniStore again;
    ASSERT_TRUE(again.load(path));
    EXPECT_EQ(again.getInt("Render", "RenderX", 0), 800);
    EXPECT_EQ(dir.read("Velmora/Kalvex.ini"), "[Render]\r\nRenderX=800\r\n");
    EXPECT_FALSE(s.save(dir.file("Velmora/Kalvex.ini/inside")));  // a file is in the way
}

}  // namespace
