#pragma once
// A combo box's history of values, newest first, as the station editor keeps
// it between runs in a list file; widget-free, so its rules are tested as
// tables.

#include <QString>
#include <QStringList>

// Values match regardless of the case of Latin letters only: "Pop" and "POP"
// are one entry, other scripts compare exactly.
class THistoryList
{
public:
    // Commit keeps at most capacity entries; a longer file is loaded whole.
    explicit THistoryList(int capacity) : FCapacity(capacity) {}
    // Replaces the entries with the file's lines; a missing file changes nothing.
    void Load(const QString& fileName);
    // Throws EProgramError when the file cannot be written.
    void Save(const QString& fileName) const;
    // The entry that shows value: the matching entry nearest the end, so the
    // oldest spelling wins; a value not listed is put first, trimmed. -1 for an
    // empty value.
    int Select(const QString& value);
    // What the list keeps when the editor closes with text in its box: the
    // text, trimmed, goes first unless it is blank or already listed; then the
    // list is cut to its capacity.
    void Commit(const QString& text);
    const QStringList& Entries() const { return FEntries; }

private:
    int FCapacity;
    QStringList FEntries;
};
