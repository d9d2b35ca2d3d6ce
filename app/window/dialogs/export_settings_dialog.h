// The "Export" settings: what saving and exporting a scene also does.
#pragma once

#include <QDialog>
#include <array>

#include "settings/settings.h"

class QCheckBox;

class ExportSettingsDialog : public QDialog {
    Q_OBJECT
public:
    ExportSettingsDialog(const kx::app::ExportSettings& values, QWidget* parent = nullptr);
    kx::app::ExportSettings values() const;

private:
    kx::app::ExportSettings base_;
    std::array<QCheckBox*, 7> checks_;
};
