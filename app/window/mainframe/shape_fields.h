// The part of the Properties panel for the renderer's own shapes: the values
// of the kind the selected objects share (a superellipsoid's exponents, the
// spline and profile of a lathe, surface of revolution, prism or sphere
// sweep, a prism's heights and conic sweep, an isosurface's function,
// container and accuracy, a julia fractal's parameter, iterations, precision
// and slice), and the photons flags of every solid. A value the renderer
// would refuse is not taken; the line below the fields says why.
#pragma once

#include <QWidget>
#include <cstdint>
#include <map>
#include <vector>

#include "kxcore.h"

class CKalvexDoc;
class ColourField;
class ProfileTable;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QSpinBox;

class ShapeFields : public QWidget {
    Q_OBJECT
public:
    ShapeFields(CKalvexDoc* doc, QWidget* parent = nullptr);

    // Shows the first object's values, the rows of the kind the objects
    // share (none when they are of different kinds or not such shapes), and
    // the photons flags when any of them is a solid.
    void show(const std::vector<CadObject*>& objects);

    // The spin box of a number field (its index-th for a list of numbers).
    QDoubleSpinBox* numberField(int propertyId, int index = 0) const;
    QComboBox* splineField() const { return spline_; }
    ProfileTable* profileField() const { return profile_; }
    QCheckBox* conicField() const { return conic_; }
    QLineEdit* functionField() const { return function_; }
    QComboBox* containerField() const { return container_; }
    QSpinBox* iterationsField() const { return iterations_; }
    QCheckBox* photonsField(unsigned bit) const;
    // Turns the solids inside out; shown for solids.
    QCheckBox* inverseField() const { return inverse_; }
    // The media a solid is filled with (None, Absorbing, Emitting, Scattering) and its colour.
    QComboBox* mediaField() const { return media_; }
    ColourField* mediaColourField() const { return mediaColour_; }
    // Whether the row of a field (by property id) is shown.
    bool rowShown(int propertyId) const;
    bool photonsShown() const;
    // Why the last value was not taken; empty when it was.
    QString refusal() const;

private:
    void addNumberRow(int propertyId, unsigned count);
    void fill();
    void applyNumbers(int propertyId);
    void applyInteger(int propertyId, int value, bool typed);
    void applyProfile(const std::vector<Point3d>& points, const std::vector<double>& radii);
    void applyPhotons(unsigned bit, bool on);
    void applyMedia();
    // Shows why a value was refused (nothing for none), and the stored values again.
    void answer(const std::string& refused);
    std::vector<CadObject*> shapes() const;

    CKalvexDoc* doc_;
    std::vector<CadObject*> objects_;
    uint32_t kind_ = 0;  // the renderer's shape kind all objects share, or 0
    uint32_t splinesFor_ = 0;
    bool filling_ = false;
    QFormLayout* form_;
    std::map<int, QWidget*> rows_;  // by property id
    std::map<int, std::vector<QDoubleSpinBox*>> numbers_;
    QComboBox* spline_;
    ProfileTable* profile_;
    QCheckBox* conic_;
    QLineEdit* function_;
    QComboBox* container_;
    QSpinBox* iterations_;
    QLabel* refusal_;
    QWidget* photonsBox_;
    std::vector<QCheckBox*> photons_;
    QCheckBox* inverse_;
    QWidget* mediaBox_;
    QComboBox* media_;
    ColourField* mediaColour_;
};
