// The document the plug-in host and the scripts work on in the fuzz targets:
// a new scene is made, nothing is loaded, saved, drawn or rendered.
#pragma once

#include <string>

#include "kxcore.h"
#include "plugins/host_state.h"

namespace kxfuzz {

class StubDocument final : public kx::plugins::DocumentPort {
public:
    int load(const std::string&) override { return 0; }
    int save(const std::string&, unsigned) override { return 0; }
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

}  // namespace kxfuzz
