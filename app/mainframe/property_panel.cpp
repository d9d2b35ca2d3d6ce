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
#include <cstring>
#include <string>

#include "document/kalvex_doc.h"
#include "mainframe/qt_ui_table.h"
#include "preview/scene_lock.h"
#include "views/bgr_colour.h"

namespace {

constexpr const auto& kFlags = KX_OBJECT_FLAGS;

Point3d* fieldOf(CadObject* obj, int id) {
    switch (id) {
        case KX_PROP_SIZE: return &obj->size;
        case KX_PROP_EXTRA: return &obj->extraPoint;
        case KX_PROP_SCALE: return &obj->scale;
        case KX_PROP_ROTATE: return &obj->rotate;
        default: return &obj->translate;
    }
}

// Objects whose mesh the core can build again from their parameters; the
// others (meshes, points, groups) are moved, turned and scaled as they are.
bool rebuildable(const CadObject* obj) { return obj->type >= KX_LIGHT && obj->type <= KX_TEXT; }

// The text of a text object's TextString field, and what follows it (the font).
std::pair<std::string, std::string> textParts(CadObject* obj) {
    char field[KX_EXTRA_TEXT_MAX + 1] = {};
    if (!GetObjectExtraString(obj, KX_PROP_TEXTSTRING, field)) return {};
    std::string text = GetTextObject(field, nullptr);
    std::string all = field;
    return {text, all.size() >= text.size() ? all.substr(text.size()) : std::string()};
}

}  // namespace

PropertyPanel::PropertyPanel(CKalvexDoc* doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    auto* form = new QFormLayout(this);
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
        connect(flags_[i], &QCheckBox::toggled, this, [this, bit](bool on) { applyFlag(static_cast<int>(bit), on); });
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
    for (auto& spin : row.spins) {
        spin = new QDoubleSpinBox(box);
        spin->setRange(-1e5, 1e5);
        spin->setDecimals(3);
        spin->setButtonSymbols(QAbstractSpinBox::NoButtons);
        spin->setMinimumWidth(48);
        spin->setKeyboardTracking(false);
        layout->addWidget(spin);
        const PointRow* r = &row;
        connect(spin, &QDoubleSpinBox::valueChanged, this, [this, r] { applyPoint(*r); });
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
    if (object_) {
        int index = texture_->findText(kx::app::sceneText(object_->material));
        if (index < 0 && object_->materialType) {
            texture_->addItem(kx::app::sceneText(object_->material), static_cast<int>(object_->materialType));
            index = texture_->count() - 1;
        }
        texture_->setCurrentIndex(std::max(index, 0));
    }
}

void PropertyPanel::refresh() {
    filling_ = true;
    object_ = GetNextSelectedObject(nullptr);
    setEnabled(object_ != nullptr);
    CadObject* obj = object_;
    type_->setText(obj ? QString::fromLatin1(GetObjectTypeName(static_cast<int>(obj->type)) ?: "") : QString());
    name_->setText(obj ? kx::app::sceneText(obj->name) : QString());
    const QColor colour = kx::app::bgrToColour(obj ? obj->rgb : 0xFFFFFF);
    colour_->setStyleSheet(QStringLiteral("background-color: %1").arg(colour.name()));
    fillTextures();
    const bool isText = obj && obj->type == KX_TEXT;
    text_->setVisible(isText);
    textLabel_->setVisible(isText);
    text_->setText(isText ? kx::app::sceneText(textParts(obj).first.c_str()) : QString());
    // A camera keeps its target, right vector and up vector in the shape rows;
    // a light keeps the point it aims at in its extra row.
    const bool camera = obj && obj->type == KX_CAMERA;
    rows_[0].label->setText(camera ? tr("Look at") : tr("Size"));
    rows_[1].label->setText(camera ? tr("Right") : obj && obj->type == KX_LIGHT ? tr("Target") : tr("Extra"));
    rows_[3].label->setText(camera ? tr("Up") : tr("Rotate"));
    for (PointRow& row : rows_) {
        const Point3d p = obj ? *fieldOf(obj, row.id) : Point3d{};
        const float v[3] = {p.x, p.y, p.z};
        for (int k = 0; k < 3; ++k) row.spins[k]->setValue(v[k]);
    }
    for (size_t i = 0; i < flags_.size(); ++i) flags_[i]->setChecked(obj && (obj->flags & kFlags[i].flag));
    filling_ = false;
}

void PropertyPanel::changed() {
    doc_->geometryChanged();
    doc_->selectionChanged();
}

void PropertyPanel::applyName() {
    if (filling_ || !object_) return;
    const QByteArray name = name_->text().toUtf8().left(31);
    if (name.isEmpty() || name == object_->name) return;
    kx::app::SceneChange change;
    if (!change.owns()) return;
    SetCadObjectProperty(object_, KX_PROP_NAME, name.constData());
    doc_->setModified(true);
    doc_->selectionChanged();
}

void PropertyPanel::applyPoint(const PointRow& row) {
    if (filling_ || !object_) return;
    CadObject* obj = object_;
    Point3d v{static_cast<float>(row.spins[0]->value()), static_cast<float>(row.spins[1]->value()),
              static_cast<float>(row.spins[2]->value())};
    const Point3d old = *fieldOf(obj, row.id);
    if (v.x == old.x && v.y == old.y && v.z == old.z) return;
    kx::app::SceneChange change;
    if (!change.owns()) return;
    if (obj->type == KX_CAMERA) {
        CameraInfo* camera = GetActiveCamera();
        if (row.id == KX_PROP_ROTATE) camera->up = v;
        else if (row.id == KX_PROP_EXTRA) camera->rightDir = v;
        else SetCadObjectProperty(obj, row.id == KX_PROP_SIZE ? KX_PROP_LOOKAT : row.id, &v);
        RebuildCameraObject(camera);
        doc_->cameraChanged();
        doc_->selectionChanged();
        return;
    }
    if (rebuildable(obj)) {
        SetCadObjectProperty(obj, row.id, &v);
        kx::app::RebuildSceneObject(obj);
        changed();
        return;
    }
    // A mesh or a group is transformed by the difference, so that its
    // geometry and its parameters stay together.
    Point3d centre{};
    CentreInfo info{};
    if (GetSingleObjectCenterPoint(obj, &info, 1)) GetObjectPointInfo(&info, 0, &centre);
    const bool group = obj->type == KX_GROUP;
    Point3d delta{v.x - old.x, v.y - old.y, v.z - old.z};
    switch (row.id) {
        case KX_PROP_SCALE: {
            Point3d f{old.x ? v.x / old.x : 1, old.y ? v.y / old.y : 1, old.z ? v.z / old.z : 1};
            if (group) SetCadObjectProperty(obj, KX_PROP_SCALE, &f);
            else TransformObject(obj, KX_TRANSFORM_SCALE, &f, nullptr, nullptr, &centre, 0);
            break;
        }
        case KX_PROP_ROTATE:
            if (group) SetCadObjectProperty(obj, KX_PROP_ROTATE, &delta);
            else TransformObject(obj, KX_TRANSFORM_ROTATE, nullptr, &delta, nullptr, &centre, 0);
            break;
        case KX_PROP_TRANSLATE:
            if (group) SetCadObjectProperty(obj, KX_PROP_TRANSLATE, &delta);
            else TransformObject(obj, KX_TRANSFORM_MOVE, nullptr, nullptr, &delta, nullptr, 0);
            break;
        default:
            SetCadObjectProperty(obj, row.id, &v);
            break;
    }
    changed();
}

void PropertyPanel::applyFlag(int bit, bool on) {
    if (filling_ || !object_) return;
    kx::app::SceneChange change;
    if (!change.owns()) return;
    for (const KxObjectFlag& f : kFlags)
        if (static_cast<int>(f.flag) == bit) SetCadObjectProperty(object_, f.name, on ? 1u : 0u);
    changed();
}

void PropertyPanel::applyTexture(int index) {
    if (filling_ || !object_ || index < 0) return;
    const int kind = texture_->itemData(index).toInt();
    const QByteArray name = texture_->itemText(index).toUtf8();
    kx::app::SceneChange change;
    if (!change.owns()) return;
    if (kind == 0) SetObjectTextureEx(object_, 0, "None");
    else SetCadObjectProperty(object_, (kind & KX_TEXTURE_TEXTURE) ? KX_PROP_TEXTURE : KX_PROP_COLOR, name.constData());
    changed();
}

void PropertyPanel::applyText() {
    if (filling_ || !object_ || object_->type != KX_TEXT) return;
    auto [text, font] = textParts(object_);
    const std::string wanted = text_->text().toStdString();
    if (wanted.empty() || wanted == text) return;
    kx::app::SceneChange change;
    if (!change.owns()) return;
    SetCadObjectProperty(object_, KX_PROP_TEXTSTRING, (wanted + font).c_str());
    kx::app::RebuildSceneObject(object_);
    changed();
}

void PropertyPanel::chooseColour() {
    if (!object_) return;
    const QColor chosen = QColorDialog::getColor(kx::app::bgrToColour(object_->rgb), this, tr("Object colour"));
    if (!chosen.isValid() || !object_) return;
    kx::app::SceneChange change;
    if (!change.owns()) return;
    SetEncodedRgb(object_, static_cast<unsigned>(chosen.red()), static_cast<unsigned>(chosen.green()),
                  static_cast<unsigned>(chosen.blue()));
    changed();
}
