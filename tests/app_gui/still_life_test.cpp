// The still-life a new user builds with the mouse and the menus alone: a
// table of a box on two legs, a glass sphere, a box minus a sphere, a lathed
// vase and a spot light. Every step can be taken back and done again; the
// scene saves, opens again the same and renders with the real renderer.
#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "document/light_edits.h"
#include "document/scene_edits.h"
#include "kxcore.h"
#include "kxplatform/process.h"
#include "mainframe/light_fields.h"
#include "mainframe/property_panel.h"
#include "window_fixture.h"

namespace {

class StillLifeTest : public kxtest::FrontViewTest {
protected:
    void trigger(const char* name) {
        QAction* a = frame->action(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        a->trigger();
    }
    // Places an object of the Create menu with a click, then sets its size in the panel.
    CadObject* place(const char* action, Point3d where, const Point3d* size = nullptr) {
        trigger(action);
        click(front, at(front, where));
        CadObject* made = GetLastCadObject();
        if (size) {
            PropertyPanel* panel = frame->properties();
            const float axes[3] = {size->x, size->y, size->z};
            for (int axis = 0; axis < 3; ++axis) panel->pointField(KX_PROP_SIZE, axis)->setValue(axes[axis]);
        }
        return made;
    }
    std::string exported() { return exportedPov("still"); }
};

TEST_F(StillLifeTest, IsBuiltWithTheMouseAndMenusUndoneRedoneSavedAndRendered) {
    ASSERT_TRUE(std::filesystem::exists("/usr/bin/povray")) << "scripts/setup-deps.sh installs povray";
    doc()->newScene(true);
    doc()->history().clear();
    const Point3d top{4, 0.2f, 2}, leg{0.15f, 1.5f, 0.15f};
    place("createBox", {0, 0, 0}, &top);
    place("createCylinder", {-1.7f, -1.5f, 0}, &leg);
    place("createCylinder", {1.7f, -1.5f, 0}, &leg);

    // The glass sphere: its texture typed in the panel.
    place("createSphere", {-1.2f, 1.2f, 0});
    QLineEdit* texture = frame->properties()->textureField()->lineEdit();
    texture->setFocus();
    texture->setText(QStringLiteral("Glass"));
    emit texture->editingFinished();
    EXPECT_STREQ(GetLastCadObject()->material, "Glass");

    // A box minus a sphere: the box picked first, the sphere with Ctrl.
    place("createBox", {3.5f, 3, 0});
    place("createSphere", {4, 3.5f, 0});
    click(front, at(front, {-6, 5, 0}));  // on nothing: the new sphere is no longer selected
    click(front, at(front, {3.1f, 2.6f, 0}));
    click(front, at(front, {4.6f, 4.1f, 0}), Qt::ControlModifier);
    ASSERT_EQ(frame->properties()->objects().size(), 2u);
    trigger("modifyCsgDifference");

    // The vase: a polyline profile, lathed.
    trigger("createPolyline");
    for (Point3d p : {Point3d{0.6f, 0.1f, 0}, Point3d{1, 0.8f, 0}, Point3d{0.5f, 1.6f, 0}, Point3d{0.7f, 2.2f, 0}})
        click(front, at(front, p));
    QTest::keyClick(front, Qt::Key_Return);
    CadObject* vase = GetLastCadObject();
    ASSERT_EQ(vase->type, static_cast<uint32_t>(KX_POINTS));
    ASSERT_TRUE(kx::app::latheSelection(doc()->history(), 18, 20, true));

    // The spot light: made a spot in the panel, aimed at the table.
    place("createLight", {0, 4, 0});
    LightFields* light = frame->properties()->lightFields();
    const int spot = light->kindField()->findData(static_cast<int>(kx::app::LightKind::Spot));
    light->kindField()->setCurrentIndex(spot);
    emit light->kindField()->activated(spot);
    light->valueField(KX_PROP_LIGHTFALLOFF)->setValue(40);

    const std::string built = exported();
    for (const char* part : {"// BOX _box0", "// CYLINDER _cylinder0", "// CYLINDER _cylinder1", "Glass",
                             "difference {\n  object { _box1 }\n  object { _sphere1 }", "mesh", "spotlight",
                             "falloff 40", "point_at  < 0, 0, 0 >"})
        EXPECT_NE(built.find(part), std::string::npos) << part << "\n" << built;

    // Every step goes back, and comes again to the same scene.
    size_t steps = 0;
    while (doc()->history().canUndo()) {
        ASSERT_TRUE(doc()->undo()) << doc()->history().undoName();
        ++steps;
    }
    EXPECT_GE(steps, 12u);
    while (doc()->history().canRedo()) ASSERT_TRUE(doc()->redo());
    EXPECT_EQ(exported(), built);

    // Saved and opened again: the same objects (the scene file keeps mesh
    // corners to four places, so the text may differ in the last digit).
    const QString path = QString::fromStdString(dir->file("still.cad"));
    ASSERT_TRUE(doc()->save(path));
    ASSERT_TRUE(doc()->open(path));
    auto outline = [](const std::string& text) {
        std::vector<std::string> lines;
        size_t triangles = 0;
        for (size_t at = 0, end; at < text.size(); at = end + 1) {
            end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(at, end - at);
            if (line.rfind("triangle {", 0) == 0) ++triangles;
            else if (!line.empty()) lines.push_back(line);
        }
        lines.push_back(std::to_string(triangles) + " triangles");
        return lines;
    };
    EXPECT_EQ(outline(exported()), outline(built));

    kx::platform::CommandRunner runner;
    ASSERT_TRUE(runner.start({"/usr/bin/povray", "-D", "+FT", "-GA", "+W160", "+H120", "+Istill.pov", "+Ostill.tga"},
                             dir->path().string(), true, {}));
    const kx::platform::RunResult r = runner.wait();
    EXPECT_EQ(r.exitCode, 0) << runner.output();
    EXPECT_TRUE(std::filesystem::exists(dir->file("still.tga")));
}

}  // namespace
