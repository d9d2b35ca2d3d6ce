// The folders and programs of the "Directories" settings.
#pragma once

#include <QDialog>
#include <array>

#include "settings/settings.h"

class QLineEdit;

class DirectoriesDialog : public QDialog {
    Q_OBJECT
public:
    DirectoriesDialog(const kx::app::DirectorySettings& values, QWidget* parent = nullptr);
    kx::app::DirectorySettings values() const;

private:
    std::array<QLineEdit*, 7> edits_;
};
