#include "plugins/plugin_commands.h"

#include "plugins/builtin_tools.h"
#include "plugins/tool_parameters_dialog.h"
#include "mainframe/number_field.h"
#include "kxplatform/ini_store.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QTimer>
#include <QEvent>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "document/kalvex_doc.h"
#include "mainframe/app_session.h"
#include "mainframe/frame_services.h"
#include "plugins/host_functions.h"
#include "plugins/plugin_manager.h"
#include "plugins/plugin_manager_dialog.h"
#include "plugins/plugin_session.h"
#include "plugins/screen_painter.h"
#include "model/scene_model.h"
#include "views/kalvex_view.h"

namespace {

// The program's own builders, reached by name as CallPlugin reaches them.
struct BuiltInTool {
    const char* name;
    const char* text;
};
constexpr BuiltInTool kBuiltInTools[] = {
    {"Octahedron", "&Octahedron"},
    {"Dodecahedron", "&Dodecahedron"},
    {"Cable", "&Cable"},
};

}  // namespace

PluginCommands::PluginCommands(kx::app::AppSession& session, FrameServices* frame)
    : QObject(frame->frameWidget()), session_(session), frame_(frame) {
    setObjectName(QStringLiteral("pluginCommands"));
    tools_ = new QMenu(tr("&Tools"), frame_->frameWidget());
    tools_->setObjectName(QStringLiteral("toolsMenu"));
    plugins_ = new QMenu(tr("Plug-&ins"), frame_->frameWidget());
    plugins_->setObjectName(QStringLiteral("pluginsMenu"));
    // Before Help, which stays last.
    for (QMenu* menu : {tools_, plugins_}) frame_->insertMenu(menu);
    toolBar_ = frame_->addTools(tr("Tools"));
    toolBar_->setObjectName(QStringLiteral("toolsToolBar"));
    rebuild();

    if (session_.core().pluginScreenPainting()) {
        if (QMdiArea* mdi = frame_->viewArea()) {
            connect(mdi, &QMdiArea::subWindowActivated, this, [this] { attachScreenPainters(); });
            // A view opened without becoming active is painted over too.
            mdi->viewport()->installEventFilter(this);
        }
        attachScreenPainters();
    }
}

void PluginCommands::rebuild() {
    plugins_->clear();
    tools_->clear();
    toolBar_->clear();
    QStyle* style = QApplication::style();

    QAction* manager = plugins_->addAction(tr("Plug-in &Manager..."), this, [this] { showManager(); });
    manager->setObjectName(QStringLiteral("pluginManager"));
    kx::plugins::PluginManager* m = session_.core().pluginManager();
    manager->setEnabled(m != nullptr);

    for (const BuiltInTool& tool : kBuiltInTools) {
        const QString name = QString::fromLatin1(tool.name);
        QAction* a = tools_->addAction(tr(tool.text), this, [this, name] { runBuiltIn(name); });
        a->setObjectName(QStringLiteral("tool%1").arg(name));
        a->setIcon(style->standardIcon(QStyle::SP_FileDialogContentsView));
        toolBar_->addAction(a);
    }
    if (m == nullptr) return;

    bool firstUtil = true, firstBuild = true;
    for (size_t i = 0; i < m->items().size(); ++i) {
        const kx::plugins::PluginItem& item = m->items()[i];
        if (item.state == 0) continue;
        const QString text = QString::fromStdString(item.description);
        if (item.kindId == kx::plugins::KindUtil) {
            if (firstUtil) plugins_->addSeparator();
            firstUtil = false;
            QAction* a = plugins_->addAction(text, this, [this, i] { runItem(i); });
            a->setObjectName(QStringLiteral("pluginUtil%1").arg(i));
        } else if (item.kindId == kx::plugins::KindBuild) {
            if (firstBuild) {
                tools_->addSeparator();
                toolBar_->addSeparator();
            }
            firstBuild = false;
            QAction* a = tools_->addAction(text, this, [this, i] { runItem(i); });
            a->setObjectName(QStringLiteral("pluginBuild%1").arg(i));
            const QString icon = iconFile(i);
            a->setIcon(icon.isEmpty() ? style->standardIcon(QStyle::SP_FileDialogContentsView) : QIcon(icon));
            toolBar_->addAction(a);
        }
    }
}

QString PluginCommands::iconFile(size_t i) {
    kx::plugins::PluginManager* m = session_.core().pluginManager();
    if (m == nullptr || i >= m->items().size() || !m->items()[i].module) return {};
    char name[PLUGIN_FILTER_BUFFER] = {};
    if (!m->call(i, nullptr, 1024, nullptr, name, sizeof name)) return {};
    // Shorter than four characters, it is a resource number: there are none here.
    if (std::strlen(name) < 4) return {};
    const QString folder = QFileInfo(QString::fromStdString(m->items()[i].module->path)).absolutePath();
    // Beside the plug-in only: the name may not lead elsewhere.
    const QString leaf = QFileInfo(QString::fromLocal8Bit(name)).fileName();
    const QString path = QDir(folder).filePath(leaf);
    return QFileInfo(path).isFile() ? path : QString();
}

int PluginCommands::runRecorded(const QString& name, const std::function<int()>& call) {
    int result = 0;
    // Whatever the plug-in does to the scene is one step, "Run Plug-in Spring".
    frame_->document()->runRecorded(tr("Run Plug-in %1").arg(name), [&] {
        // The host takes over the plug-in's triangles outside any host function.
        kx::app::SceneModel::Transaction change;
        if (change.owns()) result = call();
    });
    return result;
}

int PluginCommands::runItem(size_t i) {
    kx::plugins::PluginManager* m = session_.core().pluginManager();
    if (m == nullptr || i >= m->items().size()) return 0;
    const kx::plugins::PluginItem& item = m->items()[i];
    const QString name = QString::fromStdString(item.description);
    if (item.kindId == kx::plugins::KindBuild) {
        // A builder that lists its properties asks for them first; text and
        // point properties keep what they hold.
        std::vector<ToolField> fields;
        std::vector<uint32_t> types;
        for (const auto& p : m->listItemProperties(item.exportName.c_str())) {
            const bool whole = p.value.type == KXVAR_INT;
            if (!whole && p.value.type != KXVAR_DOUBLE) continue;
            const QString label = QString::fromStdString(p.name);
            fields.push_back({label, label, -1e6, 1e6, whole ? 0 : 4, whole ? p.value.value.i : p.value.value.d});
            types.push_back(p.value.type);
        }
        if (!askValues(QString::fromStdString(item.exportName), fields)) return 0;
        for (size_t k = 0; k < fields.size(); ++k) {
            KxVar v{};
            v.size = KXVAR_SIZE;
            v.type = types[k];
            if (types[k] == KXVAR_INT) v.value.i = static_cast<int>(std::lround(fields[k].value));
            else v.value.d = fields[k].value;
            m->setItemProperty(item.exportName.c_str(), fields[k].name.toStdString().c_str(), v);
        }
    }
    return runRecorded(name, [m, i] { return m->call(i, nullptr, 1, nullptr); });
}

bool PluginCommands::askValues(const QString& tool, std::vector<ToolField>& fields) {
    if (fields.empty()) return true;
    kx::platform::IniStore& store = session_.core().store();
    auto key = [&tool](const ToolField& f) { return (tool + QLatin1Char('.') + f.name).toStdString(); };
    // The last values given to this tool, else what it holds now.
    for (ToolField& f : fields)
        if (const auto kept = NumberField::parse(QString::fromStdString(store.getString("Tools", key(f), ""))))
            f.value = std::clamp(*kept, f.low, f.high);
    ToolParametersDialog dialog(tool, fields, frame_->frameWidget());
    if (!(askParameters ? askParameters(dialog) : dialog.exec() == QDialog::Accepted)) return false;
    const std::vector<double> values = dialog.values();
    for (size_t i = 0; i < fields.size() && i < values.size(); ++i) {
        fields[i].value = values[i];
        store.set("Tools", key(fields[i]), NumberField::format(values[i]).toStdString());
    }
    return true;
}

int PluginCommands::runBuiltIn(const QString& name) {
    const QByteArray text = name.toLatin1();
    using kx::plugins::BuiltinTools;
    if (const std::string why = BuiltinTools::refusal(text.constData()); !why.empty()) {
        frame_->showStatus(QString::fromStdString(why), 8000);
        return 0;
    }
    BuiltinTools& tools = kx::plugins::builtinTools();
    std::vector<ToolField> fields;
    for (const kx::plugins::ToolParameter& p : BuiltinTools::parametersOf(text.constData()))
        fields.push_back({QString::fromLatin1(p.property), tr(p.label), p.low, p.high, p.decimals, tools.value(p.property)});
    if (!askValues(name, fields)) return 0;
    for (const ToolField& f : fields) {
        KxVar v{};
        v.size = KXVAR_SIZE;
        v.type = KXVAR_DOUBLE;
        v.value.d = f.value;
        tools.setProperty(f.name.toLatin1().constData(), v);
    }
    return runRecorded(name, [&text] { return kx::plugins::host::CallPlugin(text.constData()); });
}

bool PluginCommands::showManager() {
    kx::plugins::PluginManager* m = session_.core().pluginManager();
    if (m == nullptr) return false;
    const kx::app::Settings& s = session_.settings();
    PluginManagerDialog dialog(*m, session_.core().store(),
                               {s.directories.plugin, kx::plugins::PluginSession::shippedPluginFolder()}, frame_->frameWidget());
    if (dialog.exec() != QDialog::Accepted) return false;
    session_.saveSettings();
    rebuild();
    return true;
}

bool PluginCommands::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ChildAdded)
        QTimer::singleShot(0, this, [this] { attachScreenPainters(); });
    return QObject::eventFilter(watched, event);
}

void PluginCommands::attachScreenPainters() {
    for (CKalvexView* view : frame_->openViews())
        if (view->findChild<ScreenPainter*>(QString(), Qt::FindDirectChildrenOnly) == nullptr)
            new ScreenPainter(view, static_cast<int>(view->kind()));
}
