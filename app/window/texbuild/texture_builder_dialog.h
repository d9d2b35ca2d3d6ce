// The texture builder: makes, previews, saves and deletes user textures.
// A texture here is its name, parent, the renderer's definition elements it
// sets (each with an editor for its kind, Edit... for image map files) and
// free-form text (Import... reads it from a file). The preview renders
// shortly after each change while "Show preview" is on, cancelling a run
// still going. Closing after previewing unsaved changes renders the saved
// texture's swatch again.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTimer;
class ElementEditor;
class TextureCommands;

namespace kx::app {
class AppSession;
class PreviewRenderPool;
}

class TextureBuilderDialog : public QDialog {
    Q_OBJECT
public:
    // With commands, the swatch of a saved texture previewed with unsaved
    // changes renders again in the background when the builder closes;
    // without, that swatch is removed and renders with the missing ones.
    TextureBuilderDialog(kx::app::AppSession& session, QWidget* parent = nullptr,
                         TextureCommands* commands = nullptr);
    ~TextureBuilderDialog() override;

    // Starts an empty texture with a new name.
    void newTexture();
    // Makes a saved user texture current for editing; false when it cannot be loaded.
    bool editTexture(const QString& name);
    // Saves (1) or refuses with the reason shown (0).
    int save();
    int remove();
    // Renders the preview now; false when nothing was started.
    bool preview();
    void importText(const QString& path);

signals:
    void previewShown(bool ok);

protected:
    void done(int result) override;

private:
    void changed();
    // Shows the text the texture is written as for the preview's renderer.
    void showSceneText();
    void fillTextures();
    void previewFinished(const std::string& imagePath, bool ok);
    void restoreSavedSwatch();

    kx::app::AppSession& session_;
    TextureCommands* commands_;
    ElementEditor* elements_;
    QComboBox* textures_;
    QLineEdit* name_;
    QLineEdit* parent_;
    QPlainTextEdit* text_;
    QPlainTextEdit* sceneText_;  // read only: what the texture is written as, kept up with every edit
    QComboBox* shape_;
    QCheckBox* showPreview_;
    QLabel* swatch_;
    QTimer* previewTimer_;
    std::unique_ptr<kx::app::PreviewRenderPool> pool_;
    std::string editing_;    // the saved name being edited; empty for a new texture
    std::string shortName_;  // the swatch's name
    bool previewedUnsaved_ = false;
    bool filling_ = false;
};
