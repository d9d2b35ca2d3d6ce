#include "plugins/window_document.h"

#include <QFileDialog>

#include "document/kalvex_doc.h"
#include "plugins/file_filters.h"
#include "render_view/render_controller.h"

namespace kx::plugins {

int WindowDocument::load(const std::string& path) {
    return doc_->open(QString::fromStdString(path)) ? 1 : 0;
}

int WindowDocument::save(const std::string& path, unsigned type) {
    return doc_->save(QString::fromStdString(path), type) ? 1 : 0;
}

int WindowDocument::newScene() {
    doc_->newScene(true);
    return 1;
}

// Inside a plug-in's run, which records what the run changed as one step.
void WindowDocument::redraw() { doc_->redrawRequested(); }

void WindowDocument::render() {
    if (renderer_ && !renderer_->running()) renderer_->start();
}

bool WindowDocument::chooseFile(bool open, const std::string& filter, std::string& path) {
    const QString filters = QString::fromStdString(dialogFilterFromPipes(filter));
    const QString chosen = open ? QFileDialog::getOpenFileName(window_, QStringLiteral("File"), {}, filters, nullptr,
                                                               QFileDialog::ReadOnly)
                                : QFileDialog::getSaveFileName(window_, QStringLiteral("File"), {}, filters);
    if (chosen.isEmpty()) return false;
    path = chosen.toStdString();
    return true;
}

void WindowDocument::showCursor(const Point3d&) { doc_->viewOptionsChanged(); }

}  // namespace kx::plugins
