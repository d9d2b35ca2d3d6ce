#include "mainframe/desktop_recent_files.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace kx::app {
namespace {

const QString kBookmarkNs = QStringLiteral("http://www.freedesktop.org/standards/desktop-bookmarks");
const QString kMimeNs = QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info");
const QString kMetadataOwner = QStringLiteral("http://freedesktop.org");
const QString kApplicationName = QStringLiteral("Kalvex");
// The list's lines are a few hundred bytes; a list past this size is not one
// any program wrote, and is left alone rather than read.
constexpr qint64 kMaxListBytes = 64 * 1024 * 1024;

QString stamp(const QDateTime& when) { return when.toUTC().toString(Qt::ISODateWithMs); }

// The first child element of that namespace and local name; null when none.
QDomElement child(const QDomElement& parent, const QString& ns, const QString& name) {
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (e.localName() == name && e.namespaceURI() == ns) return e;
    return {};
}

QDomElement childOrNew(QDomDocument& doc, QDomElement parent, const QString& ns, const QString& qualifiedName) {
    const QString local = qualifiedName.section(QLatin1Char(':'), -1);
    QDomElement found = child(parent, ns, local);
    if (!found.isNull()) return found;
    QDomElement made = doc.createElementNS(ns, qualifiedName);
    parent.appendChild(made);
    return made;
}

// The freedesktop metadata of a bookmark, made when it has none.
QDomElement metadataOf(QDomDocument& doc, QDomElement bookmark) {
    QDomElement info = childOrNew(doc, bookmark, QString(), QStringLiteral("info"));
    for (QDomElement m = info.firstChildElement(QStringLiteral("metadata")); !m.isNull();
         m = m.nextSiblingElement(QStringLiteral("metadata")))
        if (m.attribute(QStringLiteral("owner")) == kMetadataOwner) return m;
    QDomElement m = doc.createElement(QStringLiteral("metadata"));
    m.setAttribute(QStringLiteral("owner"), kMetadataOwner);
    info.appendChild(m);
    return m;
}

void noteApplication(QDomDocument& doc, QDomElement metadata, const QString& when) {
    QDomElement applications = childOrNew(doc, metadata, kBookmarkNs, QStringLiteral("bookmark:applications"));
    QDomElement ours;
    for (QDomElement a = applications.firstChildElement(); !a.isNull(); a = a.nextSiblingElement())
        if (a.localName() == QLatin1String("application") && a.attribute(QStringLiteral("name")) == kApplicationName)
            ours = a;
    int count = 0;
    if (ours.isNull()) {
        ours = doc.createElementNS(kBookmarkNs, QStringLiteral("bookmark:application"));
        ours.setAttribute(QStringLiteral("name"), kApplicationName);
        applications.appendChild(ours);
    } else {
        bool ok = false;
        count = ours.attribute(QStringLiteral("count")).toInt(&ok);
        if (!ok || count < 0) count = 0;
    }
    ours.setAttribute(QStringLiteral("exec"), QStringLiteral("'kalvex %u'"));
    ours.setAttribute(QStringLiteral("modified"), when);
    ours.setAttribute(QStringLiteral("count"), count < 1000000 ? count + 1 : count);
}

QDomDocument emptyList() {
    QDomDocument doc;
    doc.appendChild(doc.createProcessingInstruction(QStringLiteral("xml"),
                                                    QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement root = doc.createElement(QStringLiteral("xbel"));
    root.setAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    root.setAttribute(QStringLiteral("xmlns:bookmark"), kBookmarkNs);
    root.setAttribute(QStringLiteral("xmlns:mime"), kMimeNs);
    doc.appendChild(root);
    return doc;
}

}  // namespace

std::optional<QByteArray> withRecentUse(const QByteArray& current, const RecentUse& use) {
    QDomDocument doc;
    if (current.trimmed().isEmpty()) {
        doc = emptyList();
    } else if (!doc.setContent(current, true) || doc.documentElement().localName() != QLatin1String("xbel")) {
        return std::nullopt;
    }
    const QString href = QString::fromLatin1(QUrl::fromLocalFile(use.path).toEncoded());
    const QString when = stamp(use.when);
    QDomElement root = doc.documentElement();
    QDomElement bookmark;
    for (QDomElement b = root.firstChildElement(QStringLiteral("bookmark")); !b.isNull() && bookmark.isNull();
         b = b.nextSiblingElement(QStringLiteral("bookmark")))
        if (b.attribute(QStringLiteral("href")) == href) bookmark = b;
    if (bookmark.isNull()) {
        bookmark = doc.createElement(QStringLiteral("bookmark"));
        bookmark.setAttribute(QStringLiteral("href"), href);
        bookmark.setAttribute(QStringLiteral("added"), when);
        root.appendChild(bookmark);
    }
    bookmark.setAttribute(QStringLiteral("modified"), when);
    bookmark.setAttribute(QStringLiteral("visited"), when);
    QDomElement metadata = metadataOf(doc, bookmark);
    QDomElement mime = childOrNew(doc, metadata, kMimeNs, QStringLiteral("mime:mime-type"));
    mime.setAttribute(QStringLiteral("type"), use.mimeType);
    noteApplication(doc, metadata, when);
    // The reader forgives some faults its writer then writes out as they
    // were (a processing instruction with a bad name): a list that would not
    // read back is never written.
    QByteArray written = doc.toByteArray(2);
    if (QDomDocument check; !check.setContent(written, true)) return std::nullopt;
    return written;
}

QString desktopRecentFilesPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/recently-used.xbel");
}

bool addDesktopRecentFile(const QString& path, const QString& listPath) {
    if (listPath.isEmpty() || path.isEmpty()) return false;
    QDir().mkpath(QFileInfo(listPath).absolutePath());
    QLockFile lock(listPath + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    if (!lock.tryLock(2000)) return false;
    QByteArray current;
    QFile existing(listPath);
    if (existing.exists()) {
        if (existing.size() > kMaxListBytes || !existing.open(QIODevice::ReadOnly)) return false;
        current = existing.readAll();
        existing.close();
    }
    RecentUse use;
    use.path = QFileInfo(path).absoluteFilePath();
    use.mimeType = use.path.endsWith(QLatin1String(".cad"), Qt::CaseInsensitive)
                       ? QStringLiteral("application/x-kalvex-scene")
                       : QMimeDatabase().mimeTypeForFile(use.path).name();
    use.when = QDateTime::currentDateTimeUtc();
    const std::optional<QByteArray> updated = withRecentUse(current, use);
    if (!updated) return false;
    QSaveFile out(listPath);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(*updated);
    return out.commit();
}

}  // namespace kx::app
