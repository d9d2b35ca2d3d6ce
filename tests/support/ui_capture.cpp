#include "ui_capture.h"

#include <cstring>

namespace kxtest {
namespace {

UiCapture& self(void* context) { return *static_cast<UiCapture*>(context); }

}  // namespace

UiCapture::UiCapture() {
    table_.size = sizeof(KxUiCallbacks);
    table_.context = this;
    table_.messageBox = [](void* c, HWND, const char* text, const char* caption, unsigned style) {
        self(c).messages.push_back({text ? text : "", caption ? caption : "", style});
        return self(c).answer;
    };
    table_.insertTreeItem = [](void* c, HWND, HTREEITEM, const char* text, void* data) {
        self(c).treeEvents.push_back({TreeEvent::Insert, text ? text : "", data});
        return reinterpret_cast<HTREEITEM>(data);
    };
    table_.deleteTreeItem = [](void* c, HWND, HTREEITEM item) {
        self(c).treeEvents.push_back({TreeEvent::Delete, "", item});
        return 1;
    };
    table_.renameTreeItem = [](void* c, HWND, HTREEITEM item, const char* text) {
        self(c).treeEvents.push_back({TreeEvent::Rename, text ? text : "", item});
        return 1;
    };
    table_.setDialogItemText = [](void* c, HWND, int id, const char* text) {
        auto& controls = self(c).controls;
        for (auto& [cid, value] : controls)
            if (cid == id) {
                value = text;
                return 1;
            }
        controls.emplace_back(id, text);
        return 1;
    };
    table_.getDialogItemText = [](void* c, HWND, int id, char* buffer, unsigned size) {
        for (auto& [cid, value] : self(c).controls)
            if (cid == id && size > 0) {
                std::strncpy(buffer, value.c_str(), size - 1);
                buffer[size - 1] = '\0';
                return 1;
            }
        return 0;
    };
}

}  // namespace kxtest
