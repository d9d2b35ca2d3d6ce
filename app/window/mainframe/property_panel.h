// The properties of the selected objects: name, colour or texture, the shape
// values of their type, scale, rotation, position and flags (for lights and
// the camera only what means something for them), and a height field's
// image. With several objects selected, a field whose values differ shows
// blank (or "—") until it is edited, and an edit applies to all of them as
// one undo step. Every change goes through the scene edit functions.
#pragma once

#include <QColor>
#include <QWidget>
#include <array>
#include <vector>

#include "kxcore.h"

class CKalvexDoc;
class LightFields;
class ShapeFields;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class PropertyPanel : public QWidget {
    Q_OBJECT
public:
    explicit PropertyPanel(CKalvexDoc* doc, QWidget* parent = nullptr);

    // The first object shown, or null.
    CadObject* object() const { return objects_.empty() ? nullptr : objects_.front(); }
    // Every object shown: the selection, a group picked with its members counted once.
    const std::vector<CadObject*>& objects() const { return objects_; }
    // Shows the selection's first object again.
    void refresh();

    // The rows of point values, by property id (Size, Extra, Scale, Rotate, Translate).
    QDoubleSpinBox* pointField(int id, int axis) const;
    QLineEdit* nameField() const { return name_; }
    // "3 objects", "1 object" or empty.
    QLabel* countLabel() const { return count_; }
    QComboBox* textureField() const { return texture_; }
    // A group's CSG operation; shown for groups only.
    QComboBox* operationField() const { return operation_; }
    // A light's kind and the values of that kind; shown for lights only.
    LightFields* lightFields() const { return light_; }
    // The renderer's shapes' own values and the photons flags of solids.
    ShapeFields* shapeFields() const { return shape_; }
    QLineEdit* imageField() const { return image_; }
    // Why the last image given was refused; empty when it was taken.
    QString imageProblem() const;
    // Why the selected object renders as nothing (a blob without a surface,
    // a shape whose parameters the renderer refuses); empty when it renders.
    QString shapeNote() const;
    // Whether a row (by its field) is shown for the current object.
    bool rowShown(QWidget* field) const;
    QWidget* colourField() const;
    QWidget* flagField(uint32_t flag) const;

    // Gives the objects a colour. A textured object keeps its texture and is
    // only drawn in the colour; any other object takes the colour as its own.
    void applyColour(const QColor& colour);
    // Gives a height field the image file when the image can be read.
    bool applyImage(const QString& path);

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
    void applyOperation(int index);
    void applyText();
    void chooseColour();
    void chooseImage();
    void fillTextures();
    // Shows only the rows that mean something for the object's kind.
    void showRowsFor(const CadObject* obj);
    // The entry the texture control's text names, taken when there is one.
    void textureTyped();

    CKalvexDoc* doc_;
    std::vector<CadObject*> objects_;
    bool filling_ = false;
    QFormLayout* form_;
    QWidget* flagBox_;
    QWidget* imageBox_;
    QLineEdit* image_;
    QToolButton* browse_;
    QLabel* imageProblem_;
    QLabel* shapeNote_;
    QLabel* count_;
    QLabel* type_;
    QLineEdit* name_;
    QPushButton* colour_;
    QComboBox* texture_;
    QComboBox* operation_;
    LightFields* light_;
    ShapeFields* shape_;
    QLineEdit* text_;
    QLabel* textLabel_;
    std::array<PointRow, 5> rows_;
    std::array<QCheckBox*, std::size(KX_OBJECT_FLAGS)> flags_;
};
