// A user-interface table that records what the libraries show, for assertions.
#pragma once

#include <string>
#include <vector>

#include "kxplatform/ui_callbacks.h"

namespace kxtest {

struct ShownMessage {
    std::string text;
    std::string caption;
    unsigned style;
};

struct TreeEvent {
    enum Kind { Insert, Delete, Rename } kind;
    std::string text;
    void* data;
};

class UiCapture {
public:
    UiCapture();
    // The table to install; it points back at this object.
    const KxUiCallbacks* table() const { return &table_; }

    std::vector<ShownMessage> messages;
    std::vector<TreeEvent> treeEvents;
    // Answer of the next message boxes.
    int answer = KX_IDOK;
    // Texts of dialog controls by id.
    std::vector<std::pair<int, std::string>> controls;

    std::string lastMessage() const { return messages.empty() ? "" : messages.back().text; }
    // The texts of the messages shown, in order: what damaged-file tests compare whole.
    std::vector<std::string> texts() const {
        std::vector<std::string> all;
        for (const ShownMessage& m : messages) all.push_back(m.text);
        return all;
    }
    void clear() {
        messages.clear();
        treeEvents.clear();
    }

private:
    KxUiCallbacks table_{};
};

}  // namespace kxtest
