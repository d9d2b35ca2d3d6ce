// The File commands: new, open, save, import, export and the recent files,
// with the question whether to save a changed scene first.
#pragma once

#include <QObject>
#include <QString>

class CKalvexDoc;
class QWidget;
namespace kx::app {
class AppSession;
}

class FileCommands : public QObject {
    Q_OBJECT
public:
    FileCommands(kx::app::AppSession& session, CKalvexDoc* doc, QWidget* window);

    // Asks whether to save a changed scene; false when the user cancelled.
    bool maybeSave();
    void newScene();
    void openDialog();
    bool open(const QString& path);
    bool save();
    bool saveAs();
    void importDialog();
    void exportDialog();

    enum class Dialog { Open, SaveAs, Import, Export };
    // Where a file dialog starts: in the scene's folder, else in the folder
    // the program was started from; Save As with the scene's name, Export
    // with it for the first type offered ("scene.pov" for "scene.cad").
    QString dialogStart(Dialog dialog) const;

    // The filter list of the open and save dialogs, and the file type of a chosen filter.
    static QString readFilters();
    static QString writeFilters();
    // A plug-in's format may be offered for reading and for writing under the
    // same text: `pluginKind` (KindLoad or KindSave) says which item it names,
    // -1 the first that has it.
    static unsigned typeOfFilter(const QString& filter, int pluginKind = -1);
    // The type a file chosen in a dialog is read as: its own extension's
    // when that names a type (0: the reader goes by it), else the filter's.
    static unsigned typeOfChosenFile(const QString& path, const QString& filter);

signals:
    void recentFilesChanged();

private:
    // Opens through the document, the reader's messages in one box naming the file.
    bool openDocument(const QString& path, unsigned type);

    kx::app::AppSession& session_;
    CKalvexDoc* doc_;
    QWidget* window_;
};
