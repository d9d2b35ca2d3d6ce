#include "script/macro_doc.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDockWidget>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "document/kalvex_doc.h"
#include "kxcore.h"
#include "kxplatform/files.h"
#include "script/code_editor.h"

namespace {

// A run this long gets a dialog to stop it; the event loop runs this often.
constexpr qint64 kDialogAfterMs = 500;

QString luaFilter() { return QObject::tr("Lua scripts (*.lua);;All files (*)"); }

QDialog* makeRunningDialog(QWidget* parent, std::atomic<bool>& stop) {
    auto* d = new QDialog(parent);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setObjectName(QStringLiteral("runningScriptDialog"));
    d->setWindowTitle(QObject::tr("Kalvex"));
    d->setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(d);
    layout->addWidget(new QLabel(QObject::tr("Running script"), d));
    auto* button = new QPushButton(QObject::tr("Stop"), d);
    button->setObjectName(QStringLiteral("stopScript"));
    layout->addWidget(button);
    QObject::connect(button, &QPushButton::clicked, d, [&stop] { stop = true; });
    // Esc rejects the dialog: that too stops the script.
    QObject::connect(d, &QDialog::rejected, d, [&stop] { stop = true; });
    return d;
}

}  // namespace

CMacroDoc::CMacroDoc(CKalvexDoc* doc, QWidget* parent)
    : QWidget(parent), doc_(doc), editor_(new CodeEditor(this)), output_(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("macroPanel"));
    editor_->setObjectName(QStringLiteral("macroEditor"));
    output_->setObjectName(QStringLiteral("macroOutput"));
    output_->setReadOnly(true);
    output_->setFont(editor_->font());

    auto* buttons = new QHBoxLayout;
    auto button = [&](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        buttons->addWidget(b);
        return b;
    };
    QPushButton* newButton = button(tr("New"), "macroNew");
    QPushButton* openButton = button(tr("Open..."), "macroOpen");
    QPushButton* saveButton = button(tr("Save..."), "macroSave");
    buttons->addStretch();
    runButton_ = button(tr("Run"), "macroRun");
    stopButton_ = button(tr("Stop"), "macroStop");
    stopButton_->setEnabled(false);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(editor_);
    split->addWidget(output_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    // A script is read a screenful at a time, not four lines.
    const int line = editor_->fontMetrics().lineSpacing();
    editor_->setMinimumHeight(12 * line);
    output_->setMinimumHeight(3 * line);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(split);

    connect(newButton, &QPushButton::clicked, this, &CMacroDoc::newMacro);
    connect(openButton, &QPushButton::clicked, this, &CMacroDoc::chooseAndOpen);
    connect(saveButton, &QPushButton::clicked, this, &CMacroDoc::chooseAndSave);
    connect(runButton_, &QPushButton::clicked, this, [this] { run(); });
    connect(stopButton_, &QPushButton::clicked, this, &CMacroDoc::stop);
}

CMacroDoc::~CMacroDoc() = default;

CMacroDoc* CMacroDoc::install(QMainWindow* frame, CKalvexDoc* doc) {
    auto* panel = new CMacroDoc(doc, frame);
    auto* dock = new QDockWidget(tr("Macro"), frame);
    dock->setObjectName(QStringLiteral("macroDock"));
    dock->setWidget(panel);
    frame->addDockWidget(Qt::BottomDockWidgetArea, dock);
    dock->hide();
    for (QAction* a : frame->menuBar()->actions()) {
        if (a->menu() && a->text().remove(QLatin1Char('&')) == QLatin1String("View")) {
            a->menu()->addSeparator();
            a->menu()->addAction(dock->toggleViewAction());
            break;
        }
    }
    // After the document read a scene and refreshed its views.
    connect(doc, &CKalvexDoc::documentReplaced, panel, &CMacroDoc::runSceneCreate);
    return panel;
}

kx::script::RunOptions CMacroDoc::optionsFor(kx::script::RunKind kind) {
    kx::script::RunOptions o;
    o.kind = kind;
    o.stop = &stopFlag_;
    o.hooks.idle = [this] { whileRunning(); };
    o.hooks.findWindow = [this](const char* c, const char* t) { return findWindow(c, t); };
    o.hooks.sendKeys = [this](long w, std::string_view text) { sendKeys(w, text); };
    o.origin = path_.isEmpty() ? std::string("the Macro editor") : path_.toStdString();
    if (kind == kx::script::RunKind::Macro)
        o.hooks.print = [this](std::string_view s) { appendOutput(QString::fromUtf8(s.data(), static_cast<int>(s.size()))); };
    return o;
}

void CMacroDoc::setRunning(bool on) {
    running_ = on;
    runButton_->setEnabled(!on);
    stopButton_->setEnabled(on);
    if (on) {
        stopFlag_ = false;
        windows_.clear();
        clock_.start();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
        if (runningDialog_) runningDialog_->close();
    }
}

void CMacroDoc::whileRunning() {
    if (!runningDialog_ && clock_.elapsed() >= kDialogAfterMs) {
        runningDialog_ = makeRunningDialog(window(), stopFlag_);
        runningDialog_->show();
    }
    // Until the modal dialog keeps the user from the rest of the window, a
    // click must not open another scene under the running script.
    QApplication::processEvents(runningDialog_ ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents, 20);
}

kx::script::RunResult CMacroDoc::run() {
    if (doc_ == nullptr) {
        ErrorMessage("No scene currently loaded");
        return {};
    }
    if (running_ || kx::script::scriptRunning()) return {};
    const std::string text = editor_->toPlainText().toStdString();
    setRunning(true);
    kx::script::RunResult result;
    // The script takes the scene lock call by call; whatever it changed is one step.
    doc_->runRecorded(tr("Run Macro"),
                      [&] { result = kx::script::runScript(text, optionsFor(kx::script::RunKind::Macro)); });
    setRunning(false);
    if (!result.message.empty()) appendOutput(QString::fromStdString(result.message));
    if (result.errorLine > 0) editor_->goToLine(result.errorLine);
    emit runFinished(result.ok);
    return result;
}

void CMacroDoc::runSceneCreate() {
    // Positions hold callbacks too (answered with null): look at each one.
    bool any = false;
    for (unsigned pos = 0; pos < KX_MAX_EVENTS && !any; ++pos) {
        unsigned found = pos;
        any = GetEventScript(KX_EVENT_SCENE_CREATE, &found) != nullptr;
    }
    if (!any || doc_ == nullptr) return;
    if (running_) {
        LogMessage(1, "Scene event scripts not run: another script is running\n");
        return;
    }
    setRunning(true);
    kx::script::runSceneCreateScripts(optionsFor(kx::script::RunKind::Event));
    setRunning(false);
    // What the scripts made belongs to the scene as it was opened.
    const bool modified = doc_->isModified();
    doc_->geometryChanged();
    doc_->setModified(modified);
}

long CMacroDoc::findWindow(const char* className, const char* title) {
    const QString wantedClass = QString::fromUtf8(className ? className : "");
    const QString wantedTitle = QString::fromUtf8(title ? title : "");
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!wantedClass.isEmpty() && wantedClass != QLatin1String(w->metaObject()->className())) continue;
        if (!wantedTitle.isEmpty() && wantedTitle != w->windowTitle()) continue;
        windows_.emplace_back(w);
        return static_cast<long>(windows_.size());
    }
    return 0;
}

void CMacroDoc::sendKeys(long window, std::string_view text) {
    if (window < 1 || static_cast<size_t>(window) > windows_.size()) return;
    QWidget* w = windows_[static_cast<size_t>(window) - 1];
    if (w == nullptr) return;
    w->raise();
    w->activateWindow();
    QWidget* target = w->focusWidget() ? w->focusWidget() : w;
    const QString keys = QString::fromUtf8(text.data(), static_cast<int>(text.size()));
    for (const QChar c : keys) {
        const bool newline = c == QLatin1Char('\n');
        const int key = newline ? Qt::Key_Return : 0;
        const QString typed = newline ? QStringLiteral("\r") : QString(c);
        // Qt owns posted events.
        QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, typed));
        QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, typed));
    }
}

void CMacroDoc::appendOutput(const QString& text) { output_->appendPlainText(text); }

void CMacroDoc::newMacro() {
    editor_->clear();
    path_.clear();
}

bool CMacroDoc::openMacro(const QString& path) {
    // Far more than anyone types; a bigger file is not a macro.
    constexpr size_t kLargest = 16u << 20;
    std::string text;
    const bool ok = kx::platform::readWholeFile(path.toStdString(), text, kLargest) == 0;
    if (!ok) {
        ErrorMessage("Unable to open/load %s", path.toUtf8().constData());
        return false;
    }
    editor_->setPlainText(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    path_ = path;
    return true;
}

bool CMacroDoc::saveMacro(const QString& path) {
    const std::string text = editor_->toPlainText().toStdString();
    kx::platform::FileReplacement out;
    if (!out.begin(path.toStdString(), kx::platform::Durability::Synced) || !out.write(text.data(), text.size()) ||
        !out.commit()) {
        ErrorMessage("Unable to create/save %s", path.toUtf8().constData());
        return false;
    }
    path_ = path;
    return true;
}

void CMacroDoc::chooseAndOpen() {
    const QString path = QFileDialog::getOpenFileName(this, tr("Open Macro"), path_, luaFilter());
    if (!path.isEmpty()) openMacro(path);
}

void CMacroDoc::chooseAndSave() {
    QString path = QFileDialog::getSaveFileName(this, tr("Save Macro"), path_, luaFilter());
    if (path.isEmpty()) return;
    if (!path.contains(QLatin1Char('.'))) path += QStringLiteral(".lua");
    saveMacro(path);
}
