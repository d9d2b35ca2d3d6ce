#include "plugins/document_port.h"

namespace kx::plugins {
namespace {

class HeadlessDocument final : public DocumentPort {
public:
    int load(const std::string& path) override {
        unsigned type = GetCadFileType(path.c_str());
        if (type == 0) type = KX_FILETYPE_KALVEX;
        // The old scene's scripts leave with it, after it was told it goes.
        ClearScene(GetCurrentScene());
        ClearKalvexEvent();
        InitScene();
        return Read3Dfile(GetCurrentScene(), path.c_str(), type) ? 1 : 0;
    }
    int save(const std::string& path, unsigned type) override {
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
};

}  // namespace

std::unique_ptr<DocumentPort> makeHeadlessDocument() { return std::make_unique<HeadlessDocument>(); }

}  // namespace kx::plugins
