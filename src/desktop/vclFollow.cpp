#include "vclFollow.h"

#include <QAction>
#include <QPointer>

QAction* FollowCommand(QAction* item, QAction* command, int flags)
{
    // The command's handler may run the event loop, in which the item's
    // owner can rebuild its items and delete this one.
    const QPointer<QAction> guard(item);
    const auto follow = [guard, command, flags] {
        if (!guard)
            return;
        if (flags & ffText)
            guard->setText(command->text());
        if (flags & ffIcon)
            guard->setIcon(command->icon());
        if (flags & ffVisible)
            guard->setVisible(command->isVisible());
        guard->setEnabled(command->isEnabled());
        guard->setCheckable(command->isCheckable());
        guard->setChecked(command->isChecked());
    };
    follow();
    QObject::connect(command, &QAction::changed, item, follow);
    QObject::connect(command, &QAction::toggled, item, follow);
    // The click has toggled a checkable item already; the command decides its
    // own state (a panel command that is on stays on), and the item follows.
    QObject::connect(item, &QAction::triggered, command, [command, follow] {
        command->trigger();
        follow();
    });
    return item;
}
