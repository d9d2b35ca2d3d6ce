// The user-interface services the libraries call, done with Qt: message
// boxes, the focus window, the scene tree's items, the busy cursor, and the
// image library's painting of its surfaces into the program's widgets.
//
// Message boxes appear only on the user-interface thread. A library calling
// from another thread (the render runner reports a failed render) gets the
// default button at once; the box is handed to the user-interface thread and
// shown there.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "kxplatform/ui_callbacks.h"
#include "pixmo/types.h"

namespace kx::app {

// Installs the tables in the core library, the image library and this
// program's own copy of the platform layer. Call on the user-interface thread
// once the application object exists.
void installQtUiTables();
// Puts the headless tables back (before the application object goes).
void removeQtUiTables();
// The program is ending without asking: from now on a box is not shown but
// answered at once with its cautious answer (No, Cancel, or OK).
void refuseBoxes();

// What shows a message: by default a QMessageBox. Tests put a recorder here.
// Always called on the user-interface thread; returns the button pressed.
using MessagePresenter = std::function<int(const QString& text, const QString& caption, unsigned style)>;
void setMessagePresenter(MessagePresenter presenter);

// A text of the scene as the user sees it: UTF-8 when it is valid UTF-8, else
// Windows-1252.
QString sceneText(const char* text);

// While it lives, the plain message boxes of one operation on the user-interface
// thread (the reports of one file load) are collected instead of shown one by
// one; it then shows them as one box headed by `heading`, which names the
// file. Questions still reach the user at once.
class MessageBatch {
public:
    explicit MessageBatch(QString heading);
    ~MessageBatch();
    MessageBatch(const MessageBatch&) = delete;
    MessageBatch& operator=(const MessageBatch&) = delete;

    // The collected texts so far.
    const QStringList& texts() const { return texts_; }
    // Shows what was collected so far (before a question that depends on it).
    void flush();

private:
    friend int collectOrShow(const QString& text, const QString& caption, unsigned style);
    QString heading_;
    QStringList texts_;
    unsigned icon_ = 0;
    MessageBatch* outer_ = nullptr;
};

// The item data role under which the scene tree keeps an item's object.
inline constexpr int kObjectRole = 0x0100 + 1;  // Qt::UserRole + 1

}  // namespace kx::app
