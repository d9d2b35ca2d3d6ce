// The lathe: turns the selected point objects about the y axis, as rings of
// points or, with facets, as a solid of revolution.
#pragma once

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QSpinBox;

class LatheDialog : public QDialog {
    Q_OBJECT
public:
    explicit LatheDialog(QWidget* parent = nullptr);
    unsigned steps() const;
    double angle() const;
    bool facets() const;

signals:
    // Steps or angle changed: what the lathe would make now.
    void sweepChanged(unsigned steps, double angle);

private:
    QSpinBox* steps_;
    QDoubleSpinBox* angle_;
    QCheckBox* facets_;
};
