// The window's Animation menu and toolbox: frames, key frames, tweening, Play,
// Render Animation and Sequence Files. Built beside the main window, which
// only creates it; everything it needs of the window is public there.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <thread>
#include <vector>

#include "kxplatform/batch.h"

struct CadObject;
class FrameServices;
class CKalvexDoc;
class QAction;
class QDockWidget;
class QMenu;
class QTimer;
class AnimationToolbox;
namespace kx::app {
class AppSession;
class AnimationRender;
}  // namespace kx::app

class AnimationCommands : public QObject {
    Q_OBJECT
public:
    AnimationCommands(kx::app::AppSession& session, FrameServices* frame);
    ~AnimationCommands() override;

    AnimationToolbox* toolbox() const { return toolbox_; }
    QDockWidget* dock() const { return dock_; }

    // Shows a frame (from 0) in every view; false outside the animation.
    bool goToFrame(unsigned frame);
    // The toolbox and menu follow the core's animation (after reading a scene).
    void refresh();

    // The menu commands.
    void setup();
    void addSelected();
    void removeSelected();
    void storeFrame();
    void setKey(bool key);
    void setHidden(bool hidden);
    void tween();
    // Tweens without asking (counted from 1): the dialog's work.
    int tween(unsigned from, unsigned to, bool allObjects);
    void play(bool on);
    bool playing() const;
    void renderAnimation();
    // Renders frames first..last (from 0) without asking; false when nothing started.
    bool renderAnimation(unsigned first, unsigned last, bool insideOut);
    bool rendering() const { return render_ != nullptr; }
    void sequenceFiles();
    // Write and Run of the sequence files, without asking.
    bool writeSequence(bool insideOut);
    bool runSequence(const QString& batch);
    bool runningSequence() const { return batchThread_.joinable(); }
    void cancel();

signals:
    // The end of Render Animation: the frames read back and those that failed.
    void renderFinished(int rendered, int failed, bool cancelled);
    void sequenceFinished(bool ok, bool cancelled);

    // Raised on worker threads, delivered queued.
    void workerOutput(const QString& piece);
    void frameEnded();
    void batchEnded(bool ok, bool cancelled, const QString& failures);

private:
    void createActions();
    void createToolbox();
    void updateActions();
    void objectsEdited(bool selectionOnly, const std::vector<CadObject*>* moved);
    void sceneOpened();
    void announceFrame();
    // Moves to a frame as a render or a newly read scene does: no undo step.
    bool showFrameUnrecorded(unsigned frame);
    // Runs an animation command of the user's: the views redraw what it
    // changed, which is no edit of the frame to be stored.
    template <typename Command>
    auto quietly(Command&& command) {
        showing_ = true;
        auto result = command();
        showing_ = false;
        return result;
    }
    void playStep();
    void onFrameEnded();
    void finishRender();
    void onBatchEnded(bool ok, bool cancelled, const QString& failures);
    void message(const QString& text);
    QAction* newAction(const char* name, const QString& text, void (AnimationCommands::*slot)());
    std::string scenePath() const;

    kx::app::AppSession& session_;
    FrameServices* frame_;
    CKalvexDoc* doc_;
    QMenu* menu_ = nullptr;
    QDockWidget* dock_ = nullptr;
    AnimationToolbox* toolbox_ = nullptr;
    QTimer* player_ = nullptr;
    QAction* playAction_ = nullptr;
    bool showing_ = false;  // the frame shown changes: no edit of the user's
    unsigned frameBeforeRender_ = 0;
    std::unique_ptr<kx::app::AnimationRender> render_;
    kx::platform::BatchRunner batch_;
    std::thread batchThread_;
    QMetaObject::Connection cancelConnection_;
};
