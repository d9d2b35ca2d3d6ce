#include "plugins/document_port.h"

#include "document/write_scene.h"
#include "document/scene_keeper.h"
#include "model/scene_model.h"

namespace kx::plugins {
namespace {

class HeadlessDocument final : public DocumentPort {
public:
    explicit HeadlessDocument(DocumentFiles files) : files_(files) {}
    int load(const std::string& path) override {
        if (files_ == DocumentFiles::None) return 0;
        unsigned type = GetCadFileType(path.c_str());
        if (type == 0) type = KX_FILETYPE_KALVEX;
        kx::app::SceneModel::Transaction change(kx::app::SceneDelta::Replaced);
        // A file that cannot be read leaves the scene as it was.
        kx::app::SceneKeeper keeper;
        kx::app::emptyScene();
        if (Read3Dfile(GetCurrentScene(), path.c_str(), type)) return 1;
        if (keeper.kept()) keeper.restore();
        return 0;
    }
    int save(const std::string& path, unsigned type) override {
        if (files_ == DocumentFiles::None) return 0;
        return kx::app::writeSceneAs(path, type) ? 1 : 0;
    }
    int newScene() override {
        InitScene();
        CreateDefaultScene();
        return 1;
    }
    void redraw() override {}
    void render() override {}
    bool chooseFile(bool, const std::string&, std::string&) override { return false; }
    void showCursor(const Point3d&) override {}

private:
    DocumentFiles files_;
};

}  // namespace

std::unique_ptr<DocumentPort> makeHeadlessDocument(DocumentFiles files) {
    return std::make_unique<HeadlessDocument>(files);
}

}  // namespace kx::plugins
