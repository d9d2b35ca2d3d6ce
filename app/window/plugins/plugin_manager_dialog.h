// The plug-in manager dialog: every plug-in function with its kind and file,
// switched on or off (functions that are always present cannot be switched
// off), the plug-in folders scanned again for files not loaded yet, and the
// selected function's own set-up (reasons 4, then 32). Accepting applies the
// choices and writes the module list.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kx::platform {
class IniStore;
}
namespace kx::plugins {
class PluginManager;
}

class PluginManagerDialog : public QDialog {
    Q_OBJECT
public:
    PluginManagerDialog(kx::plugins::PluginManager& manager, kx::platform::IniStore& store,
                        std::vector<std::string> folders, QWidget* parent = nullptr);

    QTreeWidget* list() const { return list_; }
    // Adds a row for each plug-in file of the folders that is not loaded.
    void rescan();
    // The selected function's set-up; its result (0 when nothing is selected).
    int setUpSelected();
    // Loads the checked new files, applies the states, writes the module list.
    void apply();

private:
    void fill();
    QTreeWidgetItem* addRow(const QString& text, const QString& kind, const QString& file);

    kx::plugins::PluginManager& manager_;
    kx::platform::IniStore& store_;
    std::vector<std::string> folders_;
    QTreeWidget* list_;
    QPushButton* setUp_;
};
