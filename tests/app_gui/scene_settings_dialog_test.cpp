// The Scene Settings dialog of the Render menu: what OK sets, what the next
// opening shows, the one undo step it makes, and values the renderer would
// refuse keeping the dialog open with the reason.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/colour_field.h"
#include "dialogs/scene_settings_dialog.h"
#include "document/scene_settings_edits.h"
#include "kxcore.h"
#include "window_fixture.h"

namespace {

template <typename T>
T* field(QWidget* dialog, const char* name) {
    T* found = dialog->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void choose(QWidget* dialog, const char* combo, const char* word) {
    QComboBox* c = field<QComboBox>(dialog, combo);
    if (!c) return;
    const int index = c->findData(QString::fromLatin1(word));
    EXPECT_GE(index, 0) << word;
    c->setCurrentIndex(index);
}

void tick(QWidget* dialog, const char* box, bool on = true) {
    if (QCheckBox* c = field<QCheckBox>(dialog, box)) c->setChecked(on);
}

void number(QWidget* dialog, const char* name, double v) {
    if (auto* s = field<QDoubleSpinBox>(dialog, name)) s->setValue(v);
}

void whole(QWidget* dialog, const char* name, int v) {
    if (auto* s = field<QSpinBox>(dialog, name)) s->setValue(v);
}

void colour(QWidget* dialog, const char* name, const char* rgb) {
    if (auto* c = field<ColourField>(dialog, name)) {
        EXPECT_TRUE(c->setText(QString::fromLatin1(rgb)));
    }
}

void pressOk(QWidget* dialog) {
    if (auto* buttons = field<QDialogButtonBox>(dialog, "buttons")) buttons->button(QDialogButtonBox::Ok)->click();
}

using Settings = std::vector<std::pair<const char*, const char*>>;

class SceneSettingsDialogTest : public kxtest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        emptyScene();
    }
    // Opens the dialog from the Render menu and runs `use` on it while it is shown.
    bool openFromMenu(const std::function<void(SceneSettingsDialog*)>& use) {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<SceneSettingsDialog*>(QApplication::activeModalWidget());
            opened = dialog != nullptr;
            if (!dialog) return;
            use(dialog);
            // Whatever use did, the dialog must not stay open.
            if (dialog->isVisible()) dialog->reject();
        });
        QAction* action = frame->action(QStringLiteral("renderSceneSettings"));
        if (!action) return false;
        action->trigger();
        return opened;
    }
};

TEST_F(SceneSettingsDialogTest, OkSetsTheSettingsAndTheNextOpeningShowsThem) {
    struct Case {
        const char* what;
        std::function<void(SceneSettingsDialog*)> enter;
        Settings wanted;
    };
    const Case cases[] = {
        {"ground fog",
         [](SceneSettingsDialog* d) {
             choose(d, "settingFog", "Ground");
             number(d, "settingFogDistance", 25);
             colour(d, "settingFogColour", "0.5 0.6 0.7");
             number(d, "settingFogOffset", 0.5);
             number(d, "settingFogAltitude", 2);
         },
         {{"Fog", "Ground"}, {"FogDistance", "25"}, {"FogColour", "0.5 0.6 0.7"}, {"FogOffset", "0.5"},
          {"FogAltitude", "2"}, {"FogTurbulence", ""}}},
        {"a radiosity preset, brighter",
         [](SceneSettingsDialog* d) {
             choose(d, "settingRadiosity", "Fast");
             tick(d, "useRadiosityBrightness");
             number(d, "settingRadiosityBrightness", 1.5);
             // Only a custom radiosity takes a count.
             tick(d, "useRadiosityCount");
         },
         {{"Radiosity", "Fast"}, {"RadiosityBrightness", "1.5"}, {"RadiosityCount", ""}}},
        {"photons by count",
         [](SceneSettingsDialog* d) {
             field<QComboBox>(d, "photonsMode")->setCurrentIndex(2);
             whole(d, "settingPhotonCount", 50000);
             tick(d, "usePhotonJitter");
             number(d, "settingPhotonJitter", 0.5);
         },
         {{"PhotonCount", "50000"}, {"PhotonSpacing", ""}, {"PhotonJitter", "0.5"}, {"PhotonAutostop", ""}}},
        {"a sky of three colours",
         [](SceneSettingsDialog* d) {
             field<QComboBox>(d, "skyMode")->setCurrentIndex(2);
             colour(d, "skyColour0", "0 0 0");
             colour(d, "skyColour1", "0.5 0.5 0.5");
             colour(d, "skyColour2", "0 0 1");
         },
         {{"SkyColours", "0 0 0 0.5 0.5 0.5 0 0 1"}}},
        {"a scattering media",
         [](SceneSettingsDialog* d) {
             choose(d, "settingMediaScattering", "Rayleigh");
             number(d, "settingMediaDensity", 0.2);
         },
         {{"MediaScattering", "Rayleigh"}, {"MediaDensity", "0.2"}, {"MediaColour", "0.5 0.5 0.5"}}},
        {"ambient light, the renderer's own gamma and a deeper trace",
         [](SceneSettingsDialog* d) {
             tick(d, "useAssumedGamma", false);
             tick(d, "useAmbientLight");
             colour(d, "settingAmbientLight", "0.1 0.2 0.3");
             tick(d, "useMaxTraceLevel");
             whole(d, "settingMaxTraceLevel", 10);
         },
         {{"AssumedGamma", ""}, {"AmbientLight", "0.1 0.2 0.3"}, {"MaxTraceLevel", "10"}}},
        {"focal blur on the selected box",
         [](SceneSettingsDialog* d) {
             choose(d, "settingCameraKind", "Orthographic");
             EXPECT_TRUE(d->focusOnSelection());
             number(d, "settingAperture", 0.3);
         },
         {{"CameraKind", "Orthographic"}, {"Aperture", "0.3"}, {"FocalPoint", "2 1 -3"}, {"BlurSamples", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        emptyScene();
        CadObject* box = addObject(KX_BOX, {2, 1, -3});
        SetObjectsUnSelected();
        AddSelectedObject(box);
        const std::vector<std::string> before = kx::app::sceneSettingsNow();
        ASSERT_TRUE(openFromMenu([&](SceneSettingsDialog* d) {
            c.enter(d);
            pressOk(d);
            EXPECT_FALSE(d->isVisible()) << d->problem().toStdString();
        }));
        for (const auto& [name, value] : c.wanted) EXPECT_EQ(kx::app::sceneSettingText(name), value) << name;
        EXPECT_EQ(doc()->history().undoName(), "Change Scene Settings");

        // The next opening shows every setting as it now is.
        std::vector<kx::app::SceneSettingValue> shown;
        ASSERT_TRUE(openFromMenu([&](SceneSettingsDialog* d) { shown = d->values(); }));
        for (const kx::app::SceneSettingValue& v : shown)
            EXPECT_EQ(v.value, kx::app::sceneSettingText(v.name.c_str())) << v.name;

        ASSERT_TRUE(doc()->undo());
        EXPECT_EQ(kx::app::sceneSettingsNow(), before);
    }
}

TEST_F(SceneSettingsDialogTest, AValueTheRendererRefusesKeepsTheDialogOpen) {
    struct Case {
        const char* what;
        std::function<void(SceneSettingsDialog*)> enter;
        const char* problem;
    };
    const Case cases[] = {
        {"a gamma of 0",
         [](SceneSettingsDialog* d) {
             tick(d, "useAssumedGamma");
             number(d, "settingAssumedGamma", 0);
         },
         "Global: Assumed gamma is out of range."},
        {"fog at no distance",
         [](SceneSettingsDialog* d) {
             choose(d, "settingFog", "Constant");
             number(d, "settingFogDistance", 0);
         },
         "Fog: Distance is out of range."},
        {"a media of no density",
         [](SceneSettingsDialog* d) {
             choose(d, "settingMediaScattering", "Isotropic");
             number(d, "settingMediaDensity", 0);
         },
         "Media: Density is out of range."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::string> before = kx::app::sceneSettingsNow();
        const size_t steps = doc()->history().size();
        SceneSettingsDialog dialog(doc()->history(), frame.get());
        dialog.show();
        c.enter(&dialog);
        pressOk(&dialog);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.problem().toStdString(), c.problem);
        EXPECT_EQ(kx::app::sceneSettingsNow(), before);
        EXPECT_EQ(doc()->history().size(), steps);
        dialog.reject();
    }
}

}  // namespace
