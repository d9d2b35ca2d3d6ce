// Host functions plug-ins call while the window is open reach its document.
#include <QTreeWidget>

#include <filesystem>

#include <string>

#include "kxcore.h"
#include "mainframe/scene_tree_panel.h"
#include "model/scene_model.h"
#include "plugins/host_functions.h"
#include "window_fixture.h"

namespace {

class PluginWindowTest : public kxtest::WindowTest {};

// Host functions are reached under the scene lock, as the dispatcher calls
// them: the shaded preview reads the scene on its own thread meanwhile.
template <class Call>
int locked(Call call) {
    kx::app::SceneModel::Transaction change;
    return change.owns() ? call() : 0;
}

TEST_F(PluginWindowTest, HostFunctionsWorkOnTheOpenDocument) {
    ASSERT_EQ(locked([] { return kx::plugins::host::CallPlugin("Octahedron"); }), 1);
    CadObject* built = GetNextSelectedObject(nullptr);
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(built->count, 8u);
    const std::string name = built->name;
    EXPECT_NE(frame->sceneTree()->itemOf(built), nullptr);
    EXPECT_EQ(kx::plugins::host::Redraw(), 1);

    const std::string path = dir->file("from_plugin.cad");
    ASSERT_EQ(locked([&] { return kx::plugins::host::Save(path.c_str(), 0); }), 1);
    EXPECT_TRUE(std::filesystem::exists(path));

    ASSERT_EQ(locked([] { return kx::plugins::host::NewScene(); }), 1);
    EXPECT_EQ(GetCadObjectsCount(), 3u) << "camera and two lights";
    ASSERT_EQ(locked([&] { return kx::plugins::host::Load(path.c_str()); }), 1);
    CadObject* back = GetCadObjectByName(name.c_str());
    ASSERT_NE(back, nullptr) << name;
    EXPECT_EQ(back->count, 8u);
    EXPECT_TRUE(messageTexts().empty());
}

}  // namespace
