#include "vclToolbarBuild.h"
#include "vclFollow.h"

#include "libRegistry.h"

#include <QAction>
#include <QFile>
#include <QHash>
#include <QToolBar>

namespace {

const char* const CCommandProperty = "command";
const char* const CTextOptionProperty = "textOption";

// The bar's own style for an option; the buttons' priorities pick which
// captions show under option 1.
Qt::ToolButtonStyle BarStyle(int option)
{
    if (option >= 2)
        return Qt::ToolButtonTextUnderIcon;
    return option == 1 ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly;
}

QAction* NewButton(QToolBar* toolbar, QAction* command)
{
    const TToolbarCommand rules = ToolbarCommand(command);
    const TButtonTexts texts = ButtonTexts(rules.Caption, rules.Hint);
    auto* button = new QAction(toolbar);
    button->setObjectName(QStringLiteral("btn") + rules.Name);
    button->setText(texts.Caption);
    button->setIconText(texts.Caption);
    button->setToolTip(texts.Hint);
    button->setProperty(CCommandProperty, QVariant::fromValue<QObject*>(command));
    // Its own caption, tip and visibility; the picture and state are the command's.
    return FollowCommand(button, command, ffIcon);
}

// Empties the bar and fills it with layout, the buttons made for candidates.
void FillToolbar(QToolBar* toolbar, const QList<QAction*>& commands, const TToolbarItems& layout)
{
    TToolbarUpdate update(toolbar);
    const QList<QAction*> old = toolbar->actions();
    for (QAction* item : old) {
        toolbar->removeAction(item);
        if (item->parent() == toolbar)
            delete item;
    }
    QHash<QString, QAction*> byName;
    for (QAction* command : commands)
        byName.insert(command->objectName(), command);
    const int option = ToolbarTextOption(toolbar);
    toolbar->setToolButtonStyle(BarStyle(option));
    for (const TToolbarItem& entry : layout) {
        QAction* item = nullptr;
        if (entry.IsSeparator()) {
            item = NewToolbarSeparator(toolbar);
        } else if (QAction* command = byName.value(entry.Command)) {
            item = NewButton(toolbar, command);
            ApplyButtonTextOption(option, item);
        } else {
            continue;
        }
        item->setVisible(entry.Visible);
        toolbar->addAction(item);
    }
}

QList<TToolbarCommand> Candidates(const QList<QAction*>& commands)
{
    QList<TToolbarCommand> list;
    for (const QAction* command : commands)
        list.append(ToolbarCommand(command));
    return ToolbarCandidates(list);
}

} // namespace

TToolbarUpdate::TToolbarUpdate(QToolBar* toolbar) : FToolbar(toolbar), FWasEnabled(toolbar->updatesEnabled())
{
    FToolbar->setUpdatesEnabled(false);
}

TToolbarUpdate::~TToolbarUpdate() { FToolbar->setUpdatesEnabled(FWasEnabled); }

TToolbarCommand ToolbarCommand(const QAction* command)
{
    TToolbarCommand rules;
    rules.Name = command->objectName();
    rules.Caption = command->text();
    rules.Hint = command->property("hint").toString();
    bool known = false;
    const int picture = command->property("picture").toInt(&known);
    rules.Picture = known ? picture : -1;
    rules.Tag = command->property("tag").toInt();
    rules.Category = command->property("category").toString();
    return rules;
}

QString ToolbarLayoutFile(const QToolBar* toolbar)
{
    // A floating bar is a window of its own; its parent still is the form.
    const QWidget* form = toolbar->parentWidget() ? toolbar->parentWidget()->window() : toolbar;
    return ComponentFilePath(form->objectName(), toolbar->objectName());
}

void BuildToolbar(QToolBar* toolbar, const QList<QAction*>& commands)
{
    FillToolbar(toolbar, commands, ReadToolbarLayout(ToolbarLayoutFile(toolbar), Candidates(commands)));
}

void SaveToolbar(const QToolBar* toolbar) { WriteToolbarLayout(ToolbarLayoutFile(toolbar), ToolbarItems(toolbar)); }

void ResetToolbar(QToolBar* toolbar, const QList<QAction*>& commands)
{
    toolbar->setProperty(CTextOptionProperty, 0);
    // The default layout even where the file cannot be removed: the exit
    // writes this layout over it.
    QFile::remove(ToolbarLayoutFile(toolbar));
    FillToolbar(toolbar, commands, DefaultToolbarLayout(Candidates(commands)));
}

void SetToolbarTextOption(int option, QToolBar* toolbar)
{
    // The menu and the dialog offer 0 … 2 only; a hand-edited value shows
    // as its nearest one and is ticked there.
    option = BoundedTextOption(option);
    TToolbarUpdate update(toolbar);
    toolbar->setProperty(CTextOptionProperty, option);
    toolbar->setToolButtonStyle(BarStyle(option));
    const QList<QAction*> items = toolbar->actions();
    for (QAction* item : items)
        ApplyButtonTextOption(option, item);
}

int ToolbarTextOption(const QToolBar* toolbar)
{
    const QVariant option = toolbar->property(CTextOptionProperty);
    return option.isValid() ? option.toInt() : 1;
}

void ApplyButtonTextOption(int option, QAction* item)
{
    const QAction* command = ButtonCommand(item);
    if (!command || option >= 2)
        return;
    // Under Qt::ToolButtonTextBesideIcon a low-priority action shows no caption.
    const bool caption =
        ButtonTextStyle(option, command->property("category").toString()) == TButtonTextStyle::PictureAndCaption;
    item->setPriority(caption ? QAction::NormalPriority : QAction::LowPriority);
}

QAction* ButtonCommand(const QAction* item)
{
    if (!item)
        return nullptr;
    return qobject_cast<QAction*>(item->property(CCommandProperty).value<QObject*>());
}

QAction* NewToolbarSeparator(QToolBar* toolbar)
{
    auto* separator = new QAction(toolbar);
    separator->setSeparator(true);
    return separator;
}

TToolbarItems ToolbarItems(const QToolBar* toolbar)
{
    TToolbarItems items;
    const QList<QAction*> actions = toolbar->actions();
    for (const QAction* item : actions) {
        if (item->isSeparator())
            items.append(TToolbarItem{QString(), item->isVisible()});
        else if (const QAction* command = ButtonCommand(item))
            items.append(TToolbarItem{command->objectName(), item->isVisible()});
    }
    return items;
}
