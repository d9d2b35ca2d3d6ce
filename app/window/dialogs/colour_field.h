// A colour as the renderer's scene settings write it: red, green and blue
// as numbers (1 is full strength; a light may go above it), with a swatch
// that opens the colour dialog.
#pragma once

#include <QColor>
#include <QWidget>
#include <array>

class QDoubleSpinBox;
class QToolButton;

class ColourField : public QWidget {
    Q_OBJECT
public:
    // Each number runs from 0 to high.
    explicit ColourField(double high = 1, QWidget* parent = nullptr);

    // "r g b", each number in its shortest form.
    QString text() const;
    // Takes three numbers parted by blanks; false (and no change) for anything else.
    bool setText(const QString& text);
    QDoubleSpinBox* channel(int index) const { return channels_[static_cast<size_t>(index)]; }

private:
    QColor shown() const;
    void showSwatch();
    void choose();

    std::array<QDoubleSpinBox*, 3> channels_;
    QToolButton* swatch_;
};
