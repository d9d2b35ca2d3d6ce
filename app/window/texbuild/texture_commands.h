// The window's Textures menu: rebuilding the preview scenes and script, and
// rendering the missing previews in the background, several at once.
#pragma once

#include <QMenu>
#include <QObject>
#include <QString>
#include <memory>

#include "texbuild/texture_previews.h"

namespace kx::app {
class AppSession;
}

class TextureCommands : public QObject {
    Q_OBJECT
public:
    TextureCommands(kx::app::AppSession& session, QObject* parent = nullptr);
    ~TextureCommands() override;

    // Adds the menu's actions ("texturesRebuild", "texturesRenderMissing",
    // "texturesUpdateColours").
    void fillMenu(QMenu* menu);

    // Writes the preview scenes and "TEXTURES.sh" for the missing previews and
    // tells the user to run the script.
    void rebuildPreviews();
    // Renders every missing preview without blocking the window; false when
    // nothing was started (the reason was shown) or a batch still runs.
    bool renderMissingPreviews();
    bool rendering() const;
    // Takes every texture's colour from its swatch, saves the list and gives
    // the objects wearing a library texture its new colour.
    int updateColours();
    // Renders the preview of texture layers (names joined by "+") under the
    // short name "Layers$"; false when nothing was started (the reason shown).
    bool renderLayeredPreview(const std::string& layers);
    // Renders the given previews in the background (the builder's swatch of a
    // saved texture); false when nothing was started or a batch still runs.
    bool renderPreviews(std::vector<kx::app::PreviewJob> jobs);
    // Ends the runs still going.
    void cancel();

signals:
    // One preview ended (on the window's thread); its texture is looked up by
    // name again, since it may have gone meanwhile.
    void previewFinished(const QString& textureName, const QString& imagePath, bool ok);
    void allFinished(int rendered, int failed);
    // Objects took new colours: the views draw again.
    void coloursUpdated();

private:
    // The renderer previews are made with, and the settings to build its command.
    kx::app::RendererDefinition previewRenderer(kx::app::Settings& settings) const;
    bool startPool(std::vector<kx::app::PreviewJob> jobs);

    kx::app::AppSession& session_;
    std::unique_ptr<kx::app::PreviewRenderPool> pool_;
    int pending_ = 0, rendered_ = 0, failed_ = 0;
};
