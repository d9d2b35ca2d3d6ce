// Light kinds in the Properties panel: each kind chosen and its values typed
// there, written for the renderer, kept through save and open, and rendered
// by the real renderer.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "document/light_edits.h"
#include "kxcore.h"
#include "kxplatform/process.h"
#include "mainframe/light_fields.h"
#include "mainframe/property_panel.h"
#include "window_fixture.h"

namespace {

using kx::app::LightKind;

constexpr const char* kPovray = "/usr/bin/povray";

class LightFieldsTest : public kxtest::WindowTest {
protected:
    std::string exported() { return exportedPov("light"); }
    // The mean brightness of the rendered picture; -1 when the render failed.
    double rendered() {
        kx::platform::CommandRunner runner;
        if (!runner.start({kPovray, "-D", "+FT", "-GA", "+W80", "+H60", "+Ilight.pov", "+Olight.tga"},
                          dir->path().string(), true, {}))
            return -1;
        if (runner.wait().exitCode != 0) return -1;
        std::ifstream in(dir->file("light.tga"), std::ios::binary);
        std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), {});
        if (data.size() <= 18u + 80 * 60 * 3) return -1;
        double sum = 0;
        for (size_t i = 18 + data[0]; i < data.size(); ++i) sum += data[i];
        return sum / static_cast<double>(data.size() - 18 - data[0]);
    }
};

TEST_F(LightFieldsTest, EachKindIsSetInThePanelSavedExportedAndRendered) {
    ASSERT_TRUE(std::filesystem::exists(kPovray)) << "scripts/setup-deps.sh installs povray";
    struct Case {
        LightKind kind;
        std::vector<std::pair<int, double>> values;  // typed into the light fields
        Point3d extra;                               // typed into the extra row
        std::vector<std::string> lines;              // in the export
        std::vector<int> shownRows;
        std::vector<unsigned> options = {};  // KX_LIGHT_* boxes clicked, in order
        double fade[2] = {0, 0};              // typed into the fade fields
    };
    const Case cases[] = {
        {LightKind::Point,
         {},
         {0, 0, 0},
         {"light_source {", "shadowless\n", "fade_distance 5\n", "fade_power 2\n"},
         {},
         {KX_LIGHT_SHADOWLESS},
         {5, 2}},
        {LightKind::Spot,
         {{KX_PROP_LIGHTRADIUS, 20}, {KX_PROP_LIGHTFALLOFF, 35}, {KX_PROP_LIGHTTIGHTNESS, 10}},
         {0, 0, 0},
         {"spotlight", "point_at", "falloff 35", "radius 20", "tightness 10"},
         {KX_PROP_LIGHTRADIUS, KX_PROP_LIGHTFALLOFF, KX_PROP_LIGHTTIGHTNESS}},
        {LightKind::Area,
         {{KX_PROP_LIGHTADAPTIVE, 1}},
         {3, 2, 4},
         {"area_light < 3, 0, 0 > < 0, 0, 2 > 4, 4", "adaptive 1", "jitter", "circular\n", "orient\n"},
         {KX_PROP_LIGHTADAPTIVE},
         {KX_LIGHT_CIRCULAR, KX_LIGHT_ORIENT}},
        {LightKind::Cylinder,
         {{KX_PROP_LIGHTRADIUS, 3}, {KX_PROP_LIGHTFALLOFF, 5}},
         {0, 0, 0},
         {"cylinder\n", "point_at  < 0, 0, 0 >", "falloff 5", "radius 3"},
         {KX_PROP_LIGHTRADIUS, KX_PROP_LIGHTFALLOFF, KX_PROP_LIGHTTIGHTNESS}},
        {LightKind::Parallel, {}, {0.5f, 0, 0}, {"parallel\n", "point_at  < 0.5, 0, 0 >"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(kx::app::kLightKinds[static_cast<int>(c.kind)].label);
        emptyScene();
        const Point3d floor{8, 0.2f, 8};
        addObject(KX_BOX, {0, -1, 0}, &floor);
        addObject(KX_SPHERE, {0, 0, 0});
        CadObject* light = addObject(KX_LIGHT, {0, 6, 0});
        ASSERT_NE(light, nullptr);
        AddSelectedObject(light);
        doc()->selectionChanged();
        PropertyPanel* panel = frame->properties();
        LightFields* fields = panel->lightFields();
        ASSERT_TRUE(panel->rowShown(fields));
        QComboBox* kind = fields->kindField();
        const int index = kind->findData(static_cast<int>(c.kind));
        kind->setCurrentIndex(index);
        emit kind->activated(index);
        EXPECT_EQ(kx::app::lightSettingsOf(light).kind, c.kind);
        for (int id : {KX_PROP_LIGHTRADIUS, KX_PROP_LIGHTFALLOFF, KX_PROP_LIGHTTIGHTNESS, KX_PROP_LIGHTADAPTIVE}) {
            const bool wanted = std::find(c.shownRows.begin(), c.shownRows.end(), id) != c.shownRows.end();
            EXPECT_EQ(fields->rowShown(fields->valueField(id)), wanted) << id;
        }
        EXPECT_EQ(panel->rowShown(panel->pointField(KX_PROP_EXTRA, 0)), c.kind != LightKind::Point);
        for (unsigned bit : {KX_LIGHT_CIRCULAR, KX_LIGHT_ORIENT})
            EXPECT_EQ(fields->rowShown(fields->optionField(bit)), c.kind == LightKind::Area) << bit;
        EXPECT_TRUE(fields->rowShown(fields->optionField(KX_LIGHT_SHADOWLESS)));
        // Orient is offered once the light is round.
        for (unsigned bit : c.options) {
            QCoreApplication::processEvents();
            ASSERT_TRUE(fields->optionField(bit)->isEnabled()) << bit;
            fields->optionField(bit)->click();
        }
        if (c.fade[0] > 0) {
            fields->fadeDistanceField()->setValue(c.fade[0]);
            fields->fadePowerField()->setValue(c.fade[1]);
        }
        for (const auto& [id, value] : c.values) fields->valueField(id)->setValue(value);
        if (c.kind != LightKind::Point)
            for (int axis = 0; axis < 3; ++axis)
                panel->pointField(KX_PROP_EXTRA, axis)->setValue(axis == 0 ? c.extra.x : axis == 1 ? c.extra.y : c.extra.z);
        fields->looksLikeField()->setText("sphere { 0, 0.1 pigment { Yellow } }");
        emit fields->looksLikeField()->editingFinished();

        std::string text = exported();
        for (const std::string& line : c.lines) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
        EXPECT_NE(text.find("looks_like { sphere { 0, 0.1 pigment { Yellow } } }"), std::string::npos) << text;
        EXPECT_GT(rendered(), 5.0) << text;

        // Saved and opened again: the same kind and values.
        const kx::app::LightSettings before = kx::app::lightSettingsOf(light);
        const std::string path = dir->file("light.cad");
        ASSERT_TRUE(SaveScene2(GetCurrentScene(), path.c_str()));
        emptyScene();
        Read3Dfile(GetCurrentScene(), path.c_str(), KX_FILETYPE_KALVEX);
        CadObject* back = nullptr;
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
            if (o->type == KX_LIGHT) back = o;
        ASSERT_NE(back, nullptr);
        const kx::app::LightSettings after = kx::app::lightSettingsOf(back);
        EXPECT_EQ(after.kind, before.kind);
        EXPECT_EQ(after.radius, before.radius);
        EXPECT_EQ(after.falloff, before.falloff);
        EXPECT_EQ(after.tightness, before.tightness);
        EXPECT_EQ(after.adaptive, before.adaptive);
        EXPECT_EQ(after.looksLike, before.looksLike);
        unsigned options = 0;
        for (unsigned bit : c.options) options |= bit;
        EXPECT_EQ(after.options, options);
        EXPECT_EQ(after.fadeDistance, c.fade[0]);
        EXPECT_EQ(after.fadePower, c.fade[1]);
    }
}

TEST_F(LightFieldsTest, AnAreaLightWithoutASizeGetsOneAndEveryChangeIsOneUndoStep) {
    emptyScene();
    CadObject* light = addObject(KX_LIGHT, {0, 5, 0});
    light->extraPoint = Point3d{0, -5, 0};  // a spot light's target, no size
    std::vector<CadObject*> lights{light};
    ASSERT_TRUE(kx::app::setLightKind(doc()->history(), lights, LightKind::Area));
    EXPECT_EQ(light->extraPoint.x, 2);
    EXPECT_EQ(light->extraPoint.y, 2);
    EXPECT_EQ(light->extraPoint.z, 3);
    EXPECT_FALSE(kx::app::setLightKind(doc()->history(), lights, LightKind::Area));  // nothing to change
    ASSERT_TRUE(kx::app::setLightValue(doc()->history(), lights, KX_PROP_LIGHTADAPTIVE, 2, "typing"));
    ASSERT_TRUE(kx::app::setLightValue(doc()->history(), lights, KX_PROP_LIGHTADAPTIVE, 3, "typing"));
    EXPECT_EQ(doc()->history().undoName(), "Change Light Adaptive");
    ASSERT_TRUE(doc()->undo());
    EXPECT_EQ(kx::app::lightSettingsOf(light).adaptive, 0);
    EXPECT_EQ(doc()->history().undoName(), "Change Light Kind");
    ASSERT_TRUE(doc()->undo());
    EXPECT_EQ(kx::app::lightSettingsOf(light).kind, LightKind::Point);
    EXPECT_EQ(light->extraPoint.y, -5);
    // Only lights are changed, and values that are no number are refused.
    CadObject* box = addObject(KX_BOX, {0, 0, 0});
    EXPECT_FALSE(kx::app::setLightKind(doc()->history(), {box}, LightKind::Spot));
    EXPECT_FALSE(kx::app::setLightValue(doc()->history(), lights, KX_PROP_LIGHTRADIUS, std::nan("")));
}

// The views draw where a light shines: turning a point light into a spot,
// an area or a parallel light adds its guide to the picture of a view that
// sees it (an area light's rectangle lies flat: the plan view shows it).
TEST_F(LightFieldsTest, TheViewsDrawWhereEachKindShines) {
    emptyScene();
    CKalvexView* front = openView(kx::app::kFront);
    CKalvexView* plan = openView(kx::app::kPlan);
    ASSERT_TRUE(front && plan);
    CadObject* light = addObject(KX_LIGHT, {0, 3, 0});
    SetObjectsUnSelected();
    light->extraPoint = Point3d{2, -3, 0};
    const std::vector<CadObject*> lights{light};
    auto picture = [](CKalvexView* view) {
        view->update();
        return view->grab().toImage();
    };
    const std::pair<LightKind, CKalvexView*> cases[] = {
        {LightKind::Spot, front}, {LightKind::Area, plan}, {LightKind::Parallel, front}};
    for (const auto& [kind, view] : cases) {
        SCOPED_TRACE(static_cast<int>(kind));
        const QImage before = picture(view);
        ASSERT_TRUE(kx::app::setLightKind(doc()->history(), lights, kind));
        const QImage shown = picture(view);
        ASSERT_EQ(shown.size(), before.size());
        int changed = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) changed += shown.pixel(x, y) != before.pixel(x, y);
        EXPECT_GT(changed, 20);
        ASSERT_TRUE(doc()->undo());
    }
}

}  // namespace
