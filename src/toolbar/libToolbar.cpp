#include "libToolbar.h"

#include "libText.h"

QList<TToolbarCommand> ToolbarCandidates(const QList<TToolbarCommand>& commands)
{
    QList<TToolbarCommand> candidates;
    for (const TToolbarCommand& command : commands) {
        if (command.Caption.isEmpty() && command.Picture < 0)
            continue;
        if (command.Picture < 0)
            break;
        candidates.append(command);
    }
    return candidates;
}

TToolbarItems DefaultToolbarLayout(const QList<TToolbarCommand>& candidates)
{
    TToolbarItems items;
    for (const TToolbarCommand& command : candidates) {
        if (command.Tag < 0)
            items.append(TToolbarItem{});
        items.append(TToolbarItem{command.Name, command.Tag != 0});
    }
    return items;
}

TToolbarItems ApplyLayoutLines(const TToolbarItems& items, const QStringList& lines)
{
    if (lines.isEmpty())
        return items;
    TToolbarItems unplaced;
    for (const TToolbarItem& item : items)
        if (!item.IsSeparator())
            unplaced.append(item);
    TToolbarItems placed;
    for (const QString& line : lines) {
        if (line == ToolbarSeparatorLine) {
            placed.append(TToolbarItem{});
            continue;
        }
        for (qsizetype i = 0; i < unplaced.size(); ++i) {
            if (unplaced[i].Command == line) {
                placed.append(TToolbarItem{line, true});
                unplaced.removeAt(i);
                break;
            }
        }
    }
    for (TToolbarItem& item : unplaced)
        item.Visible = false;
    return unplaced + placed;
}

TToolbarItems ToolbarLayout(const QList<TToolbarCommand>& candidates, const QStringList& lines)
{
    return ApplyLayoutLines(DefaultToolbarLayout(candidates), lines);
}

QStringList LayoutLines(const TToolbarItems& items)
{
    QStringList lines;
    for (const TToolbarItem& item : items)
        if (item.Visible)
            lines.append(item.IsSeparator() ? ToolbarSeparatorLine : item.Command);
    return lines;
}

TToolbarItems ReadToolbarLayout(const QString& fileName, const QList<TToolbarCommand>& candidates)
{
    return ToolbarLayout(candidates, ReadListFile(fileName));
}

void WriteToolbarLayout(const QString& fileName, const TToolbarItems& items)
{
    WriteListFile(fileName, LayoutLines(items));
}

TButtonTexts ButtonTexts(const QString& caption, const QString& hint)
{
    QString shortCaption = caption;
    // "新建(&N)..." is "新建"; a caption that starts with "(" is kept whole.
    const qsizetype bracket = caption.indexOf(u'(');
    if (bracket > 0)
        shortCaption = caption.left(bracket);
    TButtonTexts texts;
    texts.Caption = hint.isEmpty() ? shortCaption : hint;
    texts.Hint = shortCaption;
    // Counted in characters, so a character outside the BMP counts once.
    if (shortCaption.toUcs4().size() % 2 != 0)
        texts.Hint += QChar(0x3000);
    return texts;
}

TButtonTextStyle ButtonTextStyle(int option, const QString& category)
{
    if (option >= 2)
        return TButtonTextStyle::CaptionBelow;
    if (option == 1 && category == HasTextCategory)
        return TButtonTextStyle::PictureAndCaption;
    return TButtonTextStyle::PictureOnly;
}

int BoundedTextOption(int option) { return qBound(0, option, 2); }

const QStringList& ToolbarTextOptionNames()
{
    static const QStringList names = {QStringLiteral("无文字标签"), QStringLiteral("选择性的将文字置于右侧"),
                                      QStringLiteral("显示文字标签")};
    return names;
}
