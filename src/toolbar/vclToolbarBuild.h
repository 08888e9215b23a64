#pragma once
// The tool bar's rules (libToolbar) on a QToolBar. Each button is an action of
// the bar's own, named "btn" + its command's name: it shows the command's
// picture, enabled and checked state and runs the command when clicked, while
// its caption, tool tip and visible flag are its own, so hiding a button never
// hides the command's menu item. Separators are separator actions of the bar.
// Hidden items stay on the bar, in its action list.

#include "libToolbar.h"

#include <QList>

class QAction;
class QToolBar;

// The layout file of a tool bar: the list file of its window's component
// (winMain and barTool: winMainbarTool.ini beside the recent-files list).
QString ToolbarLayoutFile(const QToolBar* toolbar);

// Empties the bar and builds one button per candidate of commands with the
// bar's text option, laid out as the layout file says (the default layout
// without one).
void BuildToolbar(QToolBar* toolbar, const QList<QAction*>& commands);
// Writes the layout file from the bar's shown items. Throws EProgramError when
// it cannot be written.
void SaveToolbar(const QToolBar* toolbar);
// Text option 0, no layout file, the default layout.
void ResetToolbar(QToolBar* toolbar, const QList<QAction*>& commands);

// Stores the option (brought into 0 … 2) on the bar and applies it to every item.
void SetToolbarTextOption(int option, QToolBar* toolbar);
// The option the bar holds; 1 on a bar that was never given one.
int ToolbarTextOption(const QToolBar* toolbar);
// Whether the button item shows its caption beside its picture under options
// 0 and 1; a separator is left alone, and so is a button under option 2, where
// the bar puts every caption below its picture.
void ApplyButtonTextOption(int option, QAction* item);

// The command a button runs; nullptr for a separator or another action.
QAction* ButtonCommand(const QAction* item);
// A new separator owned by the bar and not yet on it.
QAction* NewToolbarSeparator(QToolBar* toolbar);
// The bar's items as the layout rules see them.
TToolbarItems ToolbarItems(const QToolBar* toolbar);
// What the layout rules read of a command.
TToolbarCommand ToolbarCommand(const QAction* command);

// Lays the bar out once, at the end of a change of several items.
class TToolbarUpdate
{
public:
    explicit TToolbarUpdate(QToolBar* toolbar);
    ~TToolbarUpdate();
    TToolbarUpdate(const TToolbarUpdate&) = delete;
    TToolbarUpdate& operator=(const TToolbarUpdate&) = delete;

private:
    QToolBar* FToolbar;
    bool FWasEnabled;
};
