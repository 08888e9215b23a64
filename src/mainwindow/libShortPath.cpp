#include "libShortPath.h"

namespace {

const QString Marker = QStringLiteral(".../");

// Drops the first folder of the folder part; a marker left by an earlier step
// goes with it, so the marker never stacks.
QString DropFirstFolder(const QString& folder)
{
    const bool rooted = folder.startsWith(u'/');
    QString rest = rooted ? folder.mid(1) : folder;
    if (rest.startsWith(Marker))
        rest = rest.mid(Marker.size());
    const qsizetype slash = rest.indexOf(u'/');
    if (slash < 0)
        return QString();
    rest = rest.mid(slash + 1);
    return (rooted ? QStringLiteral("/") : QString()) + Marker + rest;
}

} // namespace

QString ShortenPath(const QString& path, int maxWidth, const TTextWidth& textWidth)
{
    QString drive;
    QString rest = path;
    if (path.size() >= 2 && path.at(1) == u':') {
        drive = path.left(2);
        rest = path.mid(2);
    }
    const qsizetype lastSlash = rest.lastIndexOf(u'/');
    QString folder = rest.left(lastSlash + 1);
    const QString name = rest.mid(lastSlash + 1);

    while (textWidth(drive + folder + name) > maxWidth && (!drive.isEmpty() || !folder.isEmpty())) {
        if (folder == QStringLiteral("/.../")) {
            drive.clear();
            folder = Marker;
        } else if (!folder.isEmpty()) {
            folder = DropFirstFolder(folder);
        } else {
            drive.clear();
        }
    }
    return drive + folder + name;
}
