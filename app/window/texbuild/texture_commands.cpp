#include "texbuild/texture_commands.h"

#include <QMetaObject>

#include "kxcore.h"
#include "kxplatform/ui_callbacks.h"
#include "mainframe/app_session.h"
#include "model/scene_model.h"

TextureCommands::TextureCommands(kx::app::AppSession& session, QObject* parent) : QObject(parent), session_(session) {}

TextureCommands::~TextureCommands() { cancel(); }

void TextureCommands::fillMenu(QMenu* menu) {
    QAction* rebuild = menu->addAction(tr("&Rebuild Previews"), this, [this] { rebuildPreviews(); });
    rebuild->setObjectName(QStringLiteral("texturesRebuild"));
    QAction* render = menu->addAction(tr("Render &Missing Previews"), this, [this] { renderMissingPreviews(); });
    render->setObjectName(QStringLiteral("texturesRenderMissing"));
    QAction* colours = menu->addAction(tr("&Update Colours from Previews"), this, [this] { updateColours(); });
    colours->setObjectName(QStringLiteral("texturesUpdateColours"));
}

int TextureCommands::updateColours() {
    const int taken = session_.core().textures().updatePreviewColours(kx::app::AppSession::ownerWindow());
    kx::app::SceneModel::Transaction change;
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next)
        if ((obj->materialType & KX_TEXTURE_TEXTURE) && GetTextureInfoByName(obj->material))
            SetObjectTextureEx(obj, obj->materialType, obj->material);
    emit coloursUpdated();
    return taken;
}

kx::app::RendererDefinition TextureCommands::previewRenderer(kx::app::Settings& settings) const {
    settings = session_.settings();
    return kx::app::previewRenderer(session_.renderers(), settings);
}

void TextureCommands::rebuildPreviews() {
    kx::app::Settings settings;
    const kx::app::RendererDefinition renderer = previewRenderer(settings);
    kx::app::RebuildResult result = kx::app::rebuildPreviews(session_.core().textures(), renderer, settings);
    if (result.ok)
        kx::platform::messageBox(nullptr, result.message.c_str(), "Kalvex", KX_MB_OK | KX_MB_ICONINFORMATION);
}

bool TextureCommands::renderMissingPreviews() {
    if (rendering()) return false;
    kx::app::Settings settings;
    const kx::app::RendererDefinition renderer = previewRenderer(settings);
    kx::app::RebuildResult result = kx::app::rebuildPreviews(session_.core().textures(), renderer, settings);
    if (!result.ok) return false;
    return startPool(std::move(result.jobs));
}

bool TextureCommands::renderLayeredPreview(const std::string& layers) {
    if (rendering()) return false;
    kx::app::Settings settings;
    const kx::app::RendererDefinition renderer = previewRenderer(settings);
    kx::app::PreviewJob job;
    if (!kx::app::prepareLayeredPreview(session_.core().textures(), renderer, settings, layers, kx::app::kPreviewSphere,
                                        job))
        return false;
    return startPool({job});
}

bool TextureCommands::renderPreviews(std::vector<kx::app::PreviewJob> jobs) {
    if (rendering() || jobs.empty()) return false;
    return startPool(std::move(jobs));
}

bool TextureCommands::startPool(std::vector<kx::app::PreviewJob> jobs) {
    pending_ = static_cast<int>(jobs.size());
    rendered_ = failed_ = 0;
    if (pending_ == 0) {
        emit allFinished(0, 0);
        return true;
    }
    pool_ = std::make_unique<kx::app::PreviewRenderPool>();
    // Each run ends on a worker thread; the window learns of it through its own queue.
    return pool_->start(std::move(jobs), kx::app::defaultPreviewJobs(), [this](const kx::app::PreviewResult& r) {
        QMetaObject::invokeMethod(
            this,
            [this, r] {
                r.ok ? ++rendered_ : ++failed_;
                emit previewFinished(QString::fromStdString(r.textureName), QString::fromStdString(r.imagePath), r.ok);
                if (--pending_ == 0) emit allFinished(rendered_, failed_);
            },
            Qt::QueuedConnection);
    });
}

bool TextureCommands::rendering() const { return pool_ && pool_->running(); }

void TextureCommands::cancel() {
    if (!pool_) return;
    pool_->cancel();
    pool_->wait();
}
