#include <gtest/gtest.h>

#include <QDomDocument>
#include <QFile>
#include <QUrl>

#include "mainframe/desktop_recent_files.h"
#include "temp_dir.h"

namespace {

using kx::app::RecentUse;
using kx::app::withRecentUse;

const QByteArray kOtherProgramsList = R"(<?xml version="1.0" encoding="UTF-8"?>
<xbel version="1.0" xmlns:bookmark="http://www.freedesktop.org/standards/desktop-bookmarks"
      xmlns:mime="http://www.freedesktop.org/standards/shared-mime-info">
  <bookmark href="file:///home/u/notes.txt" added="2026-01-01T10:00:00.000000Z"
            modified="2026-01-01T10:00:00.000000Z" visited="2026-01-01T10:00:00.000000Z">
    <info><metadata owner="http://freedesktop.org">
      <mime:mime-type type="text/plain"/>
      <bookmark:applications>
        <bookmark:application name="Editor" exec="&apos;editor %u&apos;" modified="2026-01-01T10:00:00Z" count="3"/>
      </bookmark:applications>
    </metadata></info>
  </bookmark>
</xbel>
)";

struct Bookmark {
    QString href, mimeType, added, modified;
    int count = 0;  // Kalvex's count of uses
};

// The bookmarks of a list, in order, as another program would read them.
std::vector<Bookmark> bookmarksOf(const QByteArray& list) {
    QDomDocument doc;
    if (!doc.setContent(list, true)) return {};
    std::vector<Bookmark> out;
    for (QDomElement b = doc.documentElement().firstChildElement(QStringLiteral("bookmark")); !b.isNull();
         b = b.nextSiblingElement(QStringLiteral("bookmark"))) {
        Bookmark mark{b.attribute(QStringLiteral("href")), {}, b.attribute(QStringLiteral("added")),
                      b.attribute(QStringLiteral("modified"))};
        const QDomNodeList mimes = b.elementsByTagNameNS(QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info"),
                                                         QStringLiteral("mime-type"));
        if (!mimes.isEmpty()) mark.mimeType = mimes.at(0).toElement().attribute(QStringLiteral("type"));
        const QDomNodeList apps = b.elementsByTagNameNS(
            QStringLiteral("http://www.freedesktop.org/standards/desktop-bookmarks"), QStringLiteral("application"));
        for (int i = 0; i < apps.size(); ++i)
            if (apps.at(i).toElement().attribute(QStringLiteral("name")) == QLatin1String("Kalvex"))
                mark.count = apps.at(i).toElement().attribute(QStringLiteral("count")).toInt();
        out.push_back(mark);
    }
    return out;
}

RecentUse useOf(const QString& path, const char* when) {
    return {path, QStringLiteral("application/x-kalvex-scene"), QDateTime::fromString(QString::fromLatin1(when), Qt::ISODate)};
}

TEST(DesktopRecentFilesTest, AddsUsesAndKeepsEveryOtherEntry) {
    // A new list holds the scene alone.
    const std::optional<QByteArray> fresh = withRecentUse({}, useOf(QStringLiteral("/w/a b.cad"), "2026-12-10T05:00:00Z"));
    ASSERT_TRUE(fresh);
    std::vector<Bookmark> marks = bookmarksOf(*fresh);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].href, QStringLiteral("file:///w/a%20b.cad"));
    EXPECT_EQ(marks[0].mimeType, QStringLiteral("application/x-kalvex-scene"));
    EXPECT_EQ(marks[0].count, 1);
    EXPECT_EQ(QUrl(marks[0].href).toLocalFile(), QStringLiteral("/w/a b.cad"));

    // Another program's list keeps its entry; ours is appended, then counted
    // again (not listed twice) with its first time kept.
    std::optional<QByteArray> list = withRecentUse(kOtherProgramsList, useOf(QStringLiteral("/w/s.cad"), "2026-12-10T05:00:00Z"));
    ASSERT_TRUE(list);
    list = withRecentUse(*list, useOf(QStringLiteral("/w/s.cad"), "2026-12-10T06:30:00Z"));
    ASSERT_TRUE(list);
    marks = bookmarksOf(*list);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].href, QStringLiteral("file:///home/u/notes.txt"));
    EXPECT_EQ(marks[0].mimeType, QStringLiteral("text/plain"));
    EXPECT_EQ(marks[0].modified, QStringLiteral("2026-01-01T10:00:00.000000Z"));
    EXPECT_NE(list->indexOf("count=\"3\""), -1);
    EXPECT_EQ(marks[1].count, 2);
    EXPECT_TRUE(marks[1].added.startsWith(QLatin1String("2026-12-10T05:00:00")));
    EXPECT_TRUE(marks[1].modified.startsWith(QLatin1String("2026-12-10T06:30:00")));
}

// What is not such a list is never replaced by one of ours.
TEST(DesktopRecentFilesTest, RefusesFilesThatAreNotAList) {
    const char* const others[] = {
        "<xbel version=\"1.0\"><bookmark href=\"file:///a\">",  // cut off
        "<html><body>not a list</body></html>",
        "\x01\x02\x03 binary",
        "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \"b\">]><xbel>&unknown;</xbel>",
        // Read, but written out as a list that would not read back.
        "<?`xm?>\n<xbel version=\"1.0\"></xbel>\n",
    };
    for (const char* other : others) {
        SCOPED_TRACE(other);
        EXPECT_FALSE(withRecentUse(QByteArray(other), useOf(QStringLiteral("/w/s.cad"), "2026-12-10T05:00:00Z")));
    }
}

TEST(DesktopRecentFilesTest, TheFileIsReplacedWholeOrLeftAsItWas) {
    kxtest::TempDir dir;
    const QString list = QString::fromStdString(dir.file("share/recently-used.xbel"));
    ASSERT_TRUE(kx::app::addDesktopRecentFile(QStringLiteral("/w/one.cad"), list));
    ASSERT_TRUE(kx::app::addDesktopRecentFile(QStringLiteral("/w/two.cad"), list));
    QFile file(list);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::vector<Bookmark> marks = bookmarksOf(file.readAll());
    file.close();
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[1].href, QStringLiteral("file:///w/two.cad"));

    // A list of a form we do not know stays byte for byte.
    const QByteArray foreign = "<list>of another kind</list>\n";
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(foreign);
    file.close();
    EXPECT_FALSE(kx::app::addDesktopRecentFile(QStringLiteral("/w/three.cad"), list));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), foreign);
}

}  // namespace
