// The desktop's shared list of recently used files (recently-used.xbel in
// the user's data folder), which file dialogs and file managers of every
// program show. The program adds each scene it opens or saves there, besides
// its own File menu.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace kx::app {

struct RecentUse {
    QString path;      // an absolute file name
    QString mimeType;  // the file's type, as the desktop's type database names it
    QDateTime when;    // the time of the use, UTC
};

// The list `current` (the file's bytes; empty when there is none) with `use`
// added: a file already listed gets its times and our count brought up to
// date, a new one is appended; every other entry is kept. Nothing when
// `current` is not a list of that form: another program's file is never
// replaced by one of ours.
std::optional<QByteArray> withRecentUse(const QByteArray& current, const RecentUse& use);

// The shared list's file: $XDG_DATA_HOME/recently-used.xbel.
QString desktopRecentFilesPath();

// Adds a use of `path` to the shared list at `listPath`, under a lock that
// other starts of this program honour, replacing the file whole in one
// rename; false when the list could not be read or written (the file is
// then as it was).
bool addDesktopRecentFile(const QString& path, const QString& listPath = desktopRecentFilesPath());

}  // namespace kx::app
