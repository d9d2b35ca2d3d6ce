// The colours the views are drawn in: the standard or grey scheme, or four
// colours of the user's choice by name.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "settings/settings.h"

class QComboBox;
class QRadioButton;

class ColourSchemeDialog : public QDialog {
    Q_OBJECT
public:
    ColourSchemeDialog(const kx::app::ColourScheme& scheme, QWidget* parent = nullptr);
    kx::app::ColourScheme scheme() const;

    // The colour (0x00BBGGRR) of one of the dialog's colour names; false for
    // a name it does not offer.
    static bool colourOfName(const QString& name, uint32_t& colour);

private:
    void schemeChosen();

    std::array<QRadioButton*, 3> schemes_;
    std::array<QComboBox*, 4> elements_;
};
