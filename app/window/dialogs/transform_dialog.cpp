#include "dialogs/transform_dialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>

TransformDialog::TransformDialog(Kind kind, QWidget* parent) : QDialog(parent) {
    static const char* const titles[] = {"Move Selection", "Scale Selection", "Rotate Selection"};
    static const char* const units[] = {"", "", " \xc2\xb0"};
    setWindowTitle(tr(titles[kind]));
    auto* form = new QFormLayout(this);
    const char* axes[3] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i) {
        spins_[i] = new QDoubleSpinBox(this);
        spins_[i]->setRange(-1e6, 1e6);
        spins_[i]->setDecimals(4);
        spins_[i]->setSuffix(QString::fromUtf8(units[kind]));
        spins_[i]->setValue(kind == Scale ? 1.0 : 0.0);
        form->addRow(tr(axes[i]), spins_[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

Point3d TransformDialog::value() const {
    return Point3d{static_cast<float>(spins_[0]->value()), static_cast<float>(spins_[1]->value()),
                   static_cast<float>(spins_[2]->value())};
}

void TransformDialog::setValue(const Point3d& p) {
    spins_[0]->setValue(p.x);
    spins_[1]->setValue(p.y);
    spins_[2]->setValue(p.z);
}

bool TransformDialog::ask(Kind kind, QWidget* parent, Point3d& value) {
    TransformDialog dialog(kind, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    value = dialog.value();
    return true;
}
