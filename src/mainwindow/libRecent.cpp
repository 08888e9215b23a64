#include "libRecent.h"

#include "libText.h"

#include <QFileInfo>

void TRecentFiles::Load(const QString &fileName)
{
  if (!QFileInfo::exists(fileName))
    return;
  for (const QString &line : ReadListFile(fileName))
    if (QFileInfo(line).isFile())
      FPaths.append(line);
}

void TRecentFiles::Save(const QString &fileName) const
{
  WriteListFile(fileName, FPaths);
}

void TRecentFiles::Add(const QString &path)
{
  for (qsizetype i = FPaths.size() - 1; i >= 0; --i)
    if (FPaths.at(i).compare(path, Qt::CaseInsensitive) == 0)
      FPaths.removeAt(i);
  // Exactly eight, not "at least": a longer loaded list is left alone.
  if (FPaths.size() == 8)
    FPaths.removeLast();
  FPaths.prepend(path);
}
