#include "dialogs/export_settings_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QVBoxLayout>
#include <iterator>

namespace {

struct Row {
    const char* label;
    int kx::app::ExportSettings::*field;
};
const Row kRows[7] = {
    {"Export curves", &kx::app::ExportSettings::saveCurves},
    {"Write a render batch file beside POV-Ray exports", &kx::app::ExportSettings::renderBatch},
    {"Saving a scene also exports it for POV-Ray", &kx::app::ExportSettings::autoSave},
    {"New scenes start with a camera and two lights", &kx::app::ExportSettings::useDefaults},
    {"Separate exported point values by commas", &kx::app::ExportSettings::commas},
    {"Export the selected objects only", &kx::app::ExportSettings::selected},
    {"Write POV-Ray 3 meshes as mesh2 (faster to parse)", &kx::app::ExportSettings::mesh2},
};

}  // namespace

ExportSettingsDialog::ExportSettingsDialog(const kx::app::ExportSettings& values, QWidget* parent)
    : QDialog(parent), base_(values) {
    setWindowTitle(tr("Export Settings"));
    auto* layout = new QVBoxLayout(this);
    for (size_t i = 0; i < std::size(kRows); ++i) {
        checks_[i] = new QCheckBox(tr(kRows[i].label), this);
        checks_[i]->setChecked(values.*kRows[i].field != 0);
        layout->addWidget(checks_[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

kx::app::ExportSettings ExportSettingsDialog::values() const {
    kx::app::ExportSettings out = base_;
    for (size_t i = 0; i < std::size(kRows); ++i) out.*kRows[i].field = checks_[i]->isChecked() ? 1 : 0;
    return out;
}
