#include "mainframe/number_field.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <cctype>
#include <charconv>
#include <cmath>

#include "kxplatform/c_locale.h"

namespace {

// Scene values are kept in single precision: more places than a float holds
// would only show noise.
constexpr int kDecimals = 6;
constexpr double kLimit = 1e6;

}  // namespace

NumberField::NumberField(QWidget* parent) : QDoubleSpinBox(parent) {
    setRange(-kLimit, kLimit);
    setDecimals(kDecimals);
    setButtonSymbols(QAbstractSpinBox::NoButtons);
    setKeyboardTracking(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setAccelerated(true);
    // Room for the widest value of the range with a few places, so that no
    // value is shown cut off.
    const QFontMetrics metrics(font());
    setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("-000000.000")) + 12);
}

std::optional<double> NumberField::parse(const QString& text) {
    const QByteArray bytes = text.trimmed().toLatin1();
    if (bytes.isEmpty() || bytes.size() != text.trimmed().size()) return std::nullopt;
    double value = 0;
    if (!kx::platform::parseDoubleC(bytes.constData(), value) || !std::isfinite(value)) return std::nullopt;
    // Hexadecimal and the like are C's but no user's way of writing a size.
    for (char c : bytes)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' ||
              c == 'E'))
            return std::nullopt;
    return value;
}

QString NumberField::format(double value) {
    char buffer[32] = {};
    const float single = static_cast<float>(value);
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, single == 0 ? 0.0f : single);
    if (error != std::errc()) return QString::number(value);
    return QString::fromLatin1(buffer, static_cast<int>(end - buffer));
}

QValidator::State NumberField::validate(QString& text, int&) const {
    const std::optional<double> value = parse(text);
    if (value && *value >= minimum() && *value <= maximum()) return QValidator::Acceptable;
    // Anything may be typed on the way to a number; what is no number when
    // the field is left is refused then, leaving the value as it was.
    return QValidator::Intermediate;
}

double NumberField::valueFromText(const QString& text) const { return parse(text).value_or(value()); }

QString NumberField::textFromValue(double value) const { return format(value); }

void NumberField::fixup(QString&) const {}
