#include "mainframe/property_panel.h"

#include "model/scene_snapshot.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCompleter>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>
#include <cstring>
#include <string>

#include "document/csg_edits.h"
#include "document/kalvex_doc.h"
#include "mainframe/csg_icons.h"
#include "document/light_edits.h"
#include "mainframe/light_fields.h"
#include "mainframe/height_field_image.h"
#include "mainframe/number_field.h"
#include "mainframe/qt_ui_table.h"
#include "mainframe/shape_fields.h"
#include "document/scene_edits.h"
#include "views/bgr_colour.h"

namespace {

constexpr const auto& kFlags = KX_OBJECT_FLAGS;
// Shown in a number field whose objects differ; the field's lowest value stands for it.
const QString kDiffers = QStringLiteral("\u2014");

// The text of a text object's TextString field.
std::string textOf(CadObject* obj) {
    char field[KX_EXTRA_TEXT_MAX + 1] = {};
    if (!GetObjectExtraString(obj, KX_PROP_TEXTSTRING, field)) return {};
    return GetTextObject(field, nullptr);
}

// True when every object gives the same value.
template <typename F>
bool allSame(const std::vector<CadObject*>& objects, F&& value) {
    for (CadObject* o : objects)
        if (!(value(o) == value(objects.front()))) return false;
    return true;
}

}  // namespace

PropertyPanel::PropertyPanel(CKalvexDoc* doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    form_ = new QFormLayout(this);
    QFormLayout* form = form_;
    count_ = new QLabel(this);
    form->addRow(count_);
    type_ = new QLabel(this);
    form->addRow(tr("Type"), type_);
    name_ = new QLineEdit(this);
    name_->setMaxLength(31);
    form->addRow(tr("Name"), name_);
    operation_ = new QComboBox(this);
    operation_->setObjectName(QStringLiteral("operationField"));
    for (const kx::app::CsgOperationName& op : kx::app::kCsgOperations)
        operation_->addItem(kx::app::csgIcon(op.operation), tr(op.label), static_cast<int>(op.operation));
    operation_->setToolTip(tr("How the group's members make one solid; a difference keeps the first member "
                              "and cuts the others away"));
    form->addRow(tr("Operation"), operation_);
    light_ = new LightFields(doc_, this);
    light_->setObjectName(QStringLiteral("lightFields"));
    form->addRow(light_);
    shape_ = new ShapeFields(doc_, this);
    shape_->setObjectName(QStringLiteral("shapeFields"));
    form->addRow(shape_);
    colour_ = new QPushButton(tr("Colour..."), this);
    colour_->setObjectName(QStringLiteral("colourButton"));
    form->addRow(tr("Colour"), colour_);
    // The texture list is long: typing part of a name narrows it.
    texture_ = new QComboBox(this);
    texture_->setObjectName(QStringLiteral("textureField"));
    texture_->setEditable(true);
    texture_->setInsertPolicy(QComboBox::NoInsert);
    texture_->setMaxVisibleItems(20);
    auto* completer = new QCompleter(texture_->model(), texture_);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    texture_->setCompleter(completer);
    form->addRow(tr("Texture"), texture_);
    text_ = new QLineEdit(this);
    textLabel_ = new QLabel(tr("Text"), this);
    form->addRow(textLabel_, text_);
    imageBox_ = new QWidget(this);
    auto* imageRow = new QHBoxLayout(imageBox_);
    imageRow->setContentsMargins(0, 0, 0, 0);
    image_ = new QLineEdit(imageBox_);
    image_->setObjectName(QStringLiteral("imageField"));
    browse_ = new QToolButton(imageBox_);
    browse_->setText(QStringLiteral("..."));
    browse_->setToolTip(tr("Choose the height field's image"));
    imageRow->addWidget(image_, 1);
    imageRow->addWidget(browse_);
    form->addRow(tr("Image"), imageBox_);
    imageProblem_ = new QLabel(this);
    imageProblem_->setWordWrap(true);
    imageProblem_->setStyleSheet(QStringLiteral("color: #b00000"));
    imageProblem_->hide();
    form->addRow(QString(), imageProblem_);
    shapeNote_ = new QLabel(this);
    shapeNote_->setObjectName(QStringLiteral("shapeNote"));
    shapeNote_->setWordWrap(true);
    shapeNote_->setStyleSheet(QStringLiteral("color: #b00000"));
    form->addRow(QString(), shapeNote_);
    const int ids[5] = {KX_PROP_SIZE, KX_PROP_EXTRA, KX_PROP_SCALE, KX_PROP_ROTATE, KX_PROP_TRANSLATE};
    const char* labels[5] = {"Size", "Extra", "Scale", "Rotate", "Translate"};
    for (int i = 0; i < 5; ++i) {
        rows_[i].id = ids[i];
        rows_[i].label = new QLabel(tr(labels[i]), this);
        form->addRow(rows_[i].label, makePointRow(rows_[i]));
    }
    flagBox_ = new QWidget(this);
    auto* flagGrid = new QGridLayout(flagBox_);
    flagGrid->setContentsMargins(0, 0, 0, 0);
    for (size_t i = 0; i < flags_.size(); ++i) {
        flags_[i] = new QCheckBox(tr(kFlags[i].name), flagBox_);
        flagGrid->addWidget(flags_[i], static_cast<int>(i / 2), static_cast<int>(i % 2));
        const uint32_t bit = kFlags[i].flag;
        connect(flags_[i], &QCheckBox::clicked, this, [this, bit](bool on) { applyFlag(static_cast<int>(bit), on); });
    }
    form->addRow(tr("Flags"), flagBox_);

    connect(name_, &QLineEdit::editingFinished, this, &PropertyPanel::applyName);
    connect(text_, &QLineEdit::editingFinished, this, &PropertyPanel::applyText);
    connect(colour_, &QPushButton::clicked, this, &PropertyPanel::chooseColour);
    connect(texture_, &QComboBox::activated, this, &PropertyPanel::applyTexture);
    connect(operation_, &QComboBox::activated, this, &PropertyPanel::applyOperation);
    connect(texture_->lineEdit(), &QLineEdit::editingFinished, this, &PropertyPanel::textureTyped);
    connect(completer, qOverload<const QString&>(&QCompleter::activated), this, [this](const QString& name) {
        const int index = texture_->findText(name, Qt::MatchFixedString);
        if (index < 0) return;
        texture_->setCurrentIndex(index);
        applyTexture(index);
    });
    connect(image_, &QLineEdit::editingFinished, this, [this] {
        if (!filling_ && object() && image_->text().toStdString() != kx::app::heightFieldImageOf(object()))
            applyImage(image_->text());
    });
    connect(browse_, &QToolButton::clicked, this, &PropertyPanel::chooseImage);
    connect(doc_, &CKalvexDoc::selectionUpdated, this, &PropertyPanel::refresh);
    connect(doc_, &CKalvexDoc::geometryUpdated, this, &PropertyPanel::refresh);
    connect(doc_, &CKalvexDoc::objectsMovedBy, this, &PropertyPanel::refresh);
    connect(doc_, &CKalvexDoc::sceneReplaced, this, &PropertyPanel::refresh);
    refresh();
}

QWidget* PropertyPanel::makePointRow(PointRow& row) {
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    for (int axis = 0; axis < 3; ++axis) {
        QDoubleSpinBox*& spin = row.spins[static_cast<size_t>(axis)];
        spin = new NumberField(box);
        spin->setSpecialValueText(kDiffers);
        layout->addWidget(spin);
        const PointRow* r = &row;
        connect(spin, &QDoubleSpinBox::valueChanged, this, [this, r, axis] { applyPoint(*r, axis); });
    }
    return box;
}

QDoubleSpinBox* PropertyPanel::pointField(int id, int axis) const {
    for (const PointRow& row : rows_)
        if (row.id == id) return row.spins[static_cast<size_t>(axis)];
    return nullptr;
}

void PropertyPanel::fillTextures() {
    // The list is not rebuilt under the user's fingers while a name is typed.
    if (!texture_->lineEdit()->hasFocus()) {
        texture_->clear();
        texture_->addItem(tr("(none)"), 0);
        for (TextureInfo* t = GetTexture(nullptr); t; t = GetTexture(t))
            if (t->kind) texture_->addItem(kx::app::sceneText(t->name), t->kind);
    }
    CadObject* first = object();
    int index = 0;
    if (first && (first->materialType & KX_TEXTURE_TEXTURE)) {
        // A texture the list does not know (a scene's own) is shown as it is.
        index = texture_->findText(kx::app::sceneText(first->material), Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index < 0) {
            texture_->addItem(kx::app::sceneText(first->material), static_cast<int>(first->materialType));
            index = texture_->count() - 1;
        }
    } else if (first && first->materialType) {
        // A named colour of the list is shown by its name; a colour mixed in
        // the colour dialog has no entry and is shown by the colour button.
        index = std::max(0, texture_->findText(kx::app::sceneText(first->material),
                                               Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
    if (!allSame(objects_, [](CadObject* o) { return std::string(o->material); })) index = -1;
    texture_->setCurrentIndex(index);
    texture_->setEditText(index < 0 ? QString() : texture_->itemText(index));
}

void PropertyPanel::showRowsFor(const CadObject* obj) {
    const unsigned type = obj ? obj->type : 0;
    const bool light = type == KX_LIGHT, camera = type == KX_CAMERA, heightField = type == KX_HEIGHTFIELD;
    // A group is a name and an operation on its members; their own fields
    // are shown when a member is picked, never written through the group.
    const bool group = type == KX_GROUP;
    form_->setRowVisible(operation_, group);
    form_->setRowVisible(light_, light);
    // It shows the rows of a shape kind, and the photons flags of any solid, itself.
    form_->setRowVisible(shape_, !light && !camera && !group);
    const kx::app::LightKind kind = light ? kx::app::lightSettingsOf(const_cast<CadObject*>(obj)).kind
                                          : kx::app::LightKind::Point;
    // A light is a point with a colour and, for a spot, a target; the camera
    // is its location, look-at point, right and up vectors. Neither has a
    // texture, a scale or a turn of its own.
    form_->setRowVisible(colour_, !camera && !group);
    form_->setRowVisible(texture_, !light && !camera && !group);
    form_->setRowVisible(text_, type == KX_TEXT);
    form_->setRowVisible(imageBox_, heightField);
    form_->setRowVisible(imageProblem_, heightField && !imageProblem_->text().isEmpty());
    form_->setRowVisible(rows_[0].label, !light && !group);
    // A point light has no extra point; a spot light aims at it; an area
    // light's two sides and its samples each way stand there.
    form_->setRowVisible(rows_[1].label, !group && !(light && kind == kx::app::LightKind::Point));
    form_->setRowVisible(rows_[2].label, !light && !camera && !group);
    form_->setRowVisible(rows_[3].label, !light && !group);
    form_->setRowVisible(rows_[4].label, !group);
    form_->setRowVisible(flagBox_, !camera && !group);
    for (size_t i = 0; i < flags_.size(); ++i) {
        const uint32_t f = kFlags[i].flag;
        flags_[i]->setVisible(!light || f == KX_FLAG_VISIBLE || f == KX_FLAG_NOEXPORT);
    }
    rows_[0].label->setText(camera ? tr("Look at") : tr("Size"));
    rows_[1].label->setText(camera                                      ? tr("Right")
                            : light && kind == kx::app::LightKind::Area ? tr("Sides, samples")
                            : light                                     ? tr("Target")
                                                                        : tr("Extra"));
    rows_[3].label->setText(camera ? tr("Up") : tr("Rotate"));
    rows_[4].label->setText(light || camera ? tr("Location") : tr("Translate"));
}

bool PropertyPanel::rowShown(QWidget* field) const { return field && field->isVisibleTo(this); }

QWidget* PropertyPanel::colourField() const { return colour_; }

QWidget* PropertyPanel::flagField(uint32_t flag) const {
    for (size_t i = 0; i < flags_.size(); ++i)
        if (kFlags[i].flag == flag) return flags_[i];
    return nullptr;
}

QString PropertyPanel::imageProblem() const { return imageProblem_->text(); }

QString PropertyPanel::shapeNote() const { return shapeNote_->isVisibleTo(this) ? shapeNote_->text() : QString(); }

void PropertyPanel::refresh() {
    filling_ = true;
    std::vector<CadObject*> now = kx::app::outermostSelected();
    // Typing in a field merges into one step only while the same objects are shown.
    if (now != objects_) {
        doc_->history().sealKeysStarting("panel ");
        imageProblem_->clear();
    }
    objects_ = std::move(now);
    const size_t n = objects_.size();
    setEnabled(n != 0);
    count_->setText(n == 0 ? QString() : n == 1 ? tr("1 object") : tr("%1 objects").arg(n));
    CadObject* obj = object();
    const bool sameType = obj && allSame(objects_, [](CadObject* o) { return o->type; });
    type_->setText(sameType ? QString::fromLatin1(GetObjectTypeName(static_cast<int>(obj->type)) ?: "")
                   : n      ? kDiffers
                            : QString());
    // A name belongs to one object.
    name_->setEnabled(n == 1);
    name_->setText(n == 1 ? kx::app::sceneText(obj->name) : QString());
    const QColor colour = kx::app::bgrToColour(obj ? obj->rgb : 0xFFFFFF);
    colour_->setStyleSheet(allSame(objects_, [](CadObject* o) { return o->rgb; })
                               ? QStringLiteral("background-color: %1").arg(colour.name())
                               : QString());
    fillTextures();
    const bool groups = sameType && obj->type == KX_GROUP;
    const bool sameOperation = groups && allSame(objects_, kx::app::csgOperationOf);
    operation_->setCurrentIndex(
        sameOperation ? operation_->findData(static_cast<int>(kx::app::csgOperationOf(obj))) : -1);
    const bool isText = sameType && obj->type == KX_TEXT;
    text_->setText(isText && allSame(objects_, textOf) ? kx::app::sceneText(textOf(obj).c_str()) : QString());
    const bool heightField = sameType && n == 1 && obj->type == KX_HEIGHTFIELD;
    image_->setText(heightField ? QString::fromStdString(kx::app::heightFieldImageOf(obj)) : QString());
    // Rows are shown for the kind the objects share; mixed kinds show them all.
    showRowsFor(sameType ? obj : nullptr);
    form_->setRowVisible(imageBox_, heightField);
    const bool noSurface = n == 1 && kx::app::blobWithoutSurface(*obj);
    char problem[256] = {};
    const bool refusedShape = n == 1 && GetShapeProblem(obj, problem, sizeof problem);
    shapeNote_->setText(noSurface ? tr("The renderer draws nothing for this blob: its threshold (Extra X) must be "
                                       "above 0 and below its strength (Extra Y, 1 when 0).")
                        : refusedShape ? tr("The renderer refuses this shape: it %1. The views draw its container, "
                                            "and POV-Ray exports leave it out.")
                                             .arg(QString::fromUtf8(problem))
                                       : QString());
    form_->setRowVisible(shapeNote_, noSurface || refusedShape);
    showPoints();
    std::vector<CadObject*> lights;
    for (CadObject* o : objects_)
        if (o->type == KX_LIGHT) lights.push_back(o);
    light_->show(lights);
    shape_->show(objects_);
    for (size_t i = 0; i < flags_.size(); ++i) {
        const uint32_t bit = kFlags[i].flag;
        const bool same = allSame(objects_, [bit](CadObject* o) { return (o->flags & bit) != 0; });
        flags_[i]->setTristate(!same);
        flags_[i]->setCheckState(!same ? Qt::PartiallyChecked : obj && (obj->flags & bit) ? Qt::Checked : Qt::Unchecked);
    }
    filling_ = false;
}

void PropertyPanel::showPoints() {
    for (PointRow& row : rows_)
        for (int k = 0; k < 3; ++k) {
            QDoubleSpinBox* spin = row.spins[static_cast<size_t>(k)];
            auto axisOf = [&row, k](CadObject* o) {
                const Point3d p = *kx::app::vectorField(o, row.id);
                return k == 0 ? p.x : k == 1 ? p.y : p.z;
            };
            const bool same = !objects_.empty() && allSame(objects_, axisOf);
            spin->setValue(same ? axisOf(objects_.front()) : objects_.empty() ? 0 : spin->minimum());
        }
}

void PropertyPanel::applyName() {
    if (filling_ || objects_.size() != 1) return;
    kx::app::renameObject(doc_->history(), objects_.front(), name_->text().toUtf8().left(31).toStdString());
}

void PropertyPanel::applyPoint(const PointRow& row, int axis) {
    if (filling_ || objects_.empty()) return;
    QDoubleSpinBox* spin = row.spins[static_cast<size_t>(axis)];
    const double value = spin->value();
    // The lowest value stands for "these differ": nothing was typed.
    if (value == spin->minimum()) return;
    const std::string key = "panel " + std::to_string(row.id) + " " + std::to_string(axis);
    kx::app::setVectorProperty(doc_->history(), objects_, row.id, axis, Point3d{static_cast<float>(value), 0, 0}, key);
}

void PropertyPanel::applyFlag(int bit, bool on) {
    if (filling_ || objects_.empty()) return;
    kx::app::setObjectFlag(doc_->history(), objects_, static_cast<uint32_t>(bit), on);
}

void PropertyPanel::applyTexture(int index) {
    if (filling_ || objects_.empty() || index < 0) return;
    const int kind = texture_->itemData(index).toInt();
    const QByteArray name = texture_->itemText(index).toUtf8();
    kx::app::setObjectTexture(doc_->history(), objects_, name.toStdString(), kind);
}

void PropertyPanel::applyOperation(int index) {
    if (filling_ || objects_.empty() || index < 0) return;
    const auto operation = static_cast<kx::app::CsgOperation>(operation_->itemData(index).toInt());
    kx::app::setGroupOperation(doc_->history(), objects_, operation);
}

void PropertyPanel::applyText() {
    if (filling_ || objects_.empty()) return;
    const std::string wanted = text_->text().toStdString();
    kx::app::setObjectText(doc_->history(), objects_, wanted);
}

void PropertyPanel::chooseColour() {
    if (objects_.empty()) return;
    const QColor chosen = QColorDialog::getColor(kx::app::bgrToColour(objects_.front()->rgb), this, tr("Object colour"));
    // The dialog let the scene change: the panel shows the selection again.
    if (objects_ != kx::app::outermostSelected()) return;
    applyColour(chosen);
}

void PropertyPanel::applyColour(const QColor& chosen) {
    if (!chosen.isValid() || objects_.empty()) return;
    kx::app::setObjectColour(doc_->history(), objects_, static_cast<unsigned>(chosen.red()),
                             static_cast<unsigned>(chosen.green()), static_cast<unsigned>(chosen.blue()));
}

void PropertyPanel::textureTyped() {
    CadObject* first = object();
    if (filling_ || !first) return;
    const QString typed = texture_->currentText().trimmed();
    const int index = texture_->findText(typed, Qt::MatchFixedString);
    if (index < 0) {
        // Nothing of that name: the object keeps what it has, and says so.
        texture_->setEditText(texture_->itemText(texture_->currentIndex()));
        return;
    }
    const QString current = first->materialType ? kx::app::sceneText(first->material) : QString();
    if (texture_->itemText(index) == current || (index == 0 && !(first->materialType & KX_TEXTURE_TEXTURE) &&
                                                 texture_->currentIndex() == 0))
        return;
    texture_->setCurrentIndex(index);
    applyTexture(index);
}

void PropertyPanel::chooseImage() {
    CadObject* first = object();
    if (!first || first->type != KX_HEIGHTFIELD) return;
    const QString chosen = kx::app::askHeightFieldImage(this, image_->text());
    if (chosen.isEmpty()) return;
    image_->setText(chosen);
    applyImage(chosen);
}

bool PropertyPanel::applyImage(const QString& path) {
    CadObject* first = object();
    if (objects_.size() != 1 || !first || first->type != KX_HEIGHTFIELD) return false;
    const std::string file = path.trimmed().toStdString();
    const std::string current = kx::app::heightFieldImageOf(first);
    std::string problem = file.size() > KX_EXTRA_TEXT_MAX ? "The file name is too long" : std::string();
    if (problem.empty()) problem = kx::app::heightFieldImageProblem(file);
    imageProblem_->setText(QString::fromStdString(problem));
    form_->setRowVisible(imageProblem_, !problem.empty());
    if (!problem.empty()) {
        // The height field keeps the image it had.
        image_->setText(QString::fromStdString(current));
        return false;
    }
    if (file == current) return true;
    return kx::app::setHeightFieldImage(doc_->history(), first, file);
}
