// What host functions need of the open document: loading, saving, a new
// scene, redrawing, rendering, choosing a file and showing the 3D cursor. The
// window implements it over its document; without a window the headless one
// works on the core's scene directly.
#pragma once

#include <memory>
#include <string>

#include "kxcore.h"

namespace kx::plugins {

class DocumentPort {
public:
    virtual ~DocumentPort() = default;
    // 1 when the file was read whole; the reader reports failures.
    virtual int load(const std::string& path) = 0;
    // Writes the scene as file type `type`; 1 on success.
    virtual int save(const std::string& path, unsigned type) = 0;
    virtual int newScene() = 0;
    virtual void redraw() = 0;
    // Starts a render of the active view.
    virtual void render() = 0;
    // A file chosen by the user; false when cancelled.
    virtual bool chooseFile(bool open, const std::string& filter, std::string& path) = 0;
    virtual void showCursor(const Point3d& p) = 0;
};

// Works on the core's scene without a window: no dialogs (choosing a file is
// always cancelled), no views, and no render. Without files, loading and
// saving fail at once: what the fuzz targets run must write nothing.
enum class DocumentFiles { ReadAndWrite, None };
std::unique_ptr<DocumentPort> makeHeadlessDocument(DocumentFiles files = DocumentFiles::ReadAndWrite);

}  // namespace kx::plugins
