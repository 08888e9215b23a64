#pragma once
// The tool bar's rules without widgets: which commands become buttons, the
// default layout, the layout file's lines and what the buttons show. The
// widget side (vclToolbar) maps them onto a QToolBar.

#include <QList>
#include <QString>
#include <QStringList>

// What the tool bar reads of one command of the window's command list.
struct TToolbarCommand
{
    QString Name;     // "actNew"
    QString Caption;  // the menu caption, "新建(&N)..."
    QString Hint;     // empty when the command has none
    int Picture = -1; // into the command pictures; negative: none
    int Tag = 0;      // 0 hidden by default, 1 shown, -1 shown after a separator
    QString Category;
};

// One item of the tool bar: the button of the command Command, or a separator
// when Command is empty. Hidden buttons stay on the bar: they are the ones the
// customisation dialog offers for adding.
struct TToolbarItem
{
    QString Command;
    bool Visible = true;

    bool IsSeparator() const { return Command.isEmpty(); }
    bool operator==(const TToolbarItem&) const = default;
};
using TToolbarItems = QList<TToolbarItem>;

// A separator's line in the layout file.
inline const QString ToolbarSeparatorLine = QStringLiteral("|");
// The category of a command whose button shows its caption under text option 1.
inline const QString HasTextCategory = QStringLiteral("catHasText");

// The commands from the front of the list up to, not including, the first one
// without a picture. A command with neither caption nor picture is passed over.
QList<TToolbarCommand> ToolbarCandidates(const QList<TToolbarCommand>& commands);

// One button per candidate, shown unless its tag is 0, with a separator in
// front of each button whose tag is negative.
TToolbarItems DefaultToolbarLayout(const QList<TToolbarCommand>& candidates);

// Lays the buttons of items out as the layout file's lines say: the separators
// go, each "|" line adds one, each line naming a button not yet placed (exactly,
// case and blanks count) shows it at the end; what was not placed is hidden and
// stays in front, in its old order. No lines: items unchanged.
TToolbarItems ApplyLayoutLines(const TToolbarItems& items, const QStringList& lines);

// The default layout with the layout file's lines applied.
TToolbarItems ToolbarLayout(const QList<TToolbarCommand>& candidates, const QStringList& lines);

// The layout file's lines of items: the shown ones in order, "|" for a separator.
QStringList LayoutLines(const TToolbarItems& items);

// The layout of candidates as the layout file says: one line per item, GBK,
// CR LF. A missing, unreadable or empty file gives the default layout.
TToolbarItems ReadToolbarLayout(const QString& fileName, const QList<TToolbarCommand>& candidates);
// Replaces the layout file with the lines of items, through the safe writer;
// no shown item writes an empty file. Throws EProgramError with the system's
// reason when the file cannot be written.
void WriteToolbarLayout(const QString& fileName, const TToolbarItems& items);

// What a button shows: Caption on the button, Hint as its tool tip.
struct TButtonTexts
{
    QString Caption;
    QString Hint;
    bool operator==(const TButtonTexts&) const = default;
};
// The caption is the command's hint, else its caption up to a "(" that is not
// its first character. The tool tip is that shortened caption, padded with one
// ideographic space (U+3000) to an even number of characters.
TButtonTexts ButtonTexts(const QString& caption, const QString& hint);

enum class TButtonTextStyle { PictureOnly, PictureAndCaption, CaptionBelow };
// 2 (and above): every caption below its picture; 1: the caption beside the
// picture for the commands of HasTextCategory; anything else: pictures only.
TButtonTextStyle ButtonTextStyle(int option, const QString& category);

// A stored text option brought into 0 … 2, the values the menu and the dialog
// offer, the way ButtonTextStyle shows it (above 2 as 2, below 0 as 0).
int BoundedTextOption(int option);

// The text options' captions; an option is its caption's index.
const QStringList& ToolbarTextOptionNames();
