// Keeps the user's unsaved work: a copy every AutosaveSeconds while the scene
// has unsaved changes, one more when the program is told to end, and at the
// next start the copies of programs that died are offered back.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "document/autosave.h"

class CKalvexDoc;
class QWidget;

namespace kx::app {

class WorkKeeper : public QObject {
    Q_OBJECT
public:
    enum class Choice { Recover, OpenSaved, Discard, Later };
    // How the user answers the offer of a copy; tests put their own in.
    using Chooser = std::function<Choice(const QString& text, bool savedFileExists)>;

    WorkKeeper(CKalvexDoc* doc, std::string folder, int seconds, QWidget* window);
    ~WorkKeeper() override;

    // A copy now, waited for: the program is about to end.
    bool keepNow();
    // A copy now if the scene changed since the last one; false when none was written.
    bool copyIfChanged();
    // The program ends with nothing unsaved: its copy goes.
    void endCleanly();
    // Offers each copy a dead program left; true when one was opened.
    bool offerCopies();
    // Opens the newest copy a dead program left, unasked; true when one was opened.
    bool recoverNewest();
    void setInterval(int seconds);
    void setChooser(Chooser chooser) { chooser_ = std::move(chooser); }
    const Autosaver& autosaver() const { return *saver_; }

private:
    Choice ask(const OrphanedAutosave& copy, bool savedExists);

    CKalvexDoc* doc_;
    QWidget* window_;
    std::unique_ptr<Autosaver> saver_;
    QTimer timer_;
    uint64_t copied_ = 0;  // the scene model's generation the last copy holds
    bool haveCopy_ = false;
    bool keptForNextStart_ = false;  // the copy outlives this program
    Chooser chooser_;
};

}  // namespace kx::app
