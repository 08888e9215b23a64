// The theme menu and the dock's bound lines, which only the default theme draws.
#include "vclMain.h"

#include "vclDock.h"
#include "vclThemes.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

void TwinMain::CreateSkinsMenu()
{
    subSkins = subView->addMenu(QStringLiteral("界面风格(&K)"));
    subSkins->setObjectName(QStringLiteral("subSkins"));
    auto* group = new QActionGroup(subSkins);
    for (const QString& name : TThemes::Names()) {
        QAction* item = subSkins->addAction(name);
        item->setCheckable(true);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { Guarded([&] { subBarSkinClick(item); }); });
    }
    connect(subSkins, &QMenu::aboutToShow, this, [this] { subSkinsPopup(); });
    // The lines follow the theme wherever it is changed from.
    connect(ctlSkins, &TThemes::Changed, this, [this] { ShowDockLines(); });
}

void TwinMain::subSkinsPopup()
{
    const QString current = ctlSkins->Current();
    for (QAction* item : subSkins->actions())
        item->setChecked(item->text().compare(current, Qt::CaseInsensitive) == 0);
}

// The dock's lines follow through the theme's change signal.
void TwinMain::subBarSkinClick(QAction* item) { ctlSkins->SetCurrent(item->text()); }

void TwinMain::ShowDockLines() { boxDock->SetBoundLines(ctlSkins->Current() == QStringLiteral("Default")); }
