// The tray icon's menu, the window's own minimise and show, and the
// now-playing record.
#include "vclMain.h"

#include "libRadio.h"
#include "vclFollow.h"
#include "vclShell.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindowStateChangeEvent>

namespace {

// A tray-menu item for command: the command's caption and state without its
// shortcut text (the command keeps the shortcut).
QAction* MirrorOf(QAction* command, QMenu* menu)
{
    QAction* item = FollowCommand(new QAction(menu), command, ffText | ffVisible);
    item->setObjectName(command->objectName());
    menu->addAction(item);
    return item;
}

} // namespace

void TwinMain::CreateTrayMenu()
{
    popTray = new QMenu(this);
    popTray->setObjectName(QStringLiteral("popTray"));
    popRecent = popTray->addMenu(subRecent->title());
    popRecent->setObjectName(QStringLiteral("popRecent"));
    MirrorOf(actOpen, popTray);
    popTray->addSeparator();
    popLinks = popTray->addMenu(QString());
    popLinks->setObjectName(QStringLiteral("popLinks"));
    popTray->addSeparator();
    for (QAction* command : {actPlay, actStop, actMute})
        MirrorOf(command, popTray);
    popTray->addSeparator();
    MirrorOf(actShow, popTray);
    MirrorOf(actExit, popTray);
    connect(popTray, &QMenu::aboutToShow, this, [this] { Guarded([&] { popTrayPopup(); }); });
    popTrayPopup();
}

void TwinMain::popTrayPopup()
{
    const bool links = FillLinkMenu(popLinks);
    popLinks->menuAction()->setEnabled(links);
    popLinks->setTitle(links ? FRadio->DisplayText() : QStringLiteral("没有打开任何电台"));

    const QList<QAction*> recent = subRecent->actions();
    popRecent->menuAction()->setEnabled(!recent.isEmpty());
    if (recent.isEmpty())
        return;
    // Not deleted at once: the item clicked may be the one whose handler runs.
    for (QAction* old : popRecent->actions()) {
        popRecent->removeAction(old);
        old->deleteLater();
    }
    for (const QAction* entry : recent) {
        QAction* item = popRecent->addAction(entry->text());
        item->setData(entry->data());
        item->setStatusTip(entry->statusTip());
        item->setToolTip(entry->toolTip());
        connect(item, &QAction::triggered, this, [this, item] { Guarded([&] { popRecentsClick(item); }); });
    }
    popRecent->setTitle(subRecent->title());
}

void TwinMain::popRecentsClick(QAction* item)
{
    // The menu is refilled before it opens again; the path outlives the item.
    const QString path = item->data().toString();
    OpenRadioFile(path, false);
}

void TwinMain::ConnectTrayIcon()
{
    TTrayIcon* tray = TrayIcon();
    if (!tray || tray == FConnectedTray)
        return;
    FConnectedTray = tray;
    tray->Icon()->setContextMenu(popTray);
    // With a dialog open the click brings both forward instead of minimising
    // a window the user is being asked something in.
    connect(tray, &TTrayIcon::LeftClicked, this, [this] { ShowMainWindow(isMinimized() || Busy(), this); });
}

void TwinMain::actShowExecute() { ShowMainWindow(true, this); }

void TwinMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized())
        return;
    // The window manager minimised the window: with the icon on, only the
    // icon stays. Without any tray nothing could bring it back.
    if (actInsTray->isChecked() && SystemTrayAvailable())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                hide();
        });
}

void TwinMain::SendNowPlaying(const QString& text, int category)
{
    const QByteArray record = MessengerRecord(text, category);
    if (FServices.Messenger)
        FServices.Messenger->Send(record);
}
