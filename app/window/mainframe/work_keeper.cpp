#include "mainframe/work_keeper.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>
#include <utility>

#include "document/kalvex_doc.h"
#include "kxcore.h"
#include "kxplatform/ui_callbacks.h"
#include "model/scene_model.h"
#include "views/mouse_state.h"

namespace kx::app {

namespace {

QString when(std::time_t t) {
    return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(t)).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// The box of three answers the window shows.
WorkKeeper::Choice askInBox(QWidget* window, const QString& text, bool savedExists) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Kalvex"), text, QMessageBox::NoButton, window);
    QPushButton* recover = box.addButton(QObject::tr("Recover"), QMessageBox::AcceptRole);
    QPushButton* saved = savedExists ? box.addButton(QObject::tr("Open the saved file"), QMessageBox::ActionRole)
                                     : nullptr;
    QPushButton* discard = box.addButton(QObject::tr("Discard"), QMessageBox::DestructiveRole);
    box.setDefaultButton(recover);
    box.exec();
    if (box.clickedButton() == recover) return WorkKeeper::Choice::Recover;
    if (saved && box.clickedButton() == saved) return WorkKeeper::Choice::OpenSaved;
    if (box.clickedButton() == discard) return WorkKeeper::Choice::Discard;
    return WorkKeeper::Choice::Later;
}

}  // namespace

WorkKeeper::WorkKeeper(CKalvexDoc* doc, std::string folder, int seconds, QWidget* window)
    : QObject(window), doc_(doc), window_(window), saver_(std::make_unique<Autosaver>(std::move(folder))) {
    connect(&timer_, &QTimer::timeout, this, [this] { copyIfChanged(); });
    // Saved, opened or new: the file holds the work, and the copy is stale.
    connect(doc_, &CKalvexDoc::titleChanged, this, [this] {
        if (!doc_->isModified() && haveCopy_ && !keptForNextStart_) {
            saver_->remove();
            haveCopy_ = false;
        }
    });
    setInterval(seconds);
}

WorkKeeper::~WorkKeeper() = default;

void WorkKeeper::setInterval(int seconds) {
    if (seconds <= 0) {
        timer_.stop();
        return;
    }
    timer_.start(seconds * 1000);
}

bool WorkKeeper::copyIfChanged() {
    if (!doc_->isModified()) return false;
    // A drag in progress is half an edit; its end comes with the next tick.
    const int state = doc_->mouseEditor().state;
    if (state == kMouseDrag || state == kMouseDragSnap) return false;
    const uint64_t now = sceneModel().generation();
    // A copy that failed (a full disk) is tried again at each tick.
    if (haveCopy_ && now == copied_ && !saver_->lastFailed()) return false;
    if (!saver_->save(doc_->path().toStdString())) return false;
    copied_ = now;
    haveCopy_ = true;
    return true;
}

bool WorkKeeper::keepNow() {
    if (!doc_->isModified()) return false;
    haveCopy_ = saver_->saveNow(doc_->path().toStdString());
    keptForNextStart_ = haveCopy_;
    if (haveCopy_) LogMessage(1, "Unsaved changes kept in %s", saver_->copyPath(doc_->path().toStdString()).c_str());
    return haveCopy_;
}

void WorkKeeper::endCleanly() {
    saver_->remove();
    haveCopy_ = false;
}

WorkKeeper::Choice WorkKeeper::ask(const OrphanedAutosave& copy, bool savedExists) {
    const QString original = QString::fromStdString(copy.original);
    QString text = original.isEmpty()
                       ? tr("Kalvex ended without saving an untitled scene.\nA copy of it from %1 was kept.")
                             .arg(when(copy.written))
                       : tr("Kalvex ended without saving the changes to %1.\nA copy of them from %2 was kept.")
                             .arg(original, when(copy.written));
    if (savedExists)
        text += tr("\nThe saved file is from %1.").arg(QFileInfo(original).lastModified().toString(
                    QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    return chooser_ ? chooser_(text, savedExists) : askInBox(window_, text, savedExists);
}

bool WorkKeeper::recoverNewest() {
    Chooser asked = std::exchange(chooser_, [](const QString&, bool) { return Choice::Recover; });
    const bool opened = offerCopies();
    chooser_ = std::move(asked);
    return opened;
}

bool WorkKeeper::offerCopies() {
    std::vector<OrphanedAutosave> copies = Autosaver::orphans(saver_->folder(), saver_->owner());
    for (OrphanedAutosave& copy : copies) {
        const bool savedExists = !copy.original.empty() && QFileInfo::exists(QString::fromStdString(copy.original));
        switch (ask(copy, savedExists)) {
            case Choice::Recover:
                if (!doc_->open(QString::fromStdString(copy.scene))) break;
                // The user's work, not yet in a file of theirs: saving asks
                // for a name and offers the one it had.
                doc_->forgetPath(QString::fromStdString(copy.original));
                doc_->setModified(true);
                Autosaver::discard(copy);
                copyIfChanged();
                return true;
            case Choice::OpenSaved:
                if (!doc_->open(QString::fromStdString(copy.original))) break;
                Autosaver::discard(copy);
                return true;
            case Choice::Discard: {
                const QByteArray sure =
                    tr("Discard the kept copy? It is moved to %1 and removed after a week.")
                        .arg(QString::fromStdString(saver_->folder() + "/discarded"))
                        .toUtf8();
                if (platform::messageBox(nullptr, sure.constData(), "Kalvex", KX_MB_YESNO | KX_MB_ICONQUESTION) ==
                    KX_IDYES)
                    Autosaver::discard(copy);
                break;
            }
            case Choice::Later: break;  // offered again at the next start
        }
    }
    return false;
}

}  // namespace kx::app
