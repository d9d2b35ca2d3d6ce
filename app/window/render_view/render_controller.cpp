#include "render_view/render_controller.h"

#include <QFileInfo>
#include <filesystem>
#include <unistd.h>

#include "document/kalvex_doc.h"
#include "kxcore.h"
#include "mainframe/app_session.h"
#include "pixmo.h"
#include "render/render_job.h"

using kx::app::RenderJob;

RenderController::RenderController(kx::app::AppSession& session, CKalvexDoc* doc, QObject* parent)
    : QObject(parent), session_(session), doc_(doc) {
    connect(this, &RenderController::runnerOutput, this, &RenderController::output, Qt::QueuedConnection);
    connect(this, &RenderController::runnerFinished, this, &RenderController::onRunnerFinished,
            Qt::QueuedConnection);
}

RenderController::~RenderController() {
    if (job_) {
        job_->cancel();
        job_->wait();
    }
}

std::string RenderController::scenePath() const {
    const kx::app::Settings& s = session_.settings();
    std::error_code ec;
    if (doc_->path().isEmpty()) {
        // A scene never saved has no folder of its own: it renders in one kept
        // for it in the user's data folder, never in whatever folder was used last.
        const std::filesystem::path folder = std::filesystem::path(s.directories.program) / "untitled";
        std::filesystem::create_directories(folder, ec);
        return (folder / "untitled.cad").string();
    }
    // The working folder: the chosen one, else the scene's own; a scene in a
    // folder the user cannot write (an installed example) renders in a folder
    // kept for such scenes in the user's data folder.
    std::string folder = s.directories.defaultDir;
    if (folder.empty()) folder = QFileInfo(doc_->path()).absolutePath().toStdString();
    if (s.directories.defaultDir.empty() && ::access(folder.c_str(), W_OK) != 0) {
        folder = (std::filesystem::path(s.directories.program) / "renders").string();
        std::filesystem::create_directories(folder, ec);
    }
    return folder + "/" + QFileInfo(doc_->path()).fileName().toStdString();
}

bool RenderController::start() {
    if (job_) return false;
    kx::app::Settings& settings = session_.settings();
    const kx::app::RendererList& renderers = session_.renderers();
    if (&renderers.current(settings.render.type) == &renderers.entries.front()) return false;
    job_ = std::make_unique<RenderJob>(settings, renderers);
    RenderJob::Callbacks callbacks;
    // Both arrive on the runner thread; the signals carry them over.
    callbacks.output = [this](const std::string& piece) { emit runnerOutput(QString::fromLocal8Bit(piece)); };
    callbacks.finished = [this](const kx::app::RenderOutcome& o) {
        emit runnerFinished(o.ok, o.cancelled, o.exitCode, QString::fromStdString(o.imagePath),
                            QString::fromStdString(o.message));
    };
    callbacks.pluginWindow = kx::app::AppSession::ownerWindow();
    const std::string scene = scenePath();
    // Rendered elsewhere, the renderer still runs beside the scene, where the
    // files it names by a relative path lie.
    if (!doc_->path().isEmpty()) {
        const std::string sceneFolder = QFileInfo(doc_->path()).absolutePath().toStdString();
        if (std::filesystem::path(scene).parent_path() != std::filesystem::path(sceneFolder) &&
            settings.directories.defaultDir.empty())
            job_->setRendererFolder(sceneFolder);
    }
    if (!job_->start(scene, callbacks)) {
        // The output panel tells of this render, not of the one before.
        const QString command = QString::fromStdString(job_->command().text);
        std::string failure = job_->startFailure();
        job_.reset();
        emit started(command);
        emit finished(false, false,
                      failure.empty() ? tr("The render was not started") : QString::fromLocal8Bit(failure));
        return false;
    }
    emit started(QString::fromStdString(job_->command().text));
    // A plug-in renderer has drawn already; its image comes with `finished`.
    if (!settings.render.waitForExit && renderers.current(settings.render.type).type != kx::app::kPluginRendererType) {
        // Started on its own: nothing to wait for or to show.
        job_.reset();
        emit finished(false, false, tr("The renderer runs on its own"));
    }
    return true;
}

void RenderController::cancel() {
    if (job_) job_->cancel();
}

void RenderController::onRunnerFinished(bool ok, bool cancelled, int, const QString& image, const QString& message) {
    if (job_) {
        job_->wait();
        job_.reset();
    }
    if (!ok) {
        emit finished(false, cancelled, message);
        return;
    }
    image_ = image;
    const kx::app::Settings& settings = session_.settings();
    if (!settings.directories.viewer.empty()) {
        kx::app::openImageViewer(settings, image.toStdString());
        emit finished(false, false, tr("Image shown in the viewer: %1").arg(image));
        return;
    }
    const QByteArray name = image.toLocal8Bit();
    const bool shown = pxDisplayImageEx(kx::app::AppSession::ownerWindow(), name.constData(), 0) != 0;
    emit finished(shown, false, shown ? tr("Image: %1").arg(image) : tr("The image could not be read"));
}
