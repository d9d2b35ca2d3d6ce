// The shape part of the Properties panel: the rows each of the renderer's
// shapes has, its profile edited in the table, values the renderer would
// refuse turned away with the reason, and the photons flags of solids.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "dialogs/colour_field.h"
#include "document/shape_edits.h"
#include "kxcore.h"
#include "mainframe/number_field.h"
#include "mainframe/profile_table.h"
#include "mainframe/property_panel.h"
#include "mainframe/shape_fields.h"
#include "window_fixture.h"

namespace {

class ShapeFieldsTest : public kxtest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        emptyScene();
    }
    PropertyPanel* panel() const { return frame->properties(); }
    ShapeFields* fields() const { return panel()->shapeFields(); }
    void selectOnly(CadObject* obj) {
        SetObjectsUnSelected();
        AddSelectedObject(obj);
        doc()->selectionChanged();
    }
    static void choose(QComboBox* combo, int data) {
        const int index = combo->findData(data);
        ASSERT_GE(index, 0);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
};

TEST_F(ShapeFieldsTest, EachKindShowsItsOwnRowsAndOtherObjectsNone) {
    struct Case {
        const char* what;
        unsigned type;
        std::vector<int> rows;  // the shape rows shown
        int profileRows, profileColumns, splines;
        bool photons;
    };
    const Case cases[] = {
        {"superellipsoid", KX_SUPERELLIPSOID, {KX_PROP_EXPONENTS}, 0, 2, 4, true},
        {"lathe", KX_LATHE, {KX_PROP_SPLINETYPE, KX_PROP_PROFILE}, 5, 2, 4, true},
        {"surface of revolution", KX_SOR, {KX_PROP_PROFILE}, 6, 2, 4, true},
        {"prism", KX_PRISM, {KX_PROP_SPLINETYPE, KX_PROP_PROFILE, KX_PROP_SWEEPHEIGHTS, KX_PROP_CONIC}, 10, 2, 4, true},
        {"sphere sweep", KX_SPHERESWEEP, {KX_PROP_SPLINETYPE, KX_PROP_PROFILE}, 3, 4, 3, true},
        {"isosurface", KX_ISOSURFACE,
         {KX_PROP_FUNCTION, KX_PROP_CONTAINER, KX_PROP_THRESHOLD, KX_PROP_ACCURACY, KX_PROP_MAXGRADIENT}, 0, 2, 4, true},
        {"julia fractal", KX_JULIA, {KX_PROP_JULIAPARAMETER, KX_PROP_ITERATIONS, KX_PROP_PRECISION, KX_PROP_SLICE}, 0,
         2, 4, true},
        {"sphere", KX_SPHERE, {}, 0, 2, 4, true},
        {"light", KX_LIGHT, {}, 0, 2, 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CadObject* obj = addObject(c.type, {0, 0, 0});
        ASSERT_NE(obj, nullptr);
        selectOnly(obj);
        EXPECT_EQ(panel()->rowShown(fields()), c.type != KX_LIGHT);
        for (const kx::app::ShapeField& f : kx::app::kShapeFields) {
            const bool wanted = std::find(c.rows.begin(), c.rows.end(), f.property) != c.rows.end();
            EXPECT_EQ(fields()->rowShown(f.property), wanted) << f.label;
        }
        EXPECT_EQ(fields()->photonsShown(), c.photons);
        QTableWidget* table = fields()->profileField()->table();
        EXPECT_EQ(table->rowCount(), c.profileRows);
        EXPECT_EQ(table->columnCount(), c.profileColumns);
        EXPECT_EQ(fields()->splineField()->count(), c.splines);
    }
}

TEST_F(ShapeFieldsTest, TheProfileTableEditsTheShapesProfile) {
    CadObject* lathe = addObject(KX_LATHE, {0, 0, 0});
    selectOnly(lathe);
    ProfileTable* profile = fields()->profileField();
    QTableWidget* table = profile->table();
    const std::vector<Point3d> original = kx::app::shapeSettingsOf(lathe).profile;
    ASSERT_EQ(original.size(), 5u);

    table->item(1, 0)->setText(QStringLiteral("0.9"));
    EXPECT_FLOAT_EQ(kx::app::shapeSettingsOf(lathe).profile[1].x, 0.9f);
    EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("0.9"));
    EXPECT_EQ(doc()->history().undoName(), "Change Profile");

    // Text that is no number is put back; the shape keeps its point.
    table->item(2, 1)->setText(QStringLiteral("high"));
    EXPECT_EQ(kx::app::shapeSettingsOf(lathe).profile[2].y, original[2].y);
    EXPECT_EQ(table->item(2, 1)->text(), NumberField::format(original[2].y));

    // A point added after the second lies halfway to the third.
    table->setCurrentCell(1, 0);
    profile->addButton()->click();
    std::vector<Point3d> now = kx::app::shapeSettingsOf(lathe).profile;
    ASSERT_EQ(now.size(), 6u);
    EXPECT_FLOAT_EQ(now[2].y, (original[1].y + original[2].y) / 2);
    EXPECT_EQ(table->rowCount(), 6);
    table->setCurrentCell(2, 0);
    profile->removeButton()->click();
    EXPECT_EQ(kx::app::shapeSettingsOf(lathe).profile.size(), 5u);

    while (doc()->history().canUndo()) ASSERT_TRUE(doc()->undo());
    now = kx::app::shapeSettingsOf(lathe).profile;
    ASSERT_EQ(now.size(), original.size());
    EXPECT_EQ(now[1].x, original[1].x);
    EXPECT_EQ(table->item(1, 0)->text(), NumberField::format(original[1].x));
}

TEST_F(ShapeFieldsTest, AValueTheRendererRefusesIsTurnedAwayWithItsReason) {
    struct Case {
        const char* what;
        unsigned type;
        std::function<void(ShapeFields*)> enter;
        const char* reason;
    };
    const Case cases[] = {
        {"an exponent of 0", KX_SUPERELLIPSOID,
         [](ShapeFields* f) { f->numberField(KX_PROP_EXPONENTS, 0)->setValue(0); }, "needs exponents above 0"},
        {"a bezier lathe of five points", KX_LATHE, [](ShapeFields* f) { choose(f->splineField(), 3); },
         "needs a multiple of 4 points for a bezier spline"},
        {"a prism of no height", KX_PRISM,
         [](ShapeFields* f) { f->numberField(KX_PROP_SWEEPHEIGHTS, 1)->setValue(-0.5); }, "needs two different heights"},
        {"an empty function", KX_ISOSURFACE,
         [](ShapeFields* f) {
             f->functionField()->setText(QString());
             emit f->functionField()->editingFinished();
         },
         "has no function"},
        {"no iterations", KX_JULIA, [](ShapeFields* f) { f->iterationsField()->setValue(0); },
         "needs at least one iteration"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        emptyScene();
        CadObject* obj = addObject(c.type, {0, 0, 0});
        SetCadObjectProperty(obj, KX_PROP_NAME, "Odd");
        selectOnly(obj);
        const kx::app::ShapeSettings before = kx::app::shapeSettingsOf(obj);
        const size_t steps = doc()->history().size();
        c.enter(fields());
        EXPECT_EQ(fields()->refusal(), QStringLiteral("Not taken: Odd %1.").arg(QString::fromLatin1(c.reason)));
        EXPECT_EQ(doc()->history().size(), steps);
        const kx::app::ShapeSettings after = kx::app::shapeSettingsOf(obj);
        EXPECT_EQ(after.exponents[0], before.exponents[0]);
        EXPECT_EQ(after.spline, before.spline);
        EXPECT_EQ(after.heights[1], before.heights[1]);
        EXPECT_EQ(after.function, before.function);
        EXPECT_EQ(after.iterations, before.iterations);
        // The fields show what the shape still holds.
        EXPECT_EQ(fields()->numberField(KX_PROP_EXPONENTS, 0)->value(), before.exponents[0]);
        EXPECT_EQ(fields()->numberField(KX_PROP_SWEEPHEIGHTS, 1)->value(), before.heights[1]);
        EXPECT_EQ(fields()->iterationsField()->value(), before.iterations);
        EXPECT_EQ(fields()->splineField()->currentData().toInt(), before.spline);
    }
    // A value taken clears the reason.
    CadObject* julia = GetLastCadObject();
    fields()->iterationsField()->setValue(5);
    EXPECT_EQ(kx::app::shapeSettingsOf(julia).iterations, 5);
    EXPECT_EQ(fields()->refusal(), QString());
}

TEST_F(ShapeFieldsTest, ThePhotonsBoxesSetTheFlagsOfTheSelectedSolid) {
    CadObject* glass = addObject(KX_SPHERE, {0, 0, 0});
    selectOnly(glass);
    QCheckBox* target = fields()->photonsField(KX_PHOTONS_TARGET);
    QCheckBox* refraction = fields()->photonsField(KX_PHOTONS_REFRACTION);
    ASSERT_NE(target, nullptr);
    target->click();
    refraction->click();
    EXPECT_EQ(kx::app::shapeSettingsOf(glass).photons, KX_PHOTONS_TARGET | KX_PHOTONS_REFRACTION);
    EXPECT_NE(exportedPov("photons").find("photons {\n  target\n  refraction on\n }"), std::string::npos);
    ASSERT_TRUE(doc()->undo());
    EXPECT_EQ(kx::app::shapeSettingsOf(glass).photons, KX_PHOTONS_TARGET);
    EXPECT_TRUE(target->isChecked());
    EXPECT_FALSE(refraction->isChecked());
}

TEST_F(ShapeFieldsTest, TheMediaRowFillsASolidAndUndoEmptiesIt) {
    CadObject* glass = addObject(KX_SPHERE, {0, 0, 0});
    selectOnly(glass);
    EXPECT_EQ(fields()->mediaField()->currentData().toInt(), -1);
    choose(fields()->mediaField(), 2);
    EXPECT_EQ(kx::app::interiorMediaOf(glass).kind, 2);
    EXPECT_DOUBLE_EQ(kx::app::interiorMediaOf(glass).colour[1], 0.5);  // a new media starts light grey
    EXPECT_TRUE(fields()->mediaColourField()->isEnabled());
    EXPECT_NE(exportedPov("media").find(" hollow\n interior { media { scattering { 1, rgb < 0.5, 0.5, 0.5 > } } }"),
              std::string::npos);
    ASSERT_TRUE(doc()->undo());
    EXPECT_EQ(kx::app::interiorMediaOf(glass).kind, -1);
    EXPECT_EQ(fields()->mediaField()->currentData().toInt(), -1);
}

}  // namespace

namespace {

// Each of the renderer's shapes is placed from its Create menu entry where
// the user clicks, drawn as itself, and exported as the renderer's object.
TEST_F(ShapeFieldsTest, EachShapeIsPlacedFromTheCreateMenu) {
    const std::pair<const char*, unsigned> entries[] = {
        {"createSuperellipsoid", KX_SUPERELLIPSOID}, {"createLathe", KX_LATHE},
        {"createSor", KX_SOR},                       {"createPrism", KX_PRISM},
        {"createSphereSweep", KX_SPHERESWEEP},       {"createIsosurface", KX_ISOSURFACE},
        {"createJuliaFractal", KX_JULIA},
    };
    CKalvexView* front = openView(kx::app::kFront);
    ASSERT_NE(front, nullptr);
    float x = -9;
    for (const auto& [action, type] : entries) {
        SCOPED_TRACE(action);
        QAction* create = frame->action(QString::fromLatin1(action));
        ASSERT_NE(create, nullptr);
        create->trigger();
        click(front, at(front, {x, 0, 0}));
        CadObject* placed = GetLastCadObject();
        ASSERT_NE(placed, nullptr);
        ASSERT_EQ(placed->type, type);
        EXPECT_NEAR(placed->translate.x, x, 1.0);
        EXPECT_GT(CountEntry(placed->points), 12u) << "drawn as itself, not its container";
        x += 3;
    }
    const std::string pov = exportedPov("placed");
    for (const char* word : {"superellipsoid {", "lathe {", "sor {", "prism {", "sphere_sweep {", "isosurface {",
                             "julia_fractal {"})
        EXPECT_NE(pov.find(word), std::string::npos) << word;
}

}  // namespace
