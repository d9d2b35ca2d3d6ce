// The properties of the selected object: name, colour or texture, the shape
// values of its type, scale, rotation, position and flags. Every change goes
// through the core's property functions, rebuilds the object, and all views
// show it.
#pragma once

#include <QWidget>
#include <array>

#include "kxcore.h"

class CKalvexDoc;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

class PropertyPanel : public QWidget {
    Q_OBJECT
public:
    explicit PropertyPanel(CKalvexDoc* doc, QWidget* parent = nullptr);

    // The object shown: the first selected one, or null.
    CadObject* object() const { return object_; }
    // Shows the selection's first object again.
    void refresh();

    // The rows of point values, by property id (Size, Extra, Scale, Rotate, Translate).
    QDoubleSpinBox* pointField(int id, int axis) const;
    QLineEdit* nameField() const { return name_; }

private:
    struct PointRow {
        int id;
        QLabel* label;
        std::array<QDoubleSpinBox*, 3> spins;
    };
    QWidget* makePointRow(PointRow& row);
    void applyName();
    void applyPoint(const PointRow& row);
    void applyFlag(int bit, bool on);
    void applyTexture(int index);
    void applyText();
    void chooseColour();
    void fillTextures();
    void changed();

    CKalvexDoc* doc_;
    CadObject* object_ = nullptr;
    bool filling_ = false;
    QLabel* type_;
    QLineEdit* name_;
    QPushButton* colour_;
    QComboBox* texture_;
    QLineEdit* text_;
    QLabel* textLabel_;
    std::array<PointRow, 5> rows_;
    std::array<QCheckBox*, std::size(KX_OBJECT_FLAGS)> flags_;
};
