#include "animation/animation_commands.h"

#include <QAction>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "animation/animation_dialogs.h"
#include "animation/animation_edit.h"
#include "animation/animation_render.h"
#include "animation/animation_toolbox.h"
#include "animation/sequence_files.h"
#include "document/kalvex_doc.h"
#include "kxcore.h"
#include "kxplatform/ui_callbacks.h"
#include "mainframe/app_session.h"
#include "mainframe/frame_services.h"
#include "pixmo.h"
#include "render_view/render_controller.h"
#include "render_view/render_output_panel.h"

using namespace kx::app;

AnimationCommands::AnimationCommands(AppSession& session, FrameServices* frame)
    : QObject(frame->frameWidget()), session_(session), frame_(frame), doc_(frame->document()) {
    setObjectName(QStringLiteral("animationCommands"));
    player_ = new QTimer(this);
    connect(player_, &QTimer::timeout, this, &AnimationCommands::playStep);
    createActions();
    createToolbox();
    connect(doc_, &CKalvexDoc::geometryUpdated, this, [this] { objectsEdited(true, nullptr); });
    // Undo and redo may take the shown frame back.
    connect(doc_, &CKalvexDoc::historyChanged, this, [this] { refresh(); });
    connect(doc_, &CKalvexDoc::objectsMovedBy, this,
            [this](const std::vector<CadObject*>& moved) { objectsEdited(false, &moved); });
    connect(doc_, &CKalvexDoc::documentReplaced, this, &AnimationCommands::sceneOpened);
    connect(this, &AnimationCommands::workerOutput, this,
            [this](const QString& piece) { frame_->renderOutput()->append(piece); }, Qt::QueuedConnection);
    connect(this, &AnimationCommands::frameEnded, this, &AnimationCommands::onFrameEnded, Qt::QueuedConnection);
    connect(this, &AnimationCommands::batchEnded, this, &AnimationCommands::onBatchEnded, Qt::QueuedConnection);
    refresh();
}

AnimationCommands::~AnimationCommands() {
    player_->stop();
    batch_.cancel();
    if (batchThread_.joinable()) batchThread_.join();
    render_.reset();  // cancels and waits for a frame still rendering
}

QAction* AnimationCommands::newAction(const char* name, const QString& text, void (AnimationCommands::*slot)()) {
    auto* a = new QAction(text, frame_->frameWidget());
    a->setObjectName(QString::fromLatin1(name));
    frame_->registerAction(a);
    if (slot) connect(a, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
    menu_->addAction(a);
    return a;
}

void AnimationCommands::createActions() {
    menu_ = new QMenu(tr("&Animation"), frame_->frameWidget());
    menu_->setObjectName(QStringLiteral("animationMenu"));
    // Before Help, which stays last.
    frame_->insertMenu(menu_);
    newAction("animationSetup", tr("&Setup..."), &AnimationCommands::setup);
    menu_->addSeparator();
    newAction("animationAdd", tr("&Add Selected"), &AnimationCommands::addSelected);
    newAction("animationRemove", tr("&Remove Selected"), &AnimationCommands::removeSelected);
    newAction("animationStore", tr("S&tore Frame"), &AnimationCommands::storeFrame);
    connect(newAction("animationSetKey", tr("Set &Key"), nullptr), &QAction::triggered, this, [this] { setKey(true); });
    connect(newAction("animationDeleteKey", tr("&Delete Key"), nullptr), &QAction::triggered, this,
            [this] { setKey(false); });
    connect(newAction("animationHide", tr("&Hide"), nullptr), &QAction::triggered, this, [this] { setHidden(true); });
    connect(newAction("animationShow", tr("Sho&w"), nullptr), &QAction::triggered, this, [this] { setHidden(false); });
    newAction("animationTween", tr("T&ween..."), qOverload<>(&AnimationCommands::tween));
    playAction_ = newAction("animationPlay", tr("&Play"), nullptr);
    playAction_->setCheckable(true);
    connect(playAction_, &QAction::triggered, this, [this](bool on) { play(on); });
    menu_->addSeparator();
    newAction("animationRender", tr("Render &Animation..."), qOverload<>(&AnimationCommands::renderAnimation));
    newAction("animationSequence", tr("Se&quence Files..."), &AnimationCommands::sequenceFiles);
}

void AnimationCommands::createToolbox() {
    QList<QAction*> buttons;
    for (const char* name : {"animationAdd", "animationRemove", "animationStore", "animationTween", "animationSetKey",
                             "animationDeleteKey", "animationHide", "animationShow", "animationPlay"})
        buttons.push_back(frame_->action(QString::fromLatin1(name)));
    toolbox_ = new AnimationToolbox(buttons);
    dock_ = new QDockWidget(tr("Animation"), frame_->frameWidget());
    dock_->setObjectName(QStringLiteral("animationDock"));
    dock_->setWidget(toolbox_);
    frame_->addDock(Qt::BottomDockWidgetArea, dock_);
    Settings& s = session_.settings();
    const bool shown = s.desktop.toolboxAnimate != 0 || s.animateToolbox.active != 0;
    dock_->setVisible(shown);
    if (shown && (s.animateToolbox.x > 0 || s.animateToolbox.y > 0)) {
        dock_->setFloating(true);
        dock_->move(s.animateToolbox.x, s.animateToolbox.y);
    }
    QAction* toggle = dock_->toggleViewAction();
    toggle->setObjectName(QStringLiteral("animationToolbox"));
    toggle->setText(tr("T&oolbox"));
    menu_->insertAction(menu_->actions().value(1), toggle);
    connect(dock_, &QDockWidget::visibilityChanged, this, [this](bool) {
        Settings& st = session_.settings();
        const bool on = !dock_->isHidden();
        st.desktop.toolboxAnimate = on ? 1 : 0;
        st.animateToolbox.active = on ? 1 : 0;
        if (dock_->isFloating()) {
            st.animateToolbox.x = dock_->x();
            st.animateToolbox.y = dock_->y();
        }
    });
    connect(toolbox_, &AnimationToolbox::frameRequested, this, [this](unsigned f) { goToFrame(f); });
}

void AnimationCommands::updateActions() {
    const bool active = IsAni() != 0 && GetMaxFrame() > 0;
    const bool busy = rendering() || runningSequence();
    for (QAction* a : menu_->actions()) {
        const QString name = a->objectName();
        if (name == QLatin1String("animationSetup") || name == QLatin1String("animationToolbox")) continue;
        a->setEnabled(active && !busy);
    }
    if (playAction_->isChecked() != playing()) playAction_->setChecked(playing());
    playAction_->setText(playing() ? tr("&Stop") : tr("&Play"));
}

void AnimationCommands::refresh() {
    IsUpdateAnimateCtrl();
    toolbox_->showFrame(IsAni() ? GetCurrentFrame() : 0, IsAni() ? GetMaxFrame() : 0);
    updateActions();
}

bool AnimationCommands::goToFrame(unsigned frame) {
    const bool shown = quietly([frame] { return goToAnimationFrame(frame); });
    refresh();
    return shown;
}

bool AnimationCommands::showFrameUnrecorded(unsigned frame) {
    const bool shown = showAnimationFrame(frame);
    if (shown) announceFrame();
    refresh();
    return shown;
}

void AnimationCommands::announceFrame() {
    // The views redraw what the core moved; that is no edit to be stored.
    showing_ = true;
    doc_->framesShown();
    showing_ = false;
}

void AnimationCommands::objectsEdited(bool selectionOnly, const std::vector<CadObject*>* moved) {
    if (showing_ || !IsAni()) return;
    bool animated = false;
    if (selectionOnly) {
        animated = selectionIsAnimated();
    } else {
        for (CadObject* obj : *moved) animated = animated || (obj->flags & KX_FLAG_ANIMATED) != 0;
    }
    // The frame shown next first keeps what the user did to this one.
    if (animated) SetFrameChange(1);
}

void AnimationCommands::sceneOpened() {
    play(false);
    // The frames being rendered belong to the scene that went.
    if (render_) render_->cancel();
    if (IsAni() && GetMaxFrame() > 0) {
        SetFrameChange(0);
        showFrameUnrecorded(0);
    }
    refresh();
}

void AnimationCommands::message(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    kx::platform::messageBox(nullptr, bytes.constData(), "Animation", KX_MB_OK | KX_MB_ICONEXCLAMATION);
}

void AnimationCommands::setup() {
    AnimationSetupDialog dialog(currentAnimationSetup(), session_.settings().playRate, frame_->frameWidget());
    if (dialog.exec() != QDialog::Accepted) return;
    const AnimationSetup chosen = dialog.setup();
    if (setupDiscardsFrames(chosen) &&
        kx::platform::messageBox(nullptr,
                                 "A new number of frames discards every key frame of the animation.\n"
                                 "Go on?",
                                 "Animation", KX_MB_YESNO | KX_MB_ICONQUESTION) != KX_IDYES)
        return;
    session_.settings().playRate = clampPlayRate(dialog.playRate());
    if (quietly([&chosen] { return applyAnimationSetup(chosen); })) goToFrame(GetCurrentFrame());
    refresh();
}

void AnimationCommands::addSelected() {
    quietly([] { return addSelectedToAnimation(); });
    goToFrame(GetCurrentFrame());
}

void AnimationCommands::removeSelected() {
    quietly([] { return removeSelectedFromAnimation(); });
    goToFrame(GetCurrentFrame());
}

void AnimationCommands::storeFrame() {
    quietly([] { return storeAnimationFrame(); });
    refresh();
}

void AnimationCommands::setKey(bool key) {
    quietly([key] { return setAnimationKey(key); });
}

void AnimationCommands::setHidden(bool hidden) {
    quietly([hidden] { return setAnimationHidden(hidden); });
    goToFrame(GetCurrentFrame());
}

void AnimationCommands::tween() {
    if (!IsAni()) return;
    TweenDialog dialog(GetCurrentFrame() + 1, GetMaxFrame(), GetMaxFrame(), frame_->frameWidget());
    if (dialog.exec() != QDialog::Accepted) return;
    tween(dialog.from(), dialog.to(), dialog.allObjects());
}

int AnimationCommands::tween(unsigned from, unsigned to, bool allObjects) {
    const int filled = quietly([=] { return tweenAnimation(from, to, allObjects); });
    goToFrame(GetCurrentFrame());
    return filled;
}

bool AnimationCommands::playing() const { return player_->isActive(); }

void AnimationCommands::play(bool on) {
    if (on && IsAni() && GetMaxFrame() > 1) {
        player_->start(1000 / clampPlayRate(session_.settings().playRate));
    } else {
        player_->stop();
    }
    updateActions();
}

void AnimationCommands::playStep() {
    if (!IsAni() || GetMaxFrame() == 0) {
        play(false);
        return;
    }
    goToFrame(nextPlayFrame(GetCurrentFrame(), GetMaxFrame()));
}

std::string AnimationCommands::scenePath() const { return frame_->renderer()->scenePath(); }

void AnimationCommands::cancel() {
    if (render_) render_->cancel();
    if (runningSequence()) batch_.cancel();
}

void AnimationCommands::renderAnimation() {
    if (!IsAni() || GetMaxFrame() == 0) {
        message(QStringLiteral("No frames in animation"));
        return;
    }
    RenderAnimationDialog dialog(GetMaxFrame(), frame_->frameWidget());
    if (dialog.exec() != QDialog::Accepted) return;
    renderAnimation(dialog.first(), dialog.last(), dialog.insideOut());
}

bool AnimationCommands::renderAnimation(unsigned first, unsigned last, bool insideOut) {
    if (render_ || runningSequence() || frame_->renderer()->running()) return false;
    play(false);
    auto render = std::make_unique<AnimationRender>(session_.settings(), session_.renderers());
    std::string error;
    if (!render->prepare({scenePath(), first, last, insideOut}, error)) {
        message(QString::fromStdString(error));
        return false;
    }
    render_ = std::move(render);
    frameBeforeRender_ = GetCurrentFrame();
    RenderOutputPanel* panel = frame_->renderOutput();
    panel->begin(tr("Render Animation: frames %1 to %2").arg(first + 1).arg(last + 1));
    frame_->showDock(FrameServices::Dock::RenderOutput);
    cancelConnection_ = connect(panel->cancelButton(), &QPushButton::clicked, this, &AnimationCommands::cancel);
    updateActions();
    onFrameEnded();  // starts the first frame
    return true;
}

void AnimationCommands::onFrameEnded() {
    if (!render_) return;
    RenderOutputPanel* panel = frame_->renderOutput();
    if (render_->running()) {
        const unsigned frame = render_->currentFrame();
        const std::string image = render_->finishFrame();
        if (!image.empty()) {
            const QByteArray name = QString::fromStdString(image).toLocal8Bit();
            pxDisplayImageEx(AppSession::ownerWindow(), name.constData(), 0);
            panel->append(QStringLiteral("Frame %1: %2\n").arg(frame).arg(QString::fromStdString(image)));
            frame_->showRenderView();
        } else if (!render_->cancelled()) {
            panel->append(tr("Frame %1 failed\n").arg(frame));
        }
    }
    AnimationRender::Callbacks callbacks;
    callbacks.output = [this](const std::string& piece) { emit workerOutput(QString::fromLocal8Bit(piece)); };
    callbacks.frameEnded = [this] { emit frameEnded(); };
    if (!render_->startNext(callbacks)) {
        finishRender();
        return;
    }
    announceFrame();
    refresh();
    const QString progress = QString::fromStdString(render_->progressText());
    panel->append(progress + QLatin1Char('\n'));
    frame_->showStatus(progress);
}

void AnimationCommands::finishRender() {
    std::unique_ptr<AnimationRender> render = std::move(render_);
    disconnect(cancelConnection_);
    const bool cancelled = render->cancelled();
    const int rendered = static_cast<int>(render->images().size());
    const int failed = static_cast<int>(render->failedFrames().size());
    if (!cancelled && rendered > 0) render->writeFrameList();
    showFrameUnrecorded(frameBeforeRender_);
    const QString status = cancelled ? tr("Render cancelled")
                                     : tr("%1 frames rendered, %2 failed").arg(rendered).arg(failed);
    frame_->renderOutput()->end(status);
    frame_->showStatus(status, 5000);
    updateActions();
    emit renderFinished(rendered, failed, cancelled);
}

void AnimationCommands::sequenceFiles() {
    SequenceFilesDialog dialog(frame_->frameWidget());
    connect(&dialog, &SequenceFilesDialog::writeRequested, this, [this](bool insideOut) { writeSequence(insideOut); });
    connect(&dialog, &SequenceFilesDialog::runRequested, this, [this, &dialog] {
        // The sequence Write made, else one the user picks.
        QString batch = QString::fromStdString(sequenceFilePath(scenePath()));
        if (!QFileInfo(batch).isFile())
            batch = QFileDialog::getOpenFileName(&dialog, tr("Run Sequence"), QFileInfo(batch).absolutePath(),
                                                 tr("Batch files (*.BAT *.bat)"));
        if (!batch.isEmpty()) runSequence(batch);
    });
    dialog.exec();
}

bool AnimationCommands::writeSequence(bool insideOut) {
    SequenceFiles written;
    std::string error;
    const bool ok = writeSequenceFiles(session_.settings(), session_.renderers(), scenePath(), insideOut, written, error);
    announceFrame();
    refresh();
    if (!ok) {
        if (!error.empty()) message(QString::fromStdString(error));
        return false;
    }
    frame_->showStatus(tr("Sequence written: %1").arg(QString::fromStdString(written.sequence)), 5000);
    return true;
}

bool AnimationCommands::runSequence(const QString& batch) {
    if (render_ || runningSequence()) return false;
    if (!QFileInfo(batch).isFile()) {
        message(tr("The sequence file %1 has not been written").arg(batch));
        return false;
    }
    RenderOutputPanel* panel = frame_->renderOutput();
    panel->begin(batch);
    frame_->showDock(FrameServices::Dock::RenderOutput);
    cancelConnection_ = connect(panel->cancelButton(), &QPushButton::clicked, this, &AnimationCommands::cancel);
    const std::string path = batch.toStdString();
    batchThread_ = std::thread([this, path] {
        kx::platform::BatchRunner::Callbacks callbacks;
        callbacks.output = [this](const std::string& piece) { emit workerOutput(QString::fromLocal8Bit(piece)); };
        callbacks.lineStarted = [this](const std::string& file, int line, const std::string&) {
            emit workerOutput(QStringLiteral("%1, line %2\n")
                                  .arg(QFileInfo(QString::fromStdString(file)).fileName())
                                  .arg(line));
        };
        const kx::platform::BatchResult r = batch_.run(path, {}, callbacks);
        QString failures;
        for (const kx::platform::BatchLineFailure& f : r.failures)
            failures += QStringLiteral("Line %1 of %2 failed: %3\n")
                            .arg(f.line)
                            .arg(QString::fromStdString(f.batch), QString::fromStdString(f.reason));
        emit batchEnded(r.ok, r.cancelled, failures);
    });
    updateActions();
    return true;
}

void AnimationCommands::onBatchEnded(bool ok, bool cancelled, const QString& failures) {
    if (batchThread_.joinable()) batchThread_.join();
    disconnect(cancelConnection_);
    if (!failures.isEmpty()) frame_->renderOutput()->append(failures);
    const QString status = cancelled ? tr("Sequence cancelled") : ok ? tr("Sequence finished") : tr("Sequence failed");
    frame_->renderOutput()->end(status);
    frame_->showStatus(status, 5000);
    updateActions();
    emit sequenceFinished(ok, cancelled);
}
