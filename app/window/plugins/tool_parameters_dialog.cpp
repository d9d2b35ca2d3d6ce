#include "plugins/tool_parameters_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>

#include "mainframe/number_field.h"

ToolParametersDialog::ToolParametersDialog(const QString& tool, const std::vector<ToolField>& fields, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("toolParameters"));
    setWindowTitle(tool);
    auto* form = new QFormLayout(this);
    for (const ToolField& f : fields) {
        auto* field = new NumberField(this);
        field->setObjectName(f.name);
        field->setDecimals(f.decimals);
        field->setRange(f.low, f.high);
        field->setValue(f.value);
        form->addRow(f.label, field);
        fields_.push_back(field);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

std::vector<double> ToolParametersDialog::values() const {
    std::vector<double> out;
    for (const QDoubleSpinBox* f : fields_) out.push_back(f->value());
    return out;
}
