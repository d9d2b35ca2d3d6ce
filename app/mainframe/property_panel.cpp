#include "mainframe/property_panel.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cstring>
#include <string>

#include "document/kalvex_doc.h"
#include "mainframe/qt_ui_table.h"
#include "document/scene_edits.h"
#include "views/bgr_colour.h"

namespace {

constexpr const auto& kFlags = KX_OBJECT_FLAGS;
// Shown in a number field whose objects differ; the field's lowest value stands for it.
const QString kDiffers = QStringLiteral("\u2014");
constexpr double kLowest = -1e5;

Point3d* fieldOf(CadObject* obj, int id) {
    switch (id) {
        case KX_PROP_SIZE: return &obj->size;
        case KX_PROP_EXTRA: return &obj->extraPoint;
        case KX_PROP_SCALE: return &obj->scale;
        case KX_PROP_ROTATE: return &obj->rotate;
        default: return &obj->translate;
    }
}

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
    auto* form = new QFormLayout(this);
    count_ = new QLabel(this);
    form->addRow(count_);
    type_ = new QLabel(this);
    form->addRow(tr("Type"), type_);
    name_ = new QLineEdit(this);
    name_->setMaxLength(31);
    form->addRow(tr("Name"), name_);
    colour_ = new QPushButton(tr("Colour..."), this);
    form->addRow(tr("Colour"), colour_);
    texture_ = new QComboBox(this);
    form->addRow(tr("Texture"), texture_);
    text_ = new QLineEdit(this);
    textLabel_ = new QLabel(tr("Text"), this);
    form->addRow(textLabel_, text_);
    const int ids[5] = {KX_PROP_SIZE, KX_PROP_EXTRA, KX_PROP_SCALE, KX_PROP_ROTATE, KX_PROP_TRANSLATE};
    const char* labels[5] = {"Size", "Extra", "Scale", "Rotate", "Translate"};
    for (int i = 0; i < 5; ++i) {
        rows_[i].id = ids[i];
        rows_[i].label = new QLabel(tr(labels[i]), this);
        form->addRow(rows_[i].label, makePointRow(rows_[i]));
    }
    auto* flagBox = new QWidget(this);
    auto* flagGrid = new QGridLayout(flagBox);
    flagGrid->setContentsMargins(0, 0, 0, 0);
    for (size_t i = 0; i < flags_.size(); ++i) {
        flags_[i] = new QCheckBox(tr(kFlags[i].name), flagBox);
        flagGrid->addWidget(flags_[i], static_cast<int>(i / 2), static_cast<int>(i % 2));
        const uint32_t bit = kFlags[i].flag;
        connect(flags_[i], &QCheckBox::clicked, this, [this, bit](bool on) { applyFlag(static_cast<int>(bit), on); });
    }
    form->addRow(tr("Flags"), flagBox);

    connect(name_, &QLineEdit::editingFinished, this, &PropertyPanel::applyName);
    connect(text_, &QLineEdit::editingFinished, this, &PropertyPanel::applyText);
    connect(colour_, &QPushButton::clicked, this, &PropertyPanel::chooseColour);
    connect(texture_, &QComboBox::activated, this, &PropertyPanel::applyTexture);
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
        spin = new QDoubleSpinBox(box);
        spin->setRange(kLowest, 1e5);
        spin->setSpecialValueText(kDiffers);
        spin->setDecimals(3);
        spin->setButtonSymbols(QAbstractSpinBox::NoButtons);
        spin->setMinimumWidth(48);
        spin->setKeyboardTracking(false);
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
    texture_->clear();
    texture_->addItem(tr("(none)"), 0);
    for (TextureInfo* t = GetTexture(nullptr); t; t = GetTexture(t))
        if (t->kind) texture_->addItem(kx::app::sceneText(t->name), t->kind);
    if (CadObject* first = object()) {
        int index = texture_->findText(kx::app::sceneText(first->material));
        if (index < 0 && first->materialType) {
            texture_->addItem(kx::app::sceneText(first->material), static_cast<int>(first->materialType));
            index = texture_->count() - 1;
        }
        const bool same = allSame(objects_, [](CadObject* o) { return std::string(o->material); });
        texture_->setCurrentIndex(same ? std::max(index, 0) : -1);
    }
}

void PropertyPanel::refresh() {
    filling_ = true;
    std::vector<CadObject*> now = CKalvexDoc::selectedObjects();
    // Typing in a field merges into one step only while the same objects are shown.
    if (now != objects_) doc_->history().seal();
    objects_ = std::move(now);
    const size_t n = objects_.size();
    setEnabled(n != 0);
    count_->setText(n == 0 ? QString() : n == 1 ? tr("1 object") : tr("%1 objects").arg(n));
    CadObject* obj = object();
    const bool sameType = obj && allSame(objects_, [](CadObject* o) { return o->type; });
    type_->setText(sameType ? QString::fromLatin1(GetObjectTypeName(static_cast<int>(obj->type)) ?: "") : n ? kDiffers : QString());
    // A name belongs to one object.
    name_->setEnabled(n == 1);
    name_->setText(n == 1 ? kx::app::sceneText(obj->name) : QString());
    const QColor colour = kx::app::bgrToColour(obj ? obj->rgb : 0xFFFFFF);
    colour_->setStyleSheet(allSame(objects_, [](CadObject* o) { return o->rgb; })
                               ? QStringLiteral("background-color: %1").arg(colour.name())
                               : QString());
    fillTextures();
    const bool isText = sameType && obj->type == KX_TEXT;
    text_->setVisible(isText);
    textLabel_->setVisible(isText);
    text_->setText(isText && allSame(objects_, textOf) ? kx::app::sceneText(textOf(obj).c_str()) : QString());
    // A camera keeps its target, right vector and up vector in the shape rows;
    // a light keeps the point it aims at in its extra row.
    const bool camera = sameType && obj->type == KX_CAMERA;
    rows_[0].label->setText(camera ? tr("Look at") : tr("Size"));
    rows_[1].label->setText(camera ? tr("Right") : sameType && obj->type == KX_LIGHT ? tr("Target") : tr("Extra"));
    rows_[3].label->setText(camera ? tr("Up") : tr("Rotate"));
    showPoints();
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
            auto axisOf = [&row, k](CadObject* o) {
                const Point3d p = *fieldOf(o, row.id);
                return k == 0 ? p.x : k == 1 ? p.y : p.z;
            };
            const bool same = !objects_.empty() && allSame(objects_, axisOf);
            row.spins[static_cast<size_t>(k)]->setValue(same ? axisOf(objects_.front()) : objects_.empty() ? 0 : kLowest);
        }
}

void PropertyPanel::changed() { doc_->edited(CKalvexDoc::Edited::Geometry); }

void PropertyPanel::applyName() {
    if (filling_ || objects_.size() != 1) return;
    if (kx::app::renameObject(doc_->history(), objects_.front(), name_->text().toUtf8().left(31).toStdString()))
        doc_->edited(CKalvexDoc::Edited::Selection);
}

void PropertyPanel::applyPoint(const PointRow& row, int axis) {
    if (filling_ || objects_.empty()) return;
    const double value = row.spins[static_cast<size_t>(axis)]->value();
    // The lowest value stands for "these differ": nothing was typed.
    if (value == kLowest) return;
    const bool camera = std::any_of(objects_.begin(), objects_.end(), [](CadObject* o) { return o->type == KX_CAMERA; });
    const std::string key = "panel " + std::to_string(row.id) + " " + std::to_string(axis);
    if (kx::app::setVectorProperty(doc_->history(), objects_, row.id, axis, Point3d{static_cast<float>(value), 0, 0}, key))
        doc_->edited(camera ? CKalvexDoc::Edited::Camera : CKalvexDoc::Edited::Geometry);
}

void PropertyPanel::applyFlag(int bit, bool on) {
    if (filling_ || objects_.empty()) return;
    if (kx::app::setObjectFlag(doc_->history(), objects_, static_cast<uint32_t>(bit), on)) changed();
}

void PropertyPanel::applyTexture(int index) {
    if (filling_ || objects_.empty() || index < 0) return;
    const int kind = texture_->itemData(index).toInt();
    const QByteArray name = texture_->itemText(index).toUtf8();
    if (kx::app::setObjectTexture(doc_->history(), objects_, name.toStdString(), kind)) changed();
}

void PropertyPanel::applyText() {
    if (filling_ || objects_.empty()) return;
    const std::string wanted = text_->text().toStdString();
    if (kx::app::setObjectText(doc_->history(), objects_, wanted)) changed();
}

void PropertyPanel::chooseColour() {
    if (objects_.empty()) return;
    const QColor chosen = QColorDialog::getColor(kx::app::bgrToColour(objects_.front()->rgb), this, tr("Object colour"));
    // The dialog let the scene change: the panel shows the selection again.
    if (!chosen.isValid() || objects_ != CKalvexDoc::selectedObjects() || objects_.empty()) return;
    if (kx::app::setObjectColour(doc_->history(), objects_, static_cast<unsigned>(chosen.red()),
                                 static_cast<unsigned>(chosen.green()), static_cast<unsigned>(chosen.blue())))
        changed();
}
