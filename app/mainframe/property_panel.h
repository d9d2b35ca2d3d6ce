// The properties of the selected objects: name, colour or texture, the shape
// values of their type, scale, rotation, position and flags. With several
// objects selected, a field whose values differ shows blank (or "—") until it
// is edited, and an edit applies to all of them as one undo step. Every
// change goes through the scene edit functions.
#pragma once

#include <QWidget>
#include <array>
#include <vector>

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

    // The first object shown, or null.
    CadObject* object() const { return objects_.empty() ? nullptr : objects_.front(); }
    // Every object shown: the selection.
    const std::vector<CadObject*>& objects() const { return objects_; }
    // Shows the selection's first object again.
    void refresh();

    // The rows of point values, by property id (Size, Extra, Scale, Rotate, Translate).
    QDoubleSpinBox* pointField(int id, int axis) const;
    QLineEdit* nameField() const { return name_; }
    // "3 objects", "1 object" or empty.
    QLabel* countLabel() const { return count_; }
    QCheckBox* flagField(size_t index) const { return flags_[index]; }

private:
    struct PointRow {
        int id;
        QLabel* label;
        std::array<QDoubleSpinBox*, 3> spins;
    };
    QWidget* makePointRow(PointRow& row);
    void applyName();
    void applyPoint(const PointRow& row, int axis);
    void showPoints();
    void applyFlag(int bit, bool on);
    void applyTexture(int index);
    void applyText();
    void chooseColour();
    void fillTextures();
    void changed();

    CKalvexDoc* doc_;
    std::vector<CadObject*> objects_;
    bool filling_ = false;
    QLabel* count_;
    QLabel* type_;
    QLineEdit* name_;
    QPushButton* colour_;
    QComboBox* texture_;
    QLineEdit* text_;
    QLabel* textLabel_;
    std::array<PointRow, 5> rows_;
    std::array<QCheckBox*, std::size(KX_OBJECT_FLAGS)> flags_;
};
