#include "dialogs/lathe_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QSpinBox>

LatheDialog::LatheDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Lathe"));
    auto* form = new QFormLayout(this);
    // A full turn in 18 steps of 20 degrees.
    steps_ = new QSpinBox(this);
    steps_->setRange(1, 360);
    steps_->setValue(18);
    angle_ = new QDoubleSpinBox(this);
    angle_->setRange(-360, 360);
    angle_->setValue(20);
    angle_->setSuffix(QStringLiteral(" \u00b0"));
    facets_ = new QCheckBox(tr("Make facets (a solid of revolution)"), this);
    facets_->setChecked(true);
    form->addRow(tr("Steps"), steps_);
    form->addRow(tr("Angle per step"), angle_);
    form->addRow(facets_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    auto changed = [this] { emit sweepChanged(steps(), angle()); };
    connect(steps_, qOverload<int>(&QSpinBox::valueChanged), this, changed);
    connect(angle_, qOverload<double>(&QDoubleSpinBox::valueChanged), this, changed);
}

unsigned LatheDialog::steps() const { return static_cast<unsigned>(steps_->value()); }
double LatheDialog::angle() const { return angle_->value(); }
bool LatheDialog::facets() const { return facets_->isChecked(); }
