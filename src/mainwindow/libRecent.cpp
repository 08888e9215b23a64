#include "libRecent.h"

#include "libText.h"

#include <QFileInfo>

namespace {
// Two paths name one file only where the file system ignores case.
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
constexpr Qt::CaseSensitivity FileNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity FileNameCase = Qt::CaseSensitive;
#endif
} // namespace

void TRecentFiles::Load(const QString& fileName)
{
    if (!QFileInfo::exists(fileName))
        return;
    for (const QString& line : ReadListFile(fileName))
        if (QFileInfo(line).isFile())
            FPaths.append(line);
}

void TRecentFiles::Save(const QString& fileName) const { WriteListFile(fileName, FPaths); }

void TRecentFiles::Add(const QString& path)
{
    for (qsizetype i = FPaths.size() - 1; i >= 0; --i)
        if (FPaths.at(i).compare(path, FileNameCase) == 0)
            FPaths.removeAt(i);
    // Exactly eight, not "at least": a longer loaded list is left alone.
    if (FPaths.size() == 8)
        FPaths.removeLast();
    FPaths.prepend(path);
}
