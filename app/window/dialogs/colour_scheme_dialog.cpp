#include "dialogs/colour_scheme_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPixmap>
#include <QRadioButton>
#include <QVBoxLayout>

#include "views/bgr_colour.h"

namespace {

struct NamedColour {
    const char* name;
    uint32_t colour;  // 0x00BBGGRR
};

// The sixteen colours of the old text screens and two greys. Brown is a real
// brown; Red is the standard scheme's selection colour.
constexpr NamedColour kColours[18] = {
    {"Black", 0x000000},      {"Blue", 0xC00000},       {"Green", 0x00C000},      {"Cyan", 0xC0C000},
    {"Red", 0x0000C0},        {"Magenta", 0xC000C0},    {"Brown", 0x004080},      {"White", 0xE0E0E0},
    {"Gray", 0x808080},       {"LightBlue", 0xFF0000},  {"LightGreen", 0x00FF00}, {"LightCyan", 0xFFFF00},
    {"LightRed", 0x0000FF},   {"LightMagenta", 0xFF00FF}, {"Yellow", 0x00FFFF},   {"BrightWhite", 0xFFFFFF},
    {"DarkGray", 0x404040},   {"LightGray", 0xC0C0C0},
};

const char* const kElements[4] = {"Background", "Grid", "Object", "Selected"};

void showColour(QComboBox* box, uint32_t colour) {
    for (int i = 0; i < box->count(); ++i)
        if (box->itemData(i).toUInt() == colour) {
            box->setCurrentIndex(i);
            return;
        }
    // A colour stored by hand keeps its value under its own entry.
    box->addItem(kx::app::bgrToColour(colour).name(), colour);
    box->setCurrentIndex(box->count() - 1);
}

}  // namespace

bool ColourSchemeDialog::colourOfName(const QString& name, uint32_t& colour) {
    for (const NamedColour& c : kColours)
        if (name == QLatin1String(c.name)) {
            colour = c.colour;
            return true;
        }
    return false;
}

ColourSchemeDialog::ColourSchemeDialog(const kx::app::ColourScheme& scheme, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Colour Scheme"));
    auto* layout = new QVBoxLayout(this);
    const char* names[3] = {"Standard", "Grey", "Custom"};
    for (int i = 0; i < 3; ++i) {
        schemes_[i] = new QRadioButton(tr(names[i]), this);
        layout->addWidget(schemes_[i]);
        connect(schemes_[i], &QRadioButton::toggled, this, [this](bool on) {
            if (on) schemeChosen();
        });
    }
    auto* form = new QFormLayout;
    for (int e = 0; e < 4; ++e) {
        elements_[e] = new QComboBox(this);
        for (const NamedColour& c : kColours) {
            QPixmap swatch(14, 14);
            swatch.fill(kx::app::bgrToColour(c.colour));
            elements_[e]->addItem(QIcon(swatch), QString::fromLatin1(c.name), c.colour);
        }
        showColour(elements_[e], scheme.colours[e]);
        form->addRow(tr(kElements[e]), elements_[e]);
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    schemes_[std::clamp(scheme.scheme, 0, 2)]->setChecked(true);
    schemeChosen();
}

void ColourSchemeDialog::schemeChosen() {
    const bool custom = schemes_[2]->isChecked();
    for (QComboBox* box : elements_) box->setEnabled(custom);
    if (custom) return;
    const auto colours = schemes_[1]->isChecked() ? kx::app::greyColours() : kx::app::standardColours();
    for (int e = 0; e < 4; ++e) showColour(elements_[e], colours[e]);
}

kx::app::ColourScheme ColourSchemeDialog::scheme() const {
    kx::app::ColourScheme out;
    out.scheme = schemes_[2]->isChecked() ? 2 : schemes_[1]->isChecked() ? 1 : 0;
    for (int e = 0; e < 4; ++e) out.colours[e] = elements_[e]->currentData().toUInt();
    return out;
}
