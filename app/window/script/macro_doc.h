// The Macro panel: a script editor docked in the main window. Run takes the
// editor's whole text and runs it on the open scene; print and errors go to
// the output pane, and an error puts the cursor on its line. The panel also
// runs a scene's "SceneCreate" scripts whenever the document opens a scene.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <atomic>
#include <vector>

#include "script/script_runner.h"

class CKalvexDoc;
class CodeEditor;
class QDialog;
class QMainWindow;
class QPlainTextEdit;
class QPushButton;

class CMacroDoc : public QWidget {
    Q_OBJECT
public:
    CMacroDoc(CKalvexDoc* doc, QWidget* parent = nullptr);
    ~CMacroDoc() override;

    // Makes the panel a (hidden) dock of frame named "macroDock", offers it in
    // the View menu and connects the scene start-up scripts to doc.
    static CMacroDoc* install(QMainWindow* frame, CKalvexDoc* doc);

    // Runs the editor's text ("No scene currently loaded" without a document).
    kx::script::RunResult run();
    // Ends the running script as an error.
    void stop() { stopFlag_ = true; }
    bool running() const { return running_; }

    // Empties the editor; the macro has no file until saved.
    void newMacro();
    bool openMacro(const QString& path);
    bool saveMacro(const QString& path);
    QString path() const { return path_; }

    CodeEditor* editor() const { return editor_; }
    QPlainTextEdit* output() const { return output_; }
    // The "Running script" dialog while it is shown.
    QDialog* runningDialog() const { return runningDialog_; }

    // Runs the scene's "SceneCreate" scripts (after the document opened a scene).
    void runSceneCreate();

signals:
    void runFinished(bool ok);

private:
    kx::script::RunOptions optionsFor(kx::script::RunKind kind);
    void whileRunning();
    long findWindow(const char* className, const char* title);
    void sendKeys(long window, std::string_view text);
    void appendOutput(const QString& text);
    void chooseAndOpen();
    void chooseAndSave();
    void setRunning(bool on);

    CKalvexDoc* doc_;
    CodeEditor* editor_;
    QPlainTextEdit* output_;
    QPushButton* runButton_;
    QPushButton* stopButton_;
    QString path_;
    std::atomic<bool> stopFlag_{false};
    bool running_ = false;
    QElapsedTimer clock_;
    QPointer<QDialog> runningDialog_;
    std::vector<QPointer<QWidget>> windows_;
};
