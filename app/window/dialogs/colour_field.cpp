#include "dialogs/colour_field.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QToolButton>
#include <algorithm>
#include <optional>

#include "mainframe/number_field.h"

ColourField::ColourField(double high, QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const char* names[3] = {"red", "green", "blue"};
    for (size_t i = 0; i < channels_.size(); ++i) {
        auto* spin = new NumberField(this);
        spin->setRange(0, high);
        spin->setMinimumWidth(0);
        spin->setObjectName(QString::fromLatin1(names[i]));
        layout->addWidget(spin);
        channels_[i] = spin;
        connect(spin, &QDoubleSpinBox::valueChanged, this, &ColourField::showSwatch);
    }
    swatch_ = new QToolButton(this);
    swatch_->setObjectName(QStringLiteral("swatch"));
    swatch_->setToolTip(tr("Choose the colour"));
    layout->addWidget(swatch_);
    connect(swatch_, &QToolButton::clicked, this, &ColourField::choose);
    showSwatch();
}

QString ColourField::text() const {
    QStringList parts;
    for (const QDoubleSpinBox* spin : channels_) parts << NumberField::format(spin->value());
    return parts.join(QLatin1Char(' '));
}

bool ColourField::setText(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 3) return false;
    std::array<double, 3> values{};
    for (size_t i = 0; i < values.size(); ++i) {
        const std::optional<double> v = NumberField::parse(parts[static_cast<int>(i)]);
        if (!v) return false;
        values[i] = *v;
    }
    for (size_t i = 0; i < values.size(); ++i) channels_[i]->setValue(values[i]);
    return true;
}

QColor ColourField::shown() const {
    // A colour brighter than full strength shows as full strength.
    auto byte = [](double v) { return static_cast<int>(std::clamp(v, 0.0, 1.0) * 255 + 0.5); };
    return {byte(channels_[0]->value()), byte(channels_[1]->value()), byte(channels_[2]->value())};
}

void ColourField::showSwatch() { swatch_->setStyleSheet(QStringLiteral("background-color: %1").arg(shown().name())); }

void ColourField::choose() {
    const QColor chosen = QColorDialog::getColor(shown(), this, tr("Colour"));
    if (!chosen.isValid()) return;
    channels_[0]->setValue(chosen.redF());
    channels_[1]->setValue(chosen.greenF());
    channels_[2]->setValue(chosen.blueF());
}
