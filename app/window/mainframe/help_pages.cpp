#include "mainframe/help_pages.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <set>

#include "kxcore.h"
#include "script/script_methods.h"
#include "startup/data_folder.h"

namespace kx::app {

namespace {

QString plainText(QString menuText) {
    // "&Undo" shows as "Undo"; "&&" is a real ampersand.
    menuText.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    menuText.remove(QLatin1Char('&'));
    menuText.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return menuText.remove(QStringLiteral("...")).trimmed();
}

QString keysOf(const QAction* a) {
    QStringList keys;
    for (const QKeySequence& k : a->shortcuts())
        if (!k.isEmpty()) keys << k.toString(QKeySequence::NativeText);
    return keys.join(QStringLiteral(", "));
}

void collect(const QMenu* menu, const QString& path, std::set<const QAction*>& seen, std::vector<ShortcutEntry>& out) {
    for (QAction* a : menu->actions()) {
        if (a->isSeparator() || !seen.insert(a).second) continue;
        const QString where = path + QStringLiteral(" > ") + plainText(a->text());
        if (a->menu()) collect(a->menu(), where, seen, out);
        else if (const QString keys = keysOf(a); !keys.isEmpty()) out.push_back({where, keys});
    }
}

const char* kindOfParameter(char c) {
    switch (c) {
        case 'h': return "short";
        case 'l': return "long";
        case 'd': return "double";
        case 's': return "text";
        case 'b': return "bool";
        case 'v': return "value";
        default: return "?";
    }
}

const char* kindOfResult(kx::script::Returns r) {
    switch (r) {
        case kx::script::Returns::None: return "nothing";
        case kx::script::Returns::Bool: return "bool";
        case kx::script::Returns::Long: return "long";
        case kx::script::Returns::Double: return "double";
        case kx::script::Returns::Text: return "text";
        case kx::script::Returns::Variant: return "value";
    }
    return "?";
}

}  // namespace

QString manualPath() {
    const QString folder = QString::fromStdString(shippedDataFolder());
    if (folder.isEmpty()) return {};
    const QString file = QDir(folder).filePath(QStringLiteral("manual.html"));
    return QFileInfo::exists(file) ? file : QString();
}

std::vector<ShortcutEntry> shortcutEntries(const QMenuBar* bar, const std::vector<QAction*>& others) {
    std::vector<ShortcutEntry> out;
    std::set<const QAction*> seen;
    if (bar)
        for (QAction* top : bar->actions())
            if (top->menu()) collect(top->menu(), plainText(top->text()), seen, out);
    for (QAction* a : others) {
        if (!a || !seen.insert(a).second) continue;
        if (const QString keys = keysOf(a); !keys.isEmpty()) out.push_back({plainText(a->text()), keys});
    }
    return out;
}

QString shortcutsHtml(const std::vector<ShortcutEntry>& entries) {
    QString html = QStringLiteral("<h1>Keyboard shortcuts</h1><table cellpadding=\"3\">");
    for (const ShortcutEntry& e : entries)
        html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(e.keys.toHtmlEscaped(), e.where.toHtmlEscaped());
    html += QStringLiteral("</table>");
    html += QStringLiteral(
        "<h2>In the views</h2><table cellpadding=\"3\">"
        "<tr><td><b>Arrow keys</b></td><td>Move the selection one grid step (Shift: ten)</td></tr>"
        "<tr><td><b>Ctrl+click</b>, <b>Shift+click</b></td><td>Add an object to the selection or take it out</td></tr>"
        "<tr><td><b>Alt+click</b></td><td>Pick a group's member itself</td></tr>"
        "<tr><td><b>Ctrl+drag</b></td><td>Move in whole grid steps</td></tr>"
        "<tr><td><b>Middle drag</b></td><td>Pan a flat view; orbit the Perspective view (Shift: pan)</td></tr>"
        "<tr><td><b>Wheel</b></td><td>Zoom about the pointer</td></tr></table>");
    return html;
}

QString scriptReferenceHtml() {
    QString html = QStringLiteral(
        "<h1>Script reference</h1><p>Scripts call the scene's methods as <code>Scene:Method(...)</code>. "
        "Each method is listed with the kinds of its arguments and of its result.</p><table cellpadding=\"3\">");
    for (const kx::script::Method& m : kx::script::methods()) {
        QStringList params;
        for (const char* p = m.params; p && *p; ++p) params << QString::fromLatin1(kindOfParameter(*p));
        html += QStringLiteral("<tr><td><code>Scene:%1(%2)</code></td><td>%3%4</td></tr>")
                    .arg(QString::fromLatin1(m.name), params.join(QStringLiteral(", ")),
                         QString::fromLatin1(kindOfResult(m.returns)),
                         m.changes ? QStringLiteral(", changes the scene") : QString());
    }
    html += QStringLiteral("</table><h2>Object types</h2><p>The numbers methods such as "
                           "<code>CreateDefaultObject</code> take.</p><ul>");
    for (const KxObjectType& t : KX_OBJECT_TYPES) {
        if (!t.nativeName || t.id < KX_POINTS) continue;
        html += QStringLiteral("<li>%1 %2</li>").arg(t.id).arg(QString::fromLatin1(t.nativeName));
    }
    html += QStringLiteral("</ul>");
    return html;
}

QDialog* showHelpPage(QWidget* parent, const QString& objectName, const QString& title, const QString& html,
                      const QString& baseFile) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(objectName);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    auto* layout = new QVBoxLayout(dialog);
    auto* page = new QTextBrowser(dialog);
    page->setObjectName(QStringLiteral("helpText"));
    page->setOpenExternalLinks(true);
    if (!baseFile.isEmpty()) page->setSearchPaths({QFileInfo(baseFile).absolutePath()});
    page->setHtml(html);
    layout->addWidget(page);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    layout->addWidget(buttons);
    dialog->resize(640, 560);
    dialog->show();
    return dialog;
}

}  // namespace kx::app
