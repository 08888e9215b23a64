#include "libHistory.h"

#include "libText.h"

#include <QFileInfo>

#include <algorithm>

namespace {
// Only A to Z fold; full-width letters and other scripts stay as they are.
QString FoldLatin(QStringView text)
{
    QString folded = text.toString();
    for (QChar& c : folded) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return folded;
}
} // namespace

void THistoryList::Load(const QString& fileName)
{
    if (QFileInfo::exists(fileName))
        FEntries = ReadListFile(fileName);
}

void THistoryList::Save(const QString& fileName) const { WriteListFile(fileName, FEntries); }

int THistoryList::Select(const QString& value)
{
    if (value.isEmpty())
        return -1;
    const QString wanted = FoldLatin(value);
    for (qsizetype i = FEntries.size() - 1; i >= 0; --i) {
        if (FoldLatin(FEntries.at(i)) == wanted)
            return int(i);
    }
    FEntries.prepend(TrimText(value));
    return 0;
}

void THistoryList::Commit(const QString& text)
{
    const QString entry = TrimText(text);
    if (!entry.isEmpty()) {
        const QString wanted = FoldLatin(entry);
        const bool known = std::any_of(FEntries.cbegin(), FEntries.cend(),
                                       [&](const QString& listed) { return FoldLatin(listed) == wanted; });
        if (!known)
            FEntries.prepend(entry);
    }
    if (FEntries.size() > FCapacity)
        FEntries.resize(FCapacity);
}
