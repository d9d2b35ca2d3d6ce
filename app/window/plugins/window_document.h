// The window's side of the document host functions: the open document, its
// views and dialogs, and the render command.
#pragma once

#include <QWidget>

#include "plugins/document_port.h"

class CKalvexDoc;
class RenderController;

namespace kx::plugins {

class WindowDocument final : public DocumentPort {
public:
    WindowDocument(CKalvexDoc* doc, RenderController* renderer, QWidget* window)
        : doc_(doc), renderer_(renderer), window_(window) {}

    int load(const std::string& path) override;
    int save(const std::string& path, unsigned type) override;
    int newScene() override;
    // Schedules a repaint (never paints from inside a plug-in call).
    void redraw() override;
    void render() override;
    bool chooseFile(bool open, const std::string& filter, std::string& path) override;
    void showCursor(const Point3d& p) override;

private:
    CKalvexDoc* doc_;
    RenderController* renderer_;
    QWidget* window_;
};

}  // namespace kx::plugins
