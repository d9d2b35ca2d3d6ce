// Asks for three numbers: the offset of a move, the factors of a scale or the
// angles of a rotation of the selection.
#pragma once

#include <QDialog>
#include <array>

#include "kxcore.h"

class QDoubleSpinBox;

class TransformDialog : public QDialog {
    Q_OBJECT
public:
    enum Kind { Move, Scale, Rotate };
    TransformDialog(Kind kind, QWidget* parent = nullptr);

    Point3d value() const;
    void setValue(const Point3d& p);

    // Runs the dialog; true and the value when confirmed.
    static bool ask(Kind kind, QWidget* parent, Point3d& value);

private:
    std::array<QDoubleSpinBox*, 3> spins_;
};
