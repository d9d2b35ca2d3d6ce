#include "dialogs/directories_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>
#include <iterator>

namespace {

struct Row {
    const char* label;
    bool folder;  // a folder, else a program
    std::string kx::app::DirectorySettings::*field;
};
const Row kRows[7] = {
    {"Program files", true, &kx::app::DirectorySettings::program},
    {"Textures", true, &kx::app::DirectorySettings::textures},
    {"Scenes and renders", true, &kx::app::DirectorySettings::defaultDir},
    {"Renderer program", false, &kx::app::DirectorySettings::render},
    {"Renderer include files", true, &kx::app::DirectorySettings::include},
    {"Plug-ins", true, &kx::app::DirectorySettings::plugin},
    {"Image viewer", false, &kx::app::DirectorySettings::viewer},
};

}  // namespace

DirectoriesDialog::DirectoriesDialog(const kx::app::DirectorySettings& values, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Directories"));
    auto* form = new QFormLayout(this);
    for (size_t i = 0; i < std::size(kRows); ++i) {
        const Row& row = kRows[i];
        edits_[i] = new QLineEdit(QString::fromStdString(values.*row.field), this);
        auto* browse = new QToolButton(this);
        browse->setText(QStringLiteral("..."));
        QLineEdit* edit = edits_[i];
        const bool folder = row.folder;
        connect(browse, &QToolButton::clicked, this, [this, edit, folder] {
            QString chosen = folder ? QFileDialog::getExistingDirectory(this, tr("Choose a folder"), edit->text())
                                    : QFileDialog::getOpenFileName(this, tr("Choose a program"), edit->text());
            if (!chosen.isEmpty()) edit->setText(chosen);
        });
        auto* line = new QHBoxLayout;
        line->addWidget(edits_[i], 1);
        line->addWidget(browse);
        form->addRow(tr(row.label), line);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    resize(560, sizeHint().height());
}

kx::app::DirectorySettings DirectoriesDialog::values() const {
    kx::app::DirectorySettings out;
    for (size_t i = 0; i < std::size(kRows); ++i) out.*kRows[i].field = edits_[i]->text().trimmed().toStdString();
    return out;
}
