#include "plugins/tool_parameters_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>

#include "mainframe/number_field.h"

ToolParametersDialog::ToolParametersDialog(const QString& tool, std::span<const kx::plugins::ToolParameter> parameters,
                                           const std::vector<double>& values, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("toolParameters"));
    setWindowTitle(tool);
    auto* form = new QFormLayout(this);
    for (size_t i = 0; i < parameters.size(); ++i) {
        const kx::plugins::ToolParameter& p = parameters[i];
        auto* field = new NumberField(this);
        field->setObjectName(QString::fromLatin1(p.property));
        field->setDecimals(p.decimals);
        field->setRange(p.low, p.high);
        field->setValue(i < values.size() ? values[i] : p.low);
        form->addRow(tr(p.label), field);
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
