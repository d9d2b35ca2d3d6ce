#include "plugins/document_port.h"

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
        kx::app::emptyScene();
        return Read3Dfile(GetCurrentScene(), path.c_str(), type) ? 1 : 0;
    }
    int save(const std::string& path, unsigned type) override {
        if (files_ == DocumentFiles::None) return 0;
        return Write3Dfile(GetCurrentScene(), path.c_str(), type) ? 1 : 0;
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
