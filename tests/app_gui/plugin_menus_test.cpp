// The plug-ins in the window: the Plug-ins and Tools menus, the toolbar, the
// manager dialog, plug-in file formats, the plug-in renderer and SCREEN painting.
#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "kxcore.h"
#include "kxplatform/process.h"
#include "mainframe/file_commands.h"
#include "pixmo.h"
#include "plugins/host_functions.h"
#include "plugins/plugin_commands.h"
#include "plugins/plugin_manager.h"
#include "plugins/plugin_manager_dialog.h"
#include "plugins/builtin_tools.h"
#include "plugins/tool_parameters_dialog.h"
#include <QDoubleSpinBox>
#include <QStatusBar>
#include "plugins/screen_painter.h"
#include "model/scene_model.h"
#include "render_view/render_controller.h"
#include "window_fixture.h"

namespace {

namespace fs = std::filesystem;

class PluginMenusTest : public kxtest::WindowTest {
protected:
    // The test plug-ins in a plug-in folder of the test's own; the samples
    // come from the shipped folder beside the program.
    std::string extraSettings() const override {
        const fs::path folder = fs::path(dir->path()) / "plugins";
        fs::create_directories(folder);
        for (const char* name : {"good", "reasons"})
            fs::copy_file(std::string(KALVEX_TEST_PLUGIN_DIR) + "/" + name + ".pi", folder / (std::string(name) + ".pi"),
                          fs::copy_options::overwrite_existing);
        return "[Directories]\nPlugin=" + folder.string() + "\n";
    }
    bool loadPlugins() const override { return true; }
    void SetUp() override {
        WindowTest::SetUp();
        // A tool's parameter dialog is answered with OK and the values it offers.
        if (commands()) commands()->askParameters = [](ToolParametersDialog&) { return true; };
    }
    PluginCommands* commands() const { return frame->findChild<PluginCommands*>(); }
    kx::plugins::PluginManager* manager() const { return session->core().pluginManager(); }
    QAction* menuAction(QMenu* menu, const QString& text) const {
        for (QAction* a : menu->actions())
            if (a->text() == text) return a;
        return nullptr;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

TEST_F(PluginMenusTest, MenusAndToolbarRunTheItems) {
    ASSERT_NE(commands(), nullptr);
    ASSERT_NE(manager(), nullptr);
    QMenu* plugins = commands()->pluginsMenu();
    ASSERT_FALSE(plugins->actions().isEmpty());
    EXPECT_EQ(plugins->actions().first()->objectName(), QStringLiteral("pluginManager"));
    QAction* hello = menuAction(plugins, QStringLiteral("Hello"));
    ASSERT_NE(hello, nullptr) << "UTIL items follow the manager";
    EXPECT_EQ(menuAction(plugins, QStringLiteral("Triangles")), nullptr) << "BUILD items are tools";
    hello->trigger();
    EXPECT_NE(GetCadObjectByName("PluginBall"), nullptr);

    QMenu* tools = commands()->toolsMenu();
    const QList<QAction*> toolActions = tools->actions();
    ASSERT_GE(toolActions.size(), 4);
    EXPECT_EQ(toolActions[0]->objectName(), QStringLiteral("toolOctahedron"));
    EXPECT_EQ(toolActions[1]->objectName(), QStringLiteral("toolDodecahedron"));
    EXPECT_EQ(toolActions[2]->objectName(), QStringLiteral("toolCable"));
    EXPECT_TRUE(toolActions[3]->isSeparator()) << "plug-in builders after the built-in ones";
    QAction* spring = menuAction(tools, QStringLiteral("Spring"));
    ASSERT_NE(spring, nullptr);
    EXPECT_TRUE(commands()->toolBar()->actions().contains(spring));
    EXPECT_TRUE(commands()->iconFile(static_cast<size_t>(manager()->findItem("BUILD", "spring")))
                    .endsWith(QStringLiteral("/spring.xpm")));
    EXPECT_FALSE(spring->icon().isNull());

    spring->trigger();
    CadObject* built = GetCadObjectByName("Spring");
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(built->type, 10u);
    EXPECT_EQ(built->count, 5u * 24u * 8u) << "turns x steps x sides quads";
    EXPECT_TRUE(doc()->isModified());

    toolActions[0]->trigger();
    CadObject* octahedron = GetNextSelectedObject(nullptr);
    ASSERT_NE(octahedron, nullptr);
    EXPECT_EQ(octahedron->count, 8u);
    EXPECT_TRUE(messageTexts().empty());
}

TEST_F(PluginMenusTest, ManagerSwitchesItemsAndLoadsNewFiles) {
    kx::plugins::PluginManager& m = *manager();
    const std::string folder = session->settings().directories.plugin;
    PluginManagerDialog dialog(m, session->core().store(), {folder});
    QTreeWidget* list = dialog.list();
    ASSERT_EQ(static_cast<size_t>(list->topLevelItemCount()), m.items().size());
    const int hello = m.findItem(nullptr, "Hello");
    ASSERT_GE(hello, 0);
    QTreeWidgetItem* row = list->topLevelItem(hello);
    EXPECT_EQ(row->text(0), QStringLiteral("Hello"));
    EXPECT_EQ(row->text(1), QStringLiteral("UTIL"));
    EXPECT_EQ(row->text(2), QStringLiteral("good.pi"));
    EXPECT_EQ(row->checkState(0), Qt::Checked);
    row->setCheckState(0, Qt::Unchecked);

    // A file put in the folder after the start shows up on a rescan.
    fs::copy_file(std::string(KALVEX_TEST_PLUGIN_DIR) + "/good.pi", fs::path(folder) / "more.pi");
    const size_t before = m.items().size();
    dialog.rescan();
    ASSERT_EQ(static_cast<size_t>(list->topLevelItemCount()), before + 1);
    QTreeWidgetItem* added = list->topLevelItem(static_cast<int>(before));
    EXPECT_EQ(added->text(1), QStringLiteral("(not loaded)"));
    dialog.rescan();
    EXPECT_EQ(static_cast<size_t>(list->topLevelItemCount()), before + 1) << "listed once";
    added->setCheckState(0, Qt::Checked);

    list->setCurrentItem(list->topLevelItem(m.findItem(nullptr, "Hello")));
    EXPECT_EQ(dialog.setUpSelected(), 0) << "Hello has no set-up (reason 4 fails)";

    dialog.apply();
    EXPECT_EQ(m.items()[static_cast<size_t>(hello)].state, 0);
    EXPECT_GT(m.items().size(), before) << "the new file's functions";
    EXPECT_EQ(m.items().back().state, 1);
    const std::string saved = session->core().store().getString("PlugIn", "Module1", "");
    EXPECT_FALSE(saved.empty());
    commands()->rebuild();
    int hellos = 0;
    for (QAction* a : commands()->pluginsMenu()->actions())
        if (a->text() == QStringLiteral("Hello")) ++hellos;
    EXPECT_EQ(hellos, 1) << "the switched-off one is gone, the new file's is there";
}

// The sample plug-in writes STL when its own filter is chosen; a name alone
// goes to the program's own STL writer, and both read back the same.
TEST_F(PluginMenusTest, StlSavedByThePluginReadsBack) {
    const QString filters = FileCommands::writeFilters();
    EXPECT_TRUE(filters.contains(QStringLiteral("STL files (*.stl)"))) << filters.toStdString();
    EXPECT_TRUE(FileCommands::readFilters().contains(QStringLiteral("STL files (*.stl)")));
    // Offered for reading and writing under one text: Export's choice is the SAVE item.
    const unsigned type = FileCommands::typeOfFilter(QStringLiteral("STL files (*.stl)"), kx::plugins::KindSave);
    EXPECT_GT(type, 41u);
    EXPECT_NE(FileCommands::typeOfFilter(QStringLiteral("STL files (*.stl)"), kx::plugins::KindLoad), type);

    ASSERT_EQ(commands()->runBuiltIn(QStringLiteral("Octahedron")), 1);
    const std::string path = dir->file("shape.stl");
    const std::string own = dir->file("own.stl");
    ASSERT_TRUE(doc()->save(QString::fromStdString(own), 0));
    ASSERT_TRUE(doc()->save(QString::fromStdString(path), type)) << (messageTexts().empty() ? "" : messageTexts().back());
    const std::string text = read(path);
    EXPECT_EQ(read(own).size(), 84u + 8u * 50u) << "the program's own writer: binary";
    EXPECT_EQ(text.rfind("solid kalvex\n", 0), 0u);
    size_t facets = 0;
    for (size_t at = text.find("facet normal"); at != std::string::npos; at = text.find("facet normal", at + 1)) ++facets;
    EXPECT_EQ(facets, 8u);

    // Another reader of the format agrees.
    kx::platform::CommandRunner runner;
    if (!kx::platform::findProgram("assimp").empty()) {
        ASSERT_TRUE(runner.start({"assimp", "info", path}, dir->path().string(), true, {}));
        const kx::platform::RunResult r = runner.wait();
        EXPECT_EQ(r.exitCode, 0) << runner.output();
        const std::string info = runner.output();
        const size_t at = info.find("Faces:");
        ASSERT_NE(at, std::string::npos) << info;
        EXPECT_EQ(std::stoul(info.substr(at + 6)), 8u) << info;
    }

    for (const char* stem : {"shape", "own"}) {
        doc()->newScene(false);
        ASSERT_TRUE(doc()->open(QString::fromStdString(dir->file(std::string(stem) + ".stl"))));
        CadObject* back = GetCadObjectByName(stem);
        ASSERT_NE(back, nullptr) << stem;
        EXPECT_EQ(back->count, 8u) << stem;
    }
    EXPECT_TRUE(messageTexts().empty());
}

TEST_F(PluginMenusTest, PluginRendererShowsAnImage) {
    ASSERT_EQ(commands()->runBuiltIn(QStringLiteral("Dodecahedron")), 1);
    const auto& entries = session->renderers().entries;
    int index = -1;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].type == kx::app::kPluginRendererType &&
            std::string(entries[i].description) == "Flat shaded (plug-in)")
            index = static_cast<int>(i);
    ASSERT_GE(index, 0);
    session->settings().render.type = index;
    session->settings().render.renderX = 80;
    session->settings().render.renderY = 60;
    session->settings().directories.defaultDir = dir->path().string();
    QSignalSpy spy(frame->renderer(), &RenderController::finished);
    ASSERT_TRUE(frame->render());
    ASSERT_TRUE(spy.count() > 0 || spy.wait(10000));
    const QList<QVariant> end = spy.takeFirst();
    ASSERT_TRUE(end[0].toBool()) << end[2].toString().toStdString();
    QTRY_VERIFY_WITH_TIMEOUT(frame->renderView() != nullptr, 5000);
    // Not one colour: the shape stands out from the background.
    const uint32_t corner = pxGetPixelRGB(nullptr, 0, 0);
    bool drawn = false;
    for (int y = 0; y < 60 && !drawn; ++y)
        for (int x = 0; x < 80 && !drawn; ++x) drawn = pxGetPixelRGB(nullptr, x, y) != corner;
    EXPECT_TRUE(drawn);
}

TEST_F(PluginMenusTest, ScreenItemsPaintOverTheViewsAndCannotChangeTheScene) {
    ASSERT_TRUE(session->core().pluginScreenPainting());
    CKalvexView* view = openView(kx::app::kFront);
    ASSERT_NE(view, nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(view->findChild<ScreenPainter*>() != nullptr, 5000);
    auto* painter = view->findChild<ScreenPainter*>();
    EXPECT_EQ(painter->size(), view->size());
    view->repaint();
    QTRY_VERIFY_WITH_TIMEOUT(painter->lastCalls() >= 1, 5000);
    EXPECT_EQ(GetCadObjectByName("Painted"), nullptr);
}

}  // namespace

namespace {

// A tool that cannot act says why; one with parameters asks for them,
// builds with what was given, and asks with those values the next time.
TEST_F(PluginMenusTest, CableSaysWhyOrAsksForItsRadiusAndSidesAndRemembersThem) {
    std::vector<std::vector<double>> asked;
    std::vector<double> answer{0.2, 5};
    bool accept = true;
    commands()->askParameters = [&](ToolParametersDialog& dialog) {
        asked.push_back(dialog.values());
        for (size_t i = 0; i < answer.size(); ++i) dialog.field(i)->setValue(answer[i]);
        return accept;
    };
    // Nothing to lay a cable along: it says so and asks nothing.
    CadObject* light = addObject(KX_LIGHT, {0, 3, 0});
    AddSelectedObject(light);
    const unsigned before = GetCadObjectsCount();
    EXPECT_EQ(commands()->runBuiltIn(QStringLiteral("Cable")), 0);
    EXPECT_TRUE(frame->statusBar()->currentMessage().contains(QStringLiteral("select a mesh first")));
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(GetCadObjectsCount(), before);

    ASSERT_EQ(commands()->runBuiltIn(QStringLiteral("Octahedron")), 1);
    struct Step {
        bool accept;
        std::vector<double> answer;
        std::vector<double> offered;  // what the dialog showed first
        int result;
    };
    const Step steps[] = {
        {true, {0.2, 5}, {0.05, 6}, 1},   // the tool's own values at first
        {false, {0.9, 9}, {0.2, 5}, 0},   // the last values given; Cancel builds nothing
        {true, {0.3, 8}, {0.2, 5}, 1},    // a cancelled dialog changed nothing
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.result);
        SetObjectsUnSelected();
        AddSelectedObject(GetCadObjectByName("Octahedron0"));
        asked.clear();
        answer = s.answer;
        accept = s.accept;
        const unsigned count = GetCadObjectsCount();
        EXPECT_EQ(commands()->runBuiltIn(QStringLiteral("Cable")), s.result);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_NEAR(asked[0][0], s.offered[0], 1e-9);
        EXPECT_EQ(asked[0][1], s.offered[1]);
        EXPECT_EQ(GetCadObjectsCount(), count + static_cast<unsigned>(s.result));
    }
    EXPECT_EQ(kx::plugins::builtinTools().cableSides, 8);
}

}  // namespace

namespace {

// A plug-in builder that lists its properties asks for them before it
// builds; what was given is set, kept for the next time, and Cancel builds nothing.
TEST_F(PluginMenusTest, ASpringAsksForItsListedPropertiesBeforeItBuilds) {
    kx::plugins::PluginManager* m = manager();
    ASSERT_NE(m, nullptr);
    size_t spring = m->items().size();
    for (size_t i = 0; i < m->items().size(); ++i)
        if (m->items()[i].exportName == "spring") spring = i;
    ASSERT_LT(spring, m->items().size()) << "the sample Spring plug-in is shipped";
    const auto listed = m->listItemProperties("spring");
    std::vector<std::string> names;
    for (const auto& p : listed) names.push_back(p.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Turns", "Radius", "Thickness", "Height", "Sides", "Steps"}));

    std::vector<std::string> shown;
    std::vector<double> offered;
    bool accept = true;
    commands()->askParameters = [&](ToolParametersDialog& dialog) {
        shown.clear();
        for (size_t i = 0; dialog.field(i); ++i) shown.push_back(dialog.field(i)->objectName().toStdString());
        offered = dialog.values();
        dialog.field(0)->setValue(2);  // Turns
        return accept;
    };
    const unsigned before = GetCadObjectsCount();
    ASSERT_EQ(commands()->runItem(spring), 1);
    EXPECT_EQ(shown, names);
    EXPECT_EQ(offered.front(), 5);  // the plug-in's own value
    EXPECT_EQ(GetCadObjectsCount(), before + 1);
    KxVar turns{};
    ASSERT_EQ(m->getItemProperty("spring", "Turns", turns), 1);
    EXPECT_EQ(turns.type, static_cast<uint32_t>(KXVAR_INT));
    EXPECT_EQ(turns.value.i, 2);
    // Asked again: the value given last time; Cancel builds nothing.
    accept = false;
    EXPECT_EQ(commands()->runItem(spring), 0);
    EXPECT_EQ(offered.front(), 2);
    EXPECT_EQ(GetCadObjectsCount(), before + 1);
}

}  // namespace
