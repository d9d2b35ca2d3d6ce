// Rendering from the window: the render road runs on the runner thread; its
// output and its end reach the window as queued signals, so the window never
// waits and message boxes stay on the user-interface thread.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

namespace kx::app {
class AppSession;
class RenderJob;
}  // namespace kx::app
class CKalvexDoc;

class RenderController : public QObject {
    Q_OBJECT
public:
    RenderController(kx::app::AppSession& session, CKalvexDoc* doc, QObject* parent = nullptr);
    ~RenderController() override;

    // Exports the scene and starts the renderer; false when nothing was started
    // (no external renderer chosen, or the reason has been shown).
    bool start();
    void cancel();
    bool running() const { return job_ != nullptr; }

    // The scene file the renderer reads: the document's name in the working folder.
    std::string scenePath() const;
    // The image of the last successful render.
    QString imagePath() const { return image_; }

signals:
    void started(const QString& command);
    void output(const QString& piece);
    // ok: the image was read into the image library and can be shown.
    void finished(bool ok, bool cancelled, const QString& message);

    // Raised on the runner thread, delivered queued.
    void runnerOutput(const QString& piece);
    void runnerFinished(bool ok, bool cancelled, int exitCode, const QString& image, const QString& message);

private:
    void onRunnerFinished(bool ok, bool cancelled, int exitCode, const QString& image, const QString& message);

    kx::app::AppSession& session_;
    CKalvexDoc* doc_;
    std::unique_ptr<kx::app::RenderJob> job_;
    QString image_;
};
