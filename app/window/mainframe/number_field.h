// A number field of the Properties panel: it reads what a C program would
// read as a number ("1e3", "-.5", "2.5E-2") whatever the user's locale, and
// text it cannot read leaves the value as it was instead of becoming 0 or
// the nearest bound.
#pragma once

#include <QDoubleSpinBox>
#include <optional>

class NumberField : public QDoubleSpinBox {
    Q_OBJECT
public:
    explicit NumberField(QWidget* parent = nullptr);

    // The value a text stands for; nothing when the text is no finite number.
    static std::optional<double> parse(const QString& text);
    // The shortest text that reads back as the same single-precision value.
    static QString format(double value);

    QValidator::State validate(QString& text, int& pos) const override;
    double valueFromText(const QString& text) const override;
    QString textFromValue(double value) const override;
    void fixup(QString& text) const override;
};
