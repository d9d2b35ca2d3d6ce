#include "mainframe/light_fields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

#include "document/kalvex_doc.h"
#include "document/light_edits.h"
#include "mainframe/number_field.h"
#include "mainframe/qt_ui_table.h"

using kx::app::LightKind;

LightFields::LightFields(CKalvexDoc* doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    form_ = new QFormLayout(this);
    form_->setContentsMargins(0, 0, 0, 0);
    kind_ = new QComboBox(this);
    kind_->setObjectName(QStringLiteral("lightKind"));
    for (const kx::app::LightKindName& k : kx::app::kLightKinds) kind_->addItem(tr(k.label), static_cast<int>(k.kind));
    form_->addRow(tr("Kind"), kind_);
    // Angles of the cone in degrees: the renderer takes up to 90.
    radius_ = addNumber(tr("Radius"), KX_PROP_LIGHTRADIUS, 90, 2);
    radius_->setToolTip(tr("Half the angle of the fully lit cone, in degrees"));
    falloff_ = addNumber(tr("Falloff"), KX_PROP_LIGHTFALLOFF, 90, 2);
    falloff_->setToolTip(tr("Half the angle where the light has faded out, in degrees"));
    tightness_ = addNumber(tr("Tightness"), KX_PROP_LIGHTTIGHTNESS, 100, 0);
    tightness_->setToolTip(tr("How fast the light fades towards the falloff edge"));
    adaptive_ = addNumber(tr("Adaptive"), KX_PROP_LIGHTADAPTIVE, 10, 0);
    adaptive_->setToolTip(tr("Sampling depth: the renderer takes more samples only where the shadow changes"));
    jitter_ = new QCheckBox(tr("Jitter"), this);
    jitter_->setObjectName(QStringLiteral("lightJitter"));
    jitter_->setToolTip(tr("Moves the samples at random, for smooth soft shadows"));
    form_->addRow(QString(), jitter_);
    auto option = [this](const QString& label, unsigned bit, const QString& tip) {
        auto* box = new QCheckBox(label, this);
        box->setObjectName(QStringLiteral("lightOption%1").arg(bit));
        box->setToolTip(tip);
        form_->addRow(QString(), box);
        connect(box, &QCheckBox::clicked, this, [this, bit](bool on) {
            if (!filling_) kx::app::setLightOption(doc_->history(), lights_, bit, on);
        });
        return box;
    };
    circular_ = option(tr("Circular"), KX_LIGHT_CIRCULAR, tr("Spreads the samples over a disc instead of a rectangle"));
    orient_ = option(tr("Orient"), KX_LIGHT_ORIENT,
                     tr("Turns the round light to face each point it lights, like a sphere of light "
                        "(best with equal sides)"));
    shadowless_ = option(tr("Shadowless"), KX_LIGHT_SHADOWLESS, tr("Lights without casting shadows"));
    auto fade = [this](const QString& label, const QString& name, double high, const QString& tip) {
        auto* field = new NumberField(this);
        field->setRange(0, high);
        field->setDecimals(3);
        field->setObjectName(name);
        field->setToolTip(tip);
        form_->addRow(label, field);
        connect(field, &QDoubleSpinBox::valueChanged, this, [this] { applyFade(); });
        return field;
    };
    fadeDistance_ = fade(tr("Fade distance"), QStringLiteral("lightFadeDistance"), 1e6,
                         tr("The distance where the light has its full strength; 0 for no fading"));
    fadePower_ = fade(tr("Fade power"), QStringLiteral("lightFadePower"), 100,
                      tr("How fast the light fades beyond that distance: 2 as in nature; 0 for no fading"));
    looksLike_ = new QLineEdit(this);
    looksLike_->setObjectName(QStringLiteral("lightLooksLike"));
    looksLike_->setMaxLength(static_cast<int>(KX_EXTRA_TEXT_MAX));
    looksLike_->setPlaceholderText(tr("sphere { 0, 0.2 pigment { Yellow } }"));
    looksLike_->setToolTip(tr("An object the renderer shows where the light is, written as the renderer's text"));
    form_->addRow(tr("Looks like"), looksLike_);

    connect(kind_, &QComboBox::activated, this, [this](int index) {
        if (filling_ || index < 0) return;
        kx::app::setLightKind(doc_->history(), lights_, static_cast<LightKind>(kind_->itemData(index).toInt()));
    });
    connect(jitter_, &QCheckBox::clicked, this, [this](bool on) { applyValue(KX_PROP_LIGHTJITTER, on ? 1 : 0); });
    connect(looksLike_, &QLineEdit::editingFinished, this, [this] {
        if (!filling_) kx::app::setLightLooksLike(doc_->history(), lights_, looksLike_->text().toStdString());
    });
}

QDoubleSpinBox* LightFields::addNumber(const QString& label, int propertyId, double high, int decimals) {
    auto* field = new NumberField(this);
    field->setRange(0, high);
    field->setDecimals(decimals);
    field->setObjectName(QStringLiteral("lightValue%1").arg(propertyId));
    form_->addRow(label, field);
    connect(field, &QDoubleSpinBox::valueChanged, this, [this, propertyId](double v) { applyValue(propertyId, v); });
    return field;
}

QDoubleSpinBox* LightFields::valueField(int propertyId) const {
    switch (propertyId) {
        case KX_PROP_LIGHTRADIUS: return radius_;
        case KX_PROP_LIGHTFALLOFF: return falloff_;
        case KX_PROP_LIGHTTIGHTNESS: return tightness_;
        case KX_PROP_LIGHTADAPTIVE: return adaptive_;
        default: return nullptr;
    }
}

QCheckBox* LightFields::optionField(unsigned bit) const {
    switch (bit) {
        case KX_LIGHT_SHADOWLESS: return shadowless_;
        case KX_LIGHT_CIRCULAR: return circular_;
        case KX_LIGHT_ORIENT: return orient_;
        default: return nullptr;
    }
}

void LightFields::applyFade() {
    if (filling_ || lights_.empty()) return;
    kx::app::setLightFade(doc_->history(), lights_, fadeDistance_->value(), fadePower_->value(), "light fade");
}

bool LightFields::rowShown(QWidget* field) const { return field && form_->isRowVisible(field); }

void LightFields::applyValue(int propertyId, double value) {
    if (filling_ || lights_.empty()) return;
    kx::app::setLightValue(doc_->history(), lights_, propertyId, value, "light " + std::to_string(propertyId));
}

void LightFields::show(const std::vector<CadObject*>& lights) {
    if (lights != lights_) doc_->history().sealKeysStarting("light ");
    lights_ = lights;
    filling_ = true;
    const kx::app::LightSettings s = kx::app::lightSettingsOf(lights_.empty() ? nullptr : lights_.front());
    kind_->setCurrentIndex(kind_->findData(static_cast<int>(s.kind)));
    radius_->setValue(s.radius);
    falloff_->setValue(s.falloff);
    tightness_->setValue(s.tightness);
    adaptive_->setValue(s.adaptive);
    jitter_->setChecked(s.jitter);
    shadowless_->setChecked(s.options & KX_LIGHT_SHADOWLESS);
    circular_->setChecked(s.options & KX_LIGHT_CIRCULAR);
    orient_->setChecked(s.options & KX_LIGHT_ORIENT);
    fadeDistance_->setValue(s.fadeDistance);
    fadePower_->setValue(s.fadePower);
    if (!looksLike_->hasFocus()) looksLike_->setText(kx::app::sceneText(s.looksLike.c_str()));
    // A cylinder light has a spot light's cone values, with a beam that keeps its width.
    const bool spot = s.kind == LightKind::Spot || s.kind == LightKind::Cylinder, area = s.kind == LightKind::Area;
    for (QWidget* w : {static_cast<QWidget*>(radius_), static_cast<QWidget*>(falloff_), static_cast<QWidget*>(tightness_)})
        form_->setRowVisible(w, spot);
    form_->setRowVisible(adaptive_, area);
    form_->setRowVisible(jitter_, area);
    form_->setRowVisible(circular_, area);
    form_->setRowVisible(orient_, area);
    orient_->setEnabled(s.options & KX_LIGHT_CIRCULAR);
    filling_ = false;
}
