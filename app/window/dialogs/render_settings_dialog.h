// The "Render" settings: which renderer, image size, quality and the options
// its command line carries.
#pragma once

#include <QDialog>

#include "render/renderer_definitions.h"
#include "settings/settings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

class RenderSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // `reason`, when given, is a line above the settings saying why they are shown.
    RenderSettingsDialog(const kx::app::RenderSettings& values, const kx::app::RendererList& renderers,
                         const QString& reason = {}, QWidget* parent = nullptr);
    kx::app::RenderSettings values() const;

private:
    kx::app::RenderSettings base_;
    QComboBox* renderer_;
    QSpinBox* width_;
    QSpinBox* height_;
    QSpinBox* quality_;
    QCheckBox* antiAlias_;
    QCheckBox* userBreak_;
    QCheckBox* shortNames_;
    QCheckBox* waitForExit_;
    QCheckBox* show_;
    QLineEdit* flags_;
};
