// Sweep: an outline drawn in the Plan view becomes a prism from one height
// to another.
#pragma once

#include <QDialog>

class QDoubleSpinBox;

class SweepDialog : public QDialog {
    Q_OBJECT
public:
    explicit SweepDialog(QWidget* parent = nullptr);
    double from() const;
    double to() const;

signals:
    // A height changed: what the sweep would make now.
    void heightsChanged(double from, double to);

private:
    QDoubleSpinBox* from_;
    QDoubleSpinBox* to_;
};
