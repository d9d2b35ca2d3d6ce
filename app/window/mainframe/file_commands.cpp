#include "mainframe/file_commands.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>
#include <vector>

#include "document/kalvex_doc.h"
#include "kxcore.h"
#include "kxplatform/ui_callbacks.h"
#include "mainframe/app_session.h"
#include "mainframe/qt_ui_table.h"
#include "document/file_dispatch.h"
#include "document/write_scene.h"
#include "plugins/file_filters.h"
#include "plugins/host_state.h"
#include "plugins/plugin_manager.h"

namespace {

struct FileFilter {
    unsigned type;
    const char* description;  // null: the file-type table's
    const char* patterns;     // null: the type's extension in both cases
};

// What can be read; the native scene first.
const std::vector<FileFilter> kReadable = {
    {1, nullptr, nullptr},  {5, nullptr, nullptr},  {27, nullptr, nullptr}, {26, nullptr, nullptr},
    {25, nullptr, nullptr}, {14, nullptr, nullptr}, {22, nullptr, nullptr}, {34, nullptr, nullptr},
    {39, nullptr, nullptr}, {40, nullptr, nullptr}, {41, nullptr, "*.gltf *.glb *.GLTF *.GLB"},
};

// What can be written by Export.
const std::vector<FileFilter> kWritable = {
    {11, nullptr, nullptr},
    {14, nullptr, nullptr},
    {19, nullptr, nullptr},
    {22, nullptr, nullptr},
    {23, nullptr, nullptr},
    {24, nullptr, nullptr},
    // VRML 2 readers expect ".wrl"; the type's own ".vrm" is still written as named.
    {38, nullptr, "*.wrl *.WRL *.vrm *.VRM"},
    {34, nullptr, nullptr},
    {39, nullptr, nullptr},
    {40, nullptr, nullptr},
    {41, nullptr, "*.glb *.gltf *.GLB *.GLTF"},
    {5, "ASCII Facet List of the selected object", nullptr},
    {9, "ASCII Point List of the selected object", "*.pts *.PTS"},
    {6, "POV-Ray point series of the selected object", "*.inc *.INC"},
};

QString filterText(const FileFilter& f) {
    const QString description = QString::fromLatin1(f.description ? f.description : GetCadFileDescription(f.type));
    QString patterns;
    if (f.patterns) {
        patterns = QString::fromLatin1(f.patterns);
    } else {
        const QString ext = QString::fromLatin1(GetCadFileExtension(f.type));
        patterns = QStringLiteral("*%1 *%2").arg(ext, ext.toUpper());
    }
    return QStringLiteral("%1 (%2)").arg(description, patterns);
}

// The program's own filters, then those of the plug-ins' LOAD or SAVE items.
QString joined(const std::vector<FileFilter>& filters, int pluginKind) {
    QStringList out;
    for (const FileFilter& f : filters) out << filterText(f);
    for (const auto& f : kx::plugins::pluginDialogFilters(pluginKind)) out << QString::fromStdString(f.text);
    out << QObject::tr("All files (*)");
    return out.join(QStringLiteral(";;"));
}

}  // namespace

FileCommands::FileCommands(kx::app::AppSession& session, CKalvexDoc* doc, QWidget* window)
    : QObject(window), session_(session), doc_(doc), window_(window) {}

QString FileCommands::readFilters() { return joined(kReadable, kx::plugins::KindLoad); }
QString FileCommands::writeFilters() { return joined(kWritable, kx::plugins::KindSave); }

unsigned FileCommands::typeOfFilter(const QString& filter, int pluginKind) {
    for (const auto* list : {&kReadable, &kWritable})
        for (const FileFilter& f : *list)
            if (filterText(f) == filter) return f.type;
    for (int kind : {kx::plugins::KindLoad, kx::plugins::KindSave}) {
        if (pluginKind >= 0 && kind != pluginKind) continue;
        for (const auto& f : kx::plugins::pluginDialogFilters(kind))
            if (QString::fromStdString(f.text) == filter) return f.type;
    }
    return 0;
}

unsigned FileCommands::typeOfChosenFile(const QString& path, const QString& filter) {
    const QByteArray name = path.toUtf8();
    if (kx::app::fileTypeOfLastExtension(name.toStdString()) != 0 || GetCadFileType(name.constData()) != 0) return 0;
    if (kx::plugins::PluginManager* m = kx::plugins::hostState().manager;
        m && m->fileItemFor(kx::plugins::KindLoad, name.toStdString()) >= 0)
        return 0;
    return typeOfFilter(filter, kx::plugins::KindLoad);
}

bool FileCommands::maybeSave() {
    if (!doc_->isModified()) return true;
    // Asked through the user-interface table like every other question, so
    // that it reaches the user (or a test) the same way.
    const QByteArray text = tr("The scene %1 has changed.\nDo you want to save it?").arg(doc_->title()).toUtf8();
    switch (kx::platform::messageBox(nullptr, text.constData(), "Kalvex", KX_MB_YESNOCANCEL | KX_MB_ICONQUESTION)) {
        case KX_IDYES: return save();
        case KX_IDNO: return true;
        default: return false;
    }
}

bool FileCommands::openDocument(const QString& path, unsigned type) {
    bool ok = false;
    {
        // One box for everything the reader says, naming the file.
        kx::app::MessageBatch batch(tr("While opening %1:").arg(path));
        ok = doc_->open(path, type, [&batch](const QString& file) {
            batch.flush();  // what went wrong first, then the question
            const QByteArray text =
                tr("The scene %1 could not be read completely.\nOpen the part that could be read?\n\n"
                   "Saving it will ask before the file is replaced.")
                    .arg(QFileInfo(file).fileName())
                    .toUtf8();
            return kx::platform::messageBox(nullptr, text.constData(), "Kalvex", KX_MB_YESNO | KX_MB_ICONQUESTION) ==
                   KX_IDYES;
        });
    }
    return ok;
}

QString FileCommands::dialogStart(Dialog dialog) const {
    // A scene made from an import suggests a name of its own beside its model.
    const QString scene = !doc_->path().isEmpty() ? doc_->path() : doc_->suggestedPath();
    const QString folder = !scene.isEmpty() ? QFileInfo(scene).absolutePath()
                                            : QString::fromStdString(session_.core().startFolder());
    const QString base = scene.isEmpty() ? doc_->title() : QFileInfo(scene).completeBaseName();
    const QDir at(folder.isEmpty() ? QDir::currentPath() : folder);
    switch (dialog) {
        case Dialog::SaveAs: return at.filePath(base + QStringLiteral(".cad"));
        case Dialog::Export:
            return at.filePath(base + QString::fromLatin1(GetCadFileExtension(kWritable.front().type)));
        default: return at.path();
    }
}

void FileCommands::newScene() {
    if (!maybeSave()) return;
    doc_->newScene(session_.settings().exports.useDefaults != 0);
}

void FileCommands::openDialog() {
    if (!maybeSave()) return;
    QString filter;
    const QString path =
        QFileDialog::getOpenFileName(window_, tr("Open Scene"), dialogStart(Dialog::Open), readFilters(), &filter);
    if (path.isEmpty()) return;
    if (openDocument(path, typeOfChosenFile(path, filter))) {
        session_.addRecentFile(QFileInfo(path).absoluteFilePath());
        emit recentFilesChanged();
    }
}

bool FileCommands::open(const QString& path) {
    if (!maybeSave()) return false;
    if (!openDocument(path, 0)) return false;
    session_.addRecentFile(QFileInfo(path).absoluteFilePath());
    emit recentFilesChanged();
    return true;
}

bool FileCommands::save() {
    if (doc_->path().isEmpty()) return saveAs();
    if (doc_->isIncomplete()) {
        // The file holds more than the scene on screen: replacing it loses that.
        const QByteArray text = tr("%1 could not be read completely when it was opened.\n"
                                   "Replacing it loses what could not be read.\n\n"
                                   "Save the scene under another name instead?")
                                    .arg(doc_->title())
                                    .toUtf8();
        switch (kx::platform::messageBox(nullptr, text.constData(), "Kalvex",
                                         KX_MB_YESNOCANCEL | KX_MB_ICONEXCLAMATION)) {
            case KX_IDYES: return saveAs();
            case KX_IDNO: break;
            default: return false;
        }
    }
    return doc_->save(doc_->path(), KX_FILETYPE_KALVEX);
}

bool FileCommands::saveAs() {
    QStringList filters{filterText({1, nullptr, nullptr})};
    for (const auto& f : kx::plugins::pluginDialogFilters(kx::plugins::KindSave))
        filters << QString::fromStdString(f.text);
    QString chosen;
    QString path = QFileDialog::getSaveFileName(window_, tr("Save Scene As"), dialogStart(Dialog::SaveAs),
                                                filters.join(QStringLiteral(";;")), &chosen);
    if (path.isEmpty()) return false;
    // A plug-in's format writes the scene there; the document stays the scene it was.
    if (const unsigned type = typeOfFilter(chosen, kx::plugins::KindSave); type >= kx::app::kFirstPluginFileType)
        return doc_->save(path, type);
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".cad");
    if (!doc_->save(path, KX_FILETYPE_KALVEX)) return false;
    session_.addRecentFile(doc_->path());
    emit recentFilesChanged();
    return true;
}

void FileCommands::importDialog() {
    QString filter;
    const QString path =
        QFileDialog::getOpenFileName(window_, tr("Import"), dialogStart(Dialog::Import), readFilters(), &filter);
    if (path.isEmpty()) return;
    kx::app::MessageBatch batch(tr("While importing %1:").arg(path));
    doc_->import(path, typeOfChosenFile(path, filter));
}

void FileCommands::exportDialog() {
    QString filter;
    const QString path =
        QFileDialog::getSaveFileName(window_, tr("Export"), dialogStart(Dialog::Export), writeFilters(), &filter);
    if (!path.isEmpty()) doc_->save(path, typeOfFilter(filter, kx::plugins::KindSave));
}
