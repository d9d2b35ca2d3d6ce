// The values a tool asks for before it builds, one number field each, made
// from the tool's declared parameters.
#pragma once

#include <QDialog>
#include <span>
#include <vector>

#include "plugins/builtin_tools.h"

class QDoubleSpinBox;

class ToolParametersDialog : public QDialog {
    Q_OBJECT
public:
    // values: one per parameter, the field's first value.
    ToolParametersDialog(const QString& tool, std::span<const kx::plugins::ToolParameter> parameters,
                         const std::vector<double>& values, QWidget* parent = nullptr);

    std::vector<double> values() const;
    QDoubleSpinBox* field(size_t i) const { return i < fields_.size() ? fields_[i] : nullptr; }

private:
    std::vector<QDoubleSpinBox*> fields_;
};
