#include "dialogs/directories_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <iterator>

#include "kxplatform/process.h"

namespace {

struct Row {
    const char* label;
    const char* key;  // names the row's widgets
    bool folder;      // a folder, else a program
    std::string kx::app::DirectorySettings::*field;
};
const Row kRows[7] = {
    {"Program files", "program", true, &kx::app::DirectorySettings::program},
    {"Textures", "textures", true, &kx::app::DirectorySettings::textures},
    {"Scenes and renders", "defaultDir", true, &kx::app::DirectorySettings::defaultDir},
    {"Renderer program", "render", false, &kx::app::DirectorySettings::render},
    {"Renderer include files", "include", true, &kx::app::DirectorySettings::include},
    {"Plug-ins", "plugin", true, &kx::app::DirectorySettings::plugin},
    {"Image viewer", "viewer", false, &kx::app::DirectorySettings::viewer},
};

// What is wrong with a program named in the dialog, or empty.
QString programProblem(const QString& text) {
    const std::string name = text.trimmed().toStdString();
    if (name.empty() || !kx::platform::findProgram(name).empty()) return {};
    return name.find('/') == std::string::npos
               ? DirectoriesDialog::tr("No program of this name on the search path")
               : DirectoriesDialog::tr("No program at this path: nothing can be run with it");
}

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
        edits_[i]->setObjectName(QString::fromLatin1(row.key));
        auto* line = new QHBoxLayout;
        line->addWidget(edits_[i], 1);
        line->addWidget(browse);
        form->addRow(tr(row.label), line);
        if (!folder) {
            // A program that is not there is said at once, not at the first render.
            auto* warning = new QLabel(this);
            warning->setObjectName(QString::fromLatin1(row.key) + QStringLiteral("Warning"));
            warning->setStyleSheet(QStringLiteral("color: #b00000"));
            auto check = [warning, edit] {
                const QString problem = programProblem(edit->text());
                warning->setText(problem);
                warning->setVisible(!problem.isEmpty());
            };
            connect(edit, &QLineEdit::textChanged, warning, check);
            check();
            form->addRow(QString(), warning);
        }
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
