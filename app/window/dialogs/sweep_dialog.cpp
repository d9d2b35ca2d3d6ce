#include "dialogs/sweep_dialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>

namespace {

QDoubleSpinBox* heightField(QWidget* parent, double value) {
    auto* field = new QDoubleSpinBox(parent);
    field->setRange(-1e6, 1e6);
    field->setDecimals(3);
    field->setSingleStep(0.25);
    field->setValue(value);
    return field;
}

}  // namespace

SweepDialog::SweepDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Sweep"));
    auto* form = new QFormLayout(this);
    // The renderer's own default prism: from the ground to a unit above it.
    from_ = heightField(this, 0);
    to_ = heightField(this, 1);
    form->addRow(tr("From height"), from_);
    form->addRow(tr("To height"), to_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    auto changed = [this] { emit heightsChanged(from(), to()); };
    connect(from_, qOverload<double>(&QDoubleSpinBox::valueChanged), this, changed);
    connect(to_, qOverload<double>(&QDoubleSpinBox::valueChanged), this, changed);
}

double SweepDialog::from() const { return from_->value(); }
double SweepDialog::to() const { return to_->value(); }
