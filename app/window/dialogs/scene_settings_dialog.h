// The renderer's scene settings in one dialog: global settings (assumed
// gamma, trace depth, ambient light), radiosity, photons, fog, an
// atmospheric media, a sky sphere, and the camera's kind and focal blur.
// Every field starts from the scene; a setting not set shows its group off
// or its box unticked, and is written to no export. OK sets them all as one
// undo step, or, when the renderer would refuse a value, stays open and
// says which and why.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "document/edit_history.h"
#include "document/scene_settings_edits.h"

class ColourField;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QSpinBox;

class SceneSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SceneSettingsDialog(kx::app::EditHistory& history, QWidget* parent = nullptr);

    // Every setting the dialog holds, "" for the ones it leaves unset.
    std::vector<kx::app::SceneSettingValue> values() const;
    // Why the last OK was refused; empty when it was taken.
    QString problem() const;
    // The focal point becomes the centre of the selected object's bounds;
    // false when nothing is selected.
    bool focusOnSelection();

    void accept() override;

private:
    // One setting: the editor that holds it, the box that sets it when it
    // may stay unset, and whether its group is on.
    struct Row {
        const char* setting;
        QString name;  // for messages: "Fog: Distance"
        QWidget* editor;
        QCheckBox* use;
        std::function<QString()> read;
        std::function<void(const QString&)> write;
        std::function<bool()> active;
    };
    enum class Use { Always, Optional };

    // active, when given, says when the row's editor is enabled.
    void addRow(QFormLayout* form, const QString& group, const QString& label, Row row, Use use,
                std::function<bool()> active = {});
    // The row of a setting of each kind, its editor made and showing `start`.
    Row numberRow(const char* setting, double low, double high, double start);
    Row wholeRow(const char* setting, int low, int high, int start);
    Row colourRow(const char* setting, double high, const char* start);
    // "off" (the setting unset) first, then the setting's words.
    Row wordsRow(const char* setting, const QString& off);
    // A combo of group modes or words shows something other than "off".
    static bool chosen(const QComboBox* combo);

    QGroupBox* globalGroup();
    QGroupBox* radiosityGroup();
    QGroupBox* photonsGroup();
    QGroupBox* fogGroup();
    QGroupBox* mediaGroup();
    QGroupBox* skyGroup();
    QGroupBox* cameraGroup();
    // Shows each row's setting from the scene, and each group's mode.
    void load();
    // Rows of groups that are off, and unticked rows, cannot be edited.
    void updateEnabled();

    kx::app::EditHistory& history_;
    std::vector<Row> rows_;
    QComboBox* radiosity_ = nullptr;
    QComboBox* photonsMode_ = nullptr;
    QComboBox* fog_ = nullptr;
    QComboBox* media_ = nullptr;
    QComboBox* skyMode_ = nullptr;
    ColourField* sky_[3] = {};
    QCheckBox* focalBlur_ = nullptr;
    QDoubleSpinBox* focal_[3] = {};
    QCheckBox* focalUse_ = nullptr;
    QLabel* problem_ = nullptr;
};
