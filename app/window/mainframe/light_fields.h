// The light part of the Properties panel: the kind of the selected lights
// and the values of that kind (a spot light's radius, falloff and
// tightness; an area light's adaptive depth, jitter and round shape),
// shadows and fading, and the object a light looks like. An area light's sides and samples are the panel's
// Extra row, which this part names for the kind.
#pragma once

#include <QWidget>
#include <vector>

#include "kxcore.h"

class CKalvexDoc;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLineEdit;

class LightFields : public QWidget {
    Q_OBJECT
public:
    LightFields(CKalvexDoc* doc, QWidget* parent = nullptr);

    // Shows the first light's values and the rows its kind has.
    void show(const std::vector<CadObject*>& lights);

    QComboBox* kindField() const { return kind_; }
    QDoubleSpinBox* valueField(int propertyId) const;
    QCheckBox* jitterField() const { return jitter_; }
    // The checkbox of one KX_LIGHT_* bit.
    QCheckBox* optionField(unsigned bit) const;
    QDoubleSpinBox* fadeDistanceField() const { return fadeDistance_; }
    QDoubleSpinBox* fadePowerField() const { return fadePower_; }
    QLineEdit* looksLikeField() const { return looksLike_; }
    bool rowShown(QWidget* field) const;

private:
    QDoubleSpinBox* addNumber(const QString& label, int propertyId, double high, int decimals);
    void applyValue(int propertyId, double value);
    void applyFade();

    CKalvexDoc* doc_;
    std::vector<CadObject*> lights_;
    bool filling_ = false;
    QFormLayout* form_;
    QComboBox* kind_;
    QDoubleSpinBox* radius_;
    QDoubleSpinBox* falloff_;
    QDoubleSpinBox* tightness_;
    QDoubleSpinBox* adaptive_;
    QCheckBox* jitter_;
    QCheckBox* shadowless_;
    QCheckBox* circular_;
    QCheckBox* orient_;
    QDoubleSpinBox* fadeDistance_;
    QDoubleSpinBox* fadePower_;
    QLineEdit* looksLike_;
};
