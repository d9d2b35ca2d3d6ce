// The "View" settings and the desktop choices about views: which views open
// at start, how they are laid out, what they show, and the default camera.
#pragma once

#include <QDialog>

#include "settings/settings.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

class ViewSettingsDialog : public QDialog {
    Q_OBJECT
public:
    ViewSettingsDialog(const kx::app::Settings& values, QWidget* parent = nullptr);
    // Copies the dialog's values into the settings.
    void apply(kx::app::Settings& settings) const;

private:
    QCheckBox* check(const QString& text, int value);

    QCheckBox *bounds_, *spotLights_, *viewLeft_, *showCamera_;
    QCheckBox *showIso_, *showFront_, *showPlan_, *showSide_, *autoTile_, *placeMultiple_, *noSplash_;
    QLineEdit *cameraPosition_, *cameraTarget_;
    QSpinBox* log_;
    // The shaded preview: the switch is labelled and enabled as the drawing library answers.
    QCheckBox *preview_, *autoRedraw_;
    QRadioButton *shaded_, *textured_;
};
