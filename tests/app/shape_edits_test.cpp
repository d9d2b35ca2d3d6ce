// The edits behind the Properties panel's shape fields: each of the
// renderer's shapes takes the values it can render and refuses, unchanged
// and with the core's reason, the ones it cannot; every change is one step
// that undo takes back to the byte, and the photons flags go the same way.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "document/shape_edits.h"

namespace {

using namespace kx::app;

class ShapeEditsTest : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
        InitCamera();
    }
    CadObject* make(unsigned type, const char* name) {
        Point3d at{1, 0, -1};
        CadObject* o = CreateDefaultObjectEx(name, type, &at);
        SetObjectsUnSelected();
        return o;
    }
    std::string saved() {
        const std::string path = dir.file("scene.cad");
        EXPECT_TRUE(SaveScene2(GetCurrentScene(), path.c_str()));
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // The last step has the name given; undone, the scene saves as before it,
    // and redone, as after it.
    void expectStepUndoesTo(const char* step, const std::string& before) {
        EXPECT_EQ(history.undoName(), step);
        const std::string after = saved();
        ASSERT_TRUE(history.undo());
        EXPECT_EQ(saved(), before);
        ASSERT_TRUE(history.redo());
        EXPECT_EQ(saved(), after);
    }
    EditHistory history;
};

using Points = std::vector<Point3d>;

TEST_F(ShapeEditsTest, EachShapeTakesWhatTheRendererTakesAndRefusesTheRest) {
    struct Case {
        const char* what;
        unsigned type;
        std::function<ShapeEdit(EditHistory&, CadObject*)> edit;
        const char* refused;  // the core's reason; null when the value is taken
        const char* step;     // the step a taken value makes; null for none
        std::function<bool(const ShapeSettings&)> holds;
    };
    auto any = [](const ShapeSettings&) { return true; };
    const Case cases[] = {
        {"exponents", KX_SUPERELLIPSOID,
         [](EditHistory& h, CadObject* o) { return setShapeNumbers(h, {o}, KX_PROP_EXPONENTS, {0.25, 2}); }, nullptr,
         "Change Exponents", [](const ShapeSettings& s) { return s.exponents[0] == 0.25 && s.exponents[1] == 2; }},
        {"an exponent of 0", KX_SUPERELLIPSOID,
         [](EditHistory& h, CadObject* o) { return setShapeNumbers(h, {o}, KX_PROP_EXPONENTS, {0, 1}); },
         "needs exponents above 0", nullptr, any},
        {"a lathe of one point", KX_LATHE,
         [](EditHistory& h, CadObject* o) { return setShapeProfile(h, {o}, Points{{0.5f, 0, 0}}); },
         "needs at least 2 points, has 1", nullptr, any},
        {"a lathe point left of the axis", KX_LATHE,
         [](EditHistory& h, CadObject* o) { return setShapeProfile(h, {o}, Points{{-0.5f, 0, 0}, {1, 1, 0}}); },
         "has a profile point left of the axis", nullptr, any},
        {"a bezier lathe of five points", KX_LATHE,
         [](EditHistory& h, CadObject* o) { return setShapeInteger(h, {o}, KX_PROP_SPLINETYPE, 3); },
         "needs a multiple of 4 points for a bezier spline", nullptr, any},
        {"a cubic lathe", KX_LATHE,
         [](EditHistory& h, CadObject* o) { return setShapeInteger(h, {o}, KX_PROP_SPLINETYPE, 2); }, nullptr,
         "Change Spline", [](const ShapeSettings& s) { return s.spline == 2; }},
        {"falling heights of a surface of revolution", KX_SOR,
         [](EditHistory& h, CadObject* o) {
             return setShapeProfile(h, {o}, Points{{0.5f, 0, 0}, {0.6f, 1, 0}, {0.7f, 0.5f, 0}, {0.8f, 2, 0}});
         },
         "needs heights that rise from point to point", nullptr, any},
        {"rising heights of a surface of revolution", KX_SOR,
         [](EditHistory& h, CadObject* o) {
             return setShapeProfile(h, {o}, Points{{0.5f, 0, 0}, {0.6f, 1, 0}, {0.7f, 1.5f, 0}, {0.8f, 2, 0}});
         },
         nullptr, "Change Profile", [](const ShapeSettings& s) { return s.profile.size() == 4 && s.profile[2].y == 1.5f; }},
        {"a prism of no height", KX_PRISM,
         [](EditHistory& h, CadObject* o) { return setShapeNumbers(h, {o}, KX_PROP_SWEEPHEIGHTS, {0.5, 0.5}); },
         "needs two different heights", nullptr, any},
        {"a conic prism", KX_PRISM,
         [](EditHistory& h, CadObject* o) { return setShapeInteger(h, {o}, KX_PROP_CONIC, 1); }, nullptr,
         "Change Conic Sweep", [](const ShapeSettings& s) { return s.conic; }},
        {"a prism's outline crossing itself", KX_PRISM,
         [](EditHistory& h, CadObject* o) {
             return setShapeProfile(h, {o}, Points{{0, 0, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 1}});
         },
         "has an outline that crosses itself", nullptr, any},
        {"a sphere of radius 0 in a sweep", KX_SPHERESWEEP,
         [](EditHistory& h, CadObject* o) {
             return setShapeProfile(h, {o}, Points{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {0.3, 0, 0.3});
         },
         "needs radii above 0", nullptr, any},
        {"a sweep of four spheres", KX_SPHERESWEEP,
         [](EditHistory& h, CadObject* o) {
             return setShapeProfile(h, {o}, Points{{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {3, 1, 0}}, {0.1, 0.2, 0.3, 0.4});
         },
         nullptr, "Change Profile", [](const ShapeSettings& s) { return s.radii == std::vector<double>{0.1, 0.2, 0.3, 0.4}; }},
        {"an isosurface without a function", KX_ISOSURFACE,
         [](EditHistory& h, CadObject* o) { return setShapeFunction(h, {o}, "   "); }, "has no function", nullptr, any},
        {"an isosurface's function", KX_ISOSURFACE,
         [](EditHistory& h, CadObject* o) { return setShapeFunction(h, {o}, "x*x + y*y + z*z - 0.5"); }, nullptr,
         "Change Function", [](const ShapeSettings& s) { return s.function == "x*x + y*y + z*z - 0.5"; }},
        {"an accuracy of 0", KX_ISOSURFACE,
         [](EditHistory& h, CadObject* o) { return setShapeNumber(h, {o}, KX_PROP_ACCURACY, 0); },
         "needs accuracy and max gradient above 0", nullptr, any},
        {"a sphere for a container", KX_ISOSURFACE,
         [](EditHistory& h, CadObject* o) { return setShapeInteger(h, {o}, KX_PROP_CONTAINER, 1); }, nullptr,
         "Change Container", [](const ShapeSettings& s) { return s.container == 1; }},
        {"no iterations", KX_JULIA,
         [](EditHistory& h, CadObject* o) { return setShapeInteger(h, {o}, KX_PROP_ITERATIONS, 0); },
         "needs at least one iteration", nullptr, any},
        {"a slice without a normal", KX_JULIA,
         [](EditHistory& h, CadObject* o) { return setShapeNumbers(h, {o}, KX_PROP_SLICE, {0, 0, 0, 0, 1}); },
         "needs a slice normal that is not zero", nullptr, any},
        {"a julia parameter", KX_JULIA,
         [](EditHistory& h, CadObject* o) {
             return setShapeNumbers(h, {o}, KX_PROP_JULIAPARAMETER, {0.1, 0.2, 0.3, 0.4});
         },
         nullptr, "Change Julia Parameter", [](const ShapeSettings& s) { return s.julia[3] == 0.4; }},
        {"a precision of 0", KX_JULIA,
         [](EditHistory& h, CadObject* o) { return setShapeNumber(h, {o}, KX_PROP_PRECISION, 0); },
         "needs a precision above 0", nullptr, any},
        {"a shape field of a sphere", KX_SPHERE,
         [](EditHistory& h, CadObject* o) { return setShapeNumbers(h, {o}, KX_PROP_EXPONENTS, {2, 2}); }, nullptr,
         nullptr, any},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearScene(GetCurrentScene());
        InitScene();
        history.clear();
        CadObject* obj = make(c.type, "Shape");
        ASSERT_NE(obj, nullptr);
        const std::string before = saved();
        const ShapeEdit edit = c.edit(history, obj);
        if (c.refused) {
            EXPECT_FALSE(edit.changed);
            EXPECT_EQ(edit.refused, std::string("Shape ") + c.refused);
            EXPECT_EQ(saved(), before);
            EXPECT_EQ(history.size(), 0u);
            continue;
        }
        EXPECT_EQ(edit.refused, "");
        if (!c.step) {
            EXPECT_FALSE(edit.changed);
            EXPECT_EQ(history.size(), 0u);
            continue;
        }
        ASSERT_TRUE(edit.changed);
        EXPECT_EQ(history.undoName(), c.step);
        EXPECT_TRUE(c.holds(shapeSettingsOf(obj)));
        EXPECT_EQ(GetShapeProblem(obj, nullptr, 0), 0);
        const std::string after = saved();
        EXPECT_NE(after, before);
        ASSERT_TRUE(history.undo());
        EXPECT_EQ(saved(), before);
        ASSERT_TRUE(history.redo());
        EXPECT_EQ(saved(), after);
    }
}

// One shape that cannot take the value keeps every shape as it was.
TEST_F(ShapeEditsTest, AValueOneOfTheShapesRefusesChangesNone) {
    CadObject* five = make(KX_LATHE, "Vase");  // a new lathe has five points
    CadObject* four = make(KX_LATHE, "Bowl");
    ASSERT_TRUE(setShapeProfile(history, {four}, Points{{0, 0, 0}, {1, 0.2f, 0}, {1, 0.8f, 0}, {0.5f, 1, 0}}).changed);
    const std::string before = saved();
    const size_t steps = history.size();
    const ShapeEdit edit = setShapeInteger(history, {four, five}, KX_PROP_SPLINETYPE, 3);
    EXPECT_FALSE(edit.changed);
    EXPECT_EQ(edit.refused, "Vase needs a multiple of 4 points for a bezier spline");
    EXPECT_EQ(saved(), before);
    EXPECT_EQ(history.size(), steps);
    EXPECT_TRUE(setShapeInteger(history, {four}, KX_PROP_SPLINETYPE, 3).changed);
}

// A shape read from a file the renderer refuses is put right one field at a time.
TEST_F(ShapeEditsTest, AShapeTheRendererRefusesAlreadyTakesAnyValue) {
    CadObject* lathe = make(KX_LATHE, "Broken");
    Point3d one{0.5f, 0, 0};
    ASSERT_TRUE(SetCadObjectProperty(lathe, "Profile", &one, 1));
    ASSERT_EQ(GetShapeProblem(lathe, nullptr, 0), 1);
    const ShapeEdit spline = setShapeInteger(history, {lathe}, KX_PROP_SPLINETYPE, 1);
    EXPECT_TRUE(spline.changed);
    EXPECT_EQ(spline.refused, "");
    EXPECT_TRUE(setShapeProfile(history, {lathe}, Points{{0.5f, 0, 0}, {1, 0.5f, 0}, {0.5f, 1, 0}}).changed);
    EXPECT_EQ(GetShapeProblem(lathe, nullptr, 0), 0);
}

TEST_F(ShapeEditsTest, TypingInOneFieldIsOneStep) {
    CadObject* iso = make(KX_ISOSURFACE, "Blobby");
    for (double t : {0.1, 0.2, 0.3}) ASSERT_TRUE(setShapeNumber(history, {iso}, KX_PROP_THRESHOLD, t, "typing").changed);
    EXPECT_EQ(history.size(), 1u);
    EXPECT_EQ(shapeSettingsOf(iso).threshold, 0.3);
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(shapeSettingsOf(iso).threshold, 0);
}

TEST_F(ShapeEditsTest, PhotonsFlagsAreSetOnSolidsOnly) {
    CadObject* ball = make(KX_SPHERE, "Ball");
    CadObject* glass = make(KX_LATHE, "Glass");
    CadObject* lamp = make(KX_LIGHT, "Lamp");
    struct Case {
        const char* what;
        std::vector<CadObject*> objects;
        unsigned bit;
        bool on;
        bool changed;
        unsigned ball, glass;  // the bits after
        const char* step;
    };
    const Case cases[] = {
        {"target", {ball, glass}, KX_PHOTONS_TARGET, true, true, 1, 1, "Set Photons Target"},
        {"refraction of one", {glass}, KX_PHOTONS_REFRACTION, true, true, 1, 5, "Set Photons Refraction"},
        {"target again", {ball, glass}, KX_PHOTONS_TARGET, true, false, 1, 5, nullptr},
        {"no more target", {ball, glass}, KX_PHOTONS_TARGET, false, true, 0, 4, "Clear Photons Target"},
        {"a light", {lamp}, KX_PHOTONS_REFLECTION, true, false, 0, 4, nullptr},
        {"no such flag", {ball}, 8, true, false, 0, 4, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string before = saved();
        EXPECT_EQ(setPhotons(history, c.objects, c.bit, c.on), c.changed);
        EXPECT_EQ(shapeSettingsOf(ball).photons, c.ball);
        EXPECT_EQ(shapeSettingsOf(glass).photons, c.glass);
        EXPECT_EQ(shapeSettingsOf(lamp).photons, 0u);
        if (c.step) expectStepUndoesTo(c.step, before);
    }
}

// Inside out: solids only, one step each way, undone to the saved bytes.
TEST_F(ShapeEditsTest, InverseIsSetOnSolidsOnly) {
    CadObject* ball = make(KX_SPHERE, "Ball");
    CadObject* box = make(KX_BOX, "Box");
    CadObject* lamp = make(KX_LIGHT, "Lamp");
    struct Case {
        const char* what;
        std::vector<CadObject*> objects;
        bool on, changed, ball, box;
        const char* step;
    };
    const Case cases[] = {
        {"both", {ball, box, lamp}, true, true, true, true, "Set Inverse"},
        {"both again", {ball, box}, true, false, true, true, nullptr},
        {"one back", {box}, false, true, true, false, "Clear Inverse"},
        {"a light", {lamp}, true, false, true, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string before = saved();
        EXPECT_EQ(setInverse(history, c.objects, c.on), c.changed);
        EXPECT_EQ(shapeSettingsOf(ball).inverse, c.ball);
        EXPECT_EQ(shapeSettingsOf(box).inverse, c.box);
        EXPECT_FALSE(shapeSettingsOf(lamp).inverse);
        if (c.step) expectStepUndoesTo(c.step, before);
    }
}

}  // namespace
