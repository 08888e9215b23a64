#pragma once

#include <QStringList>

// The recent-files list, most recent first. Kept apart from the menu so the
// ordering rules can be tested without widgets.
class TRecentFiles
{
public:
    // Appends the lines of the list file that name existing files; no limit,
    // so a longer list written by hand survives whole.
    void Load(const QString& fileName);
    void Save(const QString& fileName) const;
    // Moves or inserts path at the top; paths match as the file system
    // compares names (by case on Linux).
    void Add(const QString& path);
    const QStringList& Paths() const { return FPaths; }

private:
    QStringList FPaths;
};
