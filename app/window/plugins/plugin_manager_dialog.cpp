#include "plugins/plugin_manager_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <set>

#include "kxplatform/ini_store.h"
#include "plugins/plugin_manager.h"

namespace {

using kx::plugins::PluginItem;
using kx::plugins::PluginManager;

constexpr int kItemRole = Qt::UserRole;      // the item's index, -1 for a file row
constexpr int kPathRole = Qt::UserRole + 1;  // a file row's path

// The icon of a kind's group: builders and tools, files, views, or none.
QIcon groupIcon(int kindId) {
    QStyle* style = QApplication::style();
    switch (kindId) {
        case kx::plugins::KindUtil:
        case kx::plugins::KindBuild:
        case kx::plugins::KindXform: return style->standardIcon(QStyle::SP_FileDialogDetailedView);
        case kx::plugins::KindLoad:
        case kx::plugins::KindSave: return style->standardIcon(QStyle::SP_DriveHDIcon);
        case kx::plugins::KindScreen:
        case kx::plugins::KindRender: return style->standardIcon(QStyle::SP_DesktopIcon);
        default: return {};
    }
}

// A switched-off function shows its group's icon greyed.
QIcon stateIcon(int kindId, bool on) {
    const QIcon icon = groupIcon(kindId);
    if (on || icon.isNull()) return icon;
    return QIcon(icon.pixmap(16, QIcon::Disabled));
}

}  // namespace

PluginManagerDialog::PluginManagerDialog(PluginManager& manager, kx::platform::IniStore& store,
                                         std::vector<std::string> folders, QWidget* parent)
    : QDialog(parent), manager_(manager), store_(store), folders_(std::move(folders)) {
    setWindowTitle(tr("Plug-in Manager"));
    setObjectName(QStringLiteral("pluginManagerDialog"));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("pluginList"));
    list_->setHeaderLabels({tr("Function"), tr("Kind"), tr("File")});
    list_->setRootIsDecorated(false);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* rescanButton = new QPushButton(tr("&Rescan"), this);
    rescanButton->setObjectName(QStringLiteral("pluginRescan"));
    setUp_ = new QPushButton(tr("&Set Up..."), this);
    setUp_->setObjectName(QStringLiteral("pluginSetUp"));
    setUp_->setEnabled(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->addButton(rescanButton, QDialogButtonBox::ActionRole);
    buttons->addButton(setUp_, QDialogButtonBox::ActionRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    connect(rescanButton, &QPushButton::clicked, this, &PluginManagerDialog::rescan);
    connect(setUp_, &QPushButton::clicked, this, &PluginManagerDialog::setUpSelected);
    connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* row) {
        setUp_->setEnabled(row != nullptr && row->data(0, kItemRole).toInt() >= 0);
    });
    connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* row, int column) {
        const int i = row->data(0, kItemRole).toInt();
        if (column != 0 || i < 0 || static_cast<size_t>(i) >= manager_.items().size()) return;
        const QSignalBlocker quiet(list_);
        row->setIcon(0, stateIcon(manager_.items()[static_cast<size_t>(i)].kindId, row->checkState(0) == Qt::Checked));
    });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        apply();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    fill();
    resize(560, 360);
}

QTreeWidgetItem* PluginManagerDialog::addRow(const QString& text, const QString& kind, const QString& file) {
    auto* row = new QTreeWidgetItem(list_, {text, kind, QFileInfo(file).fileName()});
    row->setToolTip(2, file);
    return row;
}

void PluginManagerDialog::fill() {
    const QSignalBlocker quiet(list_);
    list_->clear();
    const auto& items = manager_.items();
    for (size_t i = 0; i < items.size(); ++i) {
        const PluginItem& item = items[i];
        const QString file = item.module ? QString::fromStdString(item.module->path) : QString();
        QTreeWidgetItem* row = addRow(QString::fromStdString(item.description), QString::fromStdString(item.kind), file);
        row->setData(0, kItemRole, static_cast<int>(i));
        row->setIcon(0, stateIcon(item.kindId, item.state != 0));
        if (item.state == 2) {
            // Always present: shown on, and cannot be switched off.
            row->setFlags(row->flags() & ~Qt::ItemIsUserCheckable);
            row->setData(0, Qt::CheckStateRole, Qt::Checked);
        } else {
            row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
            row->setCheckState(0, item.state == 1 ? Qt::Checked : Qt::Unchecked);
        }
    }
    for (const std::string& path : manager_.disabledPaths()) {
        QTreeWidgetItem* row = addRow(tr("(stopped Kalvex while loading)"), tr("disabled"), QString::fromStdString(path));
        row->setData(0, kItemRole, -1);
        row->setFlags(row->flags() & ~(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled));
    }
}

void PluginManagerDialog::rescan() {
    std::set<std::string> known(manager_.disabledPaths().begin(), manager_.disabledPaths().end());
    for (const PluginItem& item : manager_.items())
        if (item.module) known.insert(item.module->path);
    for (int r = 0; r < list_->topLevelItemCount(); ++r) {
        const QString path = list_->topLevelItem(r)->data(0, kPathRole).toString();
        if (!path.isEmpty()) known.insert(path.toStdString());
    }
    for (const std::string& path : PluginManager::modulePaths(store_, true, folders_)) {
        if (known.count(path) != 0) continue;
        QTreeWidgetItem* row = addRow(QFileInfo(QString::fromStdString(path)).completeBaseName(), tr("(not loaded)"),
                                      QString::fromStdString(path));
        row->setData(0, kItemRole, -1);
        row->setData(0, kPathRole, QString::fromStdString(path));
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, Qt::Unchecked);
    }
}

int PluginManagerDialog::setUpSelected() {
    QTreeWidgetItem* row = list_->currentItem();
    const int i = row ? row->data(0, kItemRole).toInt() : -1;
    if (i < 0) return 0;
    const int result = manager_.call(static_cast<size_t>(i), nullptr, 4, nullptr);
    if (result != 0) manager_.call(static_cast<size_t>(i), nullptr, 32, nullptr);
    return result;
}

void PluginManagerDialog::apply() {
    // States first: loading new files enables only what they bring.
    std::vector<std::string> load;
    for (int r = 0; r < list_->topLevelItemCount(); ++r) {
        QTreeWidgetItem* row = list_->topLevelItem(r);
        const int i = row->data(0, kItemRole).toInt();
        if (i >= 0 && static_cast<size_t>(i) < manager_.items().size()) {
            PluginItem& item = manager_.items()[static_cast<size_t>(i)];
            if (item.state != 2) item.state = row->checkState(0) == Qt::Checked ? 1 : 0;
        } else if (!row->data(0, kPathRole).toString().isEmpty() && row->checkState(0) == Qt::Checked) {
            load.push_back(row->data(0, kPathRole).toString().toStdString());
        }
    }
    std::vector<int> states;
    for (const PluginItem& item : manager_.items()) states.push_back(item.state);
    manager_.loadFiles(load);
    for (size_t i = 0; i < states.size() && i < manager_.items().size(); ++i) manager_.items()[i].state = states[i];
    manager_.saveModuleList(store_);
}
