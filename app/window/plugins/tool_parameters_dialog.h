// The values a tool asks for before it builds, one number field each, made
// from the tool's declared parameters (a built-in tool's table, a plug-in's
// listed properties).
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

class QDoubleSpinBox;

struct ToolField {
    QString name;   // the property it sets
    QString label;  // as the dialog shows it
    double low, high;
    int decimals;   // 0 for a whole number
    double value;   // shown first
};

class ToolParametersDialog : public QDialog {
    Q_OBJECT
public:
    ToolParametersDialog(const QString& tool, const std::vector<ToolField>& fields, QWidget* parent = nullptr);

    std::vector<double> values() const;
    QDoubleSpinBox* field(size_t i) const { return i < fields_.size() ? fields_[i] : nullptr; }

private:
    std::vector<QDoubleSpinBox*> fields_;
};
