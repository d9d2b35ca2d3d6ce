// CSG in the window: groups made as an operation from the menu, the
// operation changed in the properties panel, and the clicks that pick a
// group, a member and one object more or less.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "document/csg_edits.h"
#include "kxcore.h"
#include "kxplatform/process.h"
#include "mainframe/property_panel.h"
#include "mainframe/shape_fields.h"
#include "model/scene_snapshot.h"
#include "mainframe/scene_tree_panel.h"
#include "window_fixture.h"

namespace {

using Names = std::vector<std::string>;
using kx::app::CsgOperation;

class CsgWindowTest : public kxtest::FrontViewTest {
protected:
    std::string exported() { return exportedPov("csg"); }
    void trigger(const char* action) {
        QAction* a = frame->action(QString::fromLatin1(action));
        ASSERT_NE(a, nullptr) << action;
        a->trigger();
    }
    std::vector<std::string> listOrder() const {
        std::vector<std::string> out;
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next) out.push_back(o->name);
        return out;
    }
    std::vector<std::string> treeSelection() const {
        std::vector<std::string> out;
        for (QTreeWidgetItem* item : frame->sceneTree()->tree()->selectedItems())
            out.push_back(item->text(0).toStdString());
        return out;
    }
};

TEST_F(CsgWindowTest, EachOperationFromTheMenuGroupsTheSelectionWithTheFirstPickedAsBase) {
    struct Case {
        const char* action;
        CsgOperation operation;
        const char* opener;
    };
    const Case cases[] = {
        {"modifyCsgUnion", CsgOperation::Union, "union {\n"},
        {"modifyCsgDifference", CsgOperation::Difference, "difference {\n"},
        {"modifyCsgIntersection", CsgOperation::Intersection, "intersection {\n"},
        {"modifyCsgMerge", CsgOperation::Merge, "merge {\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        emptyScene();
        // The sphere stands first in the scene, but the box is picked first:
        // the box is the base, the sphere is cut from it.
        auto [sphere, box] = sphereAndBox({0, 0, 0}, {0.5f, 0, 0});
        const Point3d sphereExtra = sphere->extraPoint;
        AddSelectedObject(box);
        AddSelectedObject(sphere);
        doc()->selectionChanged();
        trigger(c.action);
        CadObject* group = nullptr;
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
            if (o->type == KX_GROUP) group = o;
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(kx::app::csgOperationOf(group), c.operation);
        EXPECT_EQ(doc()->history().undoName(), kx::app::csgOperationName(c.operation).label);
        CadObject* first = group->firstChild;
        ASSERT_NE(first, nullptr);
        EXPECT_STREQ(first->name, "_box0");
        ASSERT_NE(first->nextSibling, nullptr);
        EXPECT_STREQ(first->nextSibling->name, "_sphere0");
        EXPECT_EQ(std::memcmp(&first->nextSibling->extraPoint, &sphereExtra, sizeof sphereExtra), 0);
        const std::string text = exported();
        EXPECT_NE(text.find(std::string(c.opener) + "  object { _box0 }\n  object { _sphere0 }\n}"), std::string::npos)
            << text;
        // The panel shows the group as one object with its operation.
        PropertyPanel* panel = frame->properties();
        EXPECT_EQ(panel->countLabel()->text(), "1 object");
        EXPECT_TRUE(panel->rowShown(panel->operationField()));
        EXPECT_EQ(panel->operationField()->currentText().toStdString(), kx::app::csgOperationName(c.operation).label);
        EXPECT_EQ(treeSelection(), Names{group->name});
        // One undo puts the objects back as they stood, ungrouped.
        ASSERT_TRUE(doc()->undo());
        EXPECT_EQ(listOrder(), (Names{"_sphere0", "_box0"}));
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next) EXPECT_EQ(o->parent, nullptr) << o->name;
    }
}

TEST_F(CsgWindowTest, ThePanelSetsTheGroupsOperationAndNeverTouchesItsMembers) {
    auto [sphere, box] = sphereAndBox({0, 0, 0}, {4, 0, 0});
    AddSelectedObject(sphere);
    AddSelectedObject(box);
    trigger("modifyCsgUnion");
    CadObject* group = sphere->parent;
    ASSERT_NE(group, nullptr);
    PropertyPanel* panel = frame->properties();
    ASSERT_EQ(panel->objects(), std::vector<CadObject*>{group});
    // Fields of the members are not offered through the group.
    EXPECT_FALSE(panel->rowShown(panel->pointField(KX_PROP_EXTRA, 0)));
    EXPECT_FALSE(panel->rowShown(panel->textureField()));
    const Point3d sphereExtra = sphere->extraPoint, boxExtra = box->extraPoint;
    QComboBox* op = panel->operationField();
    const int difference = op->findText("Difference");
    ASSERT_GE(difference, 0);
    op->setCurrentIndex(difference);
    emit op->activated(difference);
    EXPECT_EQ(kx::app::csgOperationOf(group), CsgOperation::Difference);
    EXPECT_EQ(doc()->history().undoName(), "Set CSG Operation");
    EXPECT_EQ(std::memcmp(&sphere->extraPoint, &sphereExtra, sizeof sphereExtra), 0);
    EXPECT_EQ(std::memcmp(&box->extraPoint, &boxExtra, sizeof boxExtra), 0);
    // The tree tells the operation, and the menu on a lone group changes it too.
    QTreeWidgetItem* item = frame->sceneTree()->itemOf(group);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->toolTip(0), "Difference");
    trigger("modifyCsgIntersection");
    EXPECT_EQ(kx::app::csgOperationOf(group), CsgOperation::Intersection);
    EXPECT_EQ(item->toolTip(0), "Intersection");
    EXPECT_EQ(group->firstChild, sphere);  // no group around the group
    ASSERT_TRUE(doc()->undo());
    EXPECT_EQ(kx::app::csgOperationOf(group), CsgOperation::Difference);
}

// An inside-out member of an intersection cuts itself away: the box and
// the sphere as an intersection with the sphere turned inside out in the
// panel render, in the real renderer, exactly as the box minus the sphere.
TEST_F(CsgWindowTest, AnInsideOutMemberOfAnIntersectionRendersAsADifference) {
    ASSERT_TRUE(std::filesystem::exists("/usr/bin/povray")) << "scripts/setup-deps.sh installs povray";
    std::string texts[2];
    auto render = [&](const char* stem) {
        texts[stem[0] == 'i'] = exportedPov(stem);
        kx::platform::CommandRunner runner;
        const std::string pov = std::string("+I") + stem + ".pov", tga = std::string("+O") + stem + ".tga";
        EXPECT_TRUE(runner.start({"/usr/bin/povray", "-D", "+FT", "-GA", "+W64", "+H48", pov, tga},
                                 dir->path().string(), true, {}));
        EXPECT_EQ(runner.wait().exitCode, 0);
        return dir->read(std::string(stem) + ".tga");
    };
    std::string pictures[2];
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(way == 0 ? "difference" : "intersection with an inside-out sphere");
        emptyScene();
        auto [sphere, box] = sphereAndBox({0, 0, 0}, {0.5f, 0, 0});
        AddSelectedObject(box);
        AddSelectedObject(sphere);
        doc()->selectionChanged();
        trigger(way == 0 ? "modifyCsgDifference" : "modifyCsgIntersection");
        if (way == 1) {
            // Grouping puts the members in new records.
            sphere = GetCadObjectByName("_sphere0");
            ASSERT_NE(sphere, nullptr);
            SetObjectsUnSelected();
            AddSelectedObject(sphere);
            doc()->selectionChanged();
            PropertyPanel* panel = frame->properties();
            ASSERT_EQ(panel->objects(), std::vector<CadObject*>{sphere});
            QCheckBox* inverse = panel->shapeFields()->inverseField();
            ASSERT_TRUE(inverse->isVisibleTo(panel));
            inverse->click();
            EXPECT_EQ(doc()->history().undoName(), "Set Inverse");
            EXPECT_TRUE(kx::app::cutAwayInCsg(*sphere));  // drawn as wire in the preview
            const std::string text = exportedPov("inverse");
            const size_t declared = text.find("#declare _sphere0 =");
            ASSERT_NE(declared, std::string::npos) << text;
            EXPECT_NE(text.find(" inverse\n", declared), std::string::npos) << text;
        }
        pictures[way] = render(way == 0 ? "difference" : "intersection");
        ASSERT_GT(pictures[way].size(), 18u + 64 * 48 * 3);
    }
    // The pixels; the file's trailer holds the time of the render.
    const size_t pixels = 18 + 64 * 48 * 3;
    EXPECT_TRUE(pictures[0].compare(0, pixels, pictures[1], 0, pixels) == 0) << texts[0] << "\n----\n" << texts[1];
}

TEST_F(CsgWindowTest, AClickPicksTheGroupASecondClickTheMemberCtrlTogglesOne) {
    auto [sphere, box] = sphereAndBox({-3, 0, 0}, {3, 0, 0});
    CadObject* loose = addObject(KX_SPHERE, {0, 4, 0});
    AddSelectedObject(sphere);
    AddSelectedObject(box);
    trigger("modifyCsgUnion");
    CadObject* group = sphere->parent;
    ASSERT_NE(group, nullptr);
    const std::string g = group->name, s = sphere->name, b = box->name, l = loose->name;
    struct Step {
        const char* what;
        Point3d where;
        Qt::KeyboardModifiers modifiers;
        Names selected;  // in list order
        Names outermost;
    };
    const Step steps[] = {
        {"nothing", {9, 9, 0}, {}, {}, {}},
        {"a member picks its group", {-3, 0, 0}, {}, {s, b, g}, {g}},
        {"a second click picks the member", {-3, 0, 0}, {}, {s}, {s}},
        {"a third click keeps it", {-3, 0, 0}, {}, {s}, {s}},
        {"Ctrl adds one object", {0, 4, 0}, Qt::ControlModifier, {s, l}, {s, l}},
        {"Ctrl takes one away", {-3, 0, 0}, Qt::ControlModifier, {l}, {l}},
        {"another member picks the group again", {3, 0, 0}, {}, {s, b, g}, {g}},
        {"a loose object is picked alone", {0, 4, 0}, {}, {l}, {l}},
        {"Alt on a member", {3, 0, 0}, Qt::AltModifier, {b}, {b}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        click(front, at(front, step.where), step.modifiers);
        Names selected, outermost;
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
            if (o->selected) selected.push_back(o->name);
        for (CadObject* o : kx::app::outermostSelected()) outermost.push_back(o->name);
        EXPECT_EQ(selected, step.selected);
        EXPECT_EQ(outermost, step.outermost);
        Names tree = treeSelection();
        std::sort(tree.begin(), tree.end());
        Names wanted = step.outermost;
        std::sort(wanted.begin(), wanted.end());
        EXPECT_EQ(tree, wanted);
    }
}

}  // namespace
