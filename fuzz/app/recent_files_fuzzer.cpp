// The desktop's list of recent files as another program may have left it:
// any bytes are either refused or give a list that reads back, still holds
// the use just added, and takes the same use again without growing.
#include <QCoreApplication>
#include <QDomDocument>

#include <cstdint>
#include <cstdlib>

#include "mainframe/desktop_recent_files.h"

namespace {

int countOf(const QByteArray& list, const QByteArray& needle) {
    int n = 0;
    for (qsizetype at = list.indexOf(needle); at >= 0; at = list.indexOf(needle, at + 1)) ++n;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray current(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const kx::app::RecentUse use{QStringLiteral("/w/fuzz scene.cad"), QStringLiteral("application/x-kalvex-scene"),
                                 QDateTime::fromSecsSinceEpoch(1800000000, Qt::UTC)};
    const std::optional<QByteArray> once = kx::app::withRecentUse(current, use);
    if (!once) return 0;
    QDomDocument doc;
    if (!doc.setContent(*once, true)) std::abort();
    const QByteArray href = "file:///w/fuzz%20scene.cad";
    if (!once->contains(href)) std::abort();
    const std::optional<QByteArray> twice = kx::app::withRecentUse(*once, use);
    if (!twice || countOf(*twice, href) != countOf(*once, href)) std::abort();
    return 0;
}
