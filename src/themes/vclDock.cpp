#include "vclDock.h"

#include <QEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QToolBar>

TDock::TDock(QMainWindow* window) : QWidget(window), FWindow(window)
{
    setObjectName(QStringLiteral("boxDock"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    // The window hears of resizes and of bars added; each bar of its own moves.
    window->installEventFilter(this);
    for (QObject* child : window->children())
        Watch(child);
    hide();
}

void TDock::Watch(QObject* child)
{
    if (qobject_cast<QToolBar*>(child) || qobject_cast<QMenuBar*>(child))
        child->installEventFilter(this);
}

void TDock::SetBoundLines(bool on)
{
    FBoundLines = on;
    Follow();
}

QRect TDock::DockRect() const
{
    QRect dock;
    if (QWidget* menu = FWindow->menuWidget(); menu && menu->isVisibleTo(FWindow))
        dock = menu->geometry();
    for (QToolBar* bar : FWindow->findChildren<QToolBar*>(Qt::FindDirectChildrenOnly))
        if (bar->isVisibleTo(FWindow) && !bar->isFloating() && FWindow->toolBarArea(bar) == Qt::TopToolBarArea)
            dock = dock.united(bar->geometry());
    if (dock.isEmpty())
        return dock;
    // The full width of the window, as the bars' area has.
    return QRect(0, dock.top(), FWindow->width(), dock.height());
}

bool TDock::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        if (watched == FWindow)
            Watch(static_cast<QChildEvent*>(event)->child());
        FollowLater();
        break;
    case QEvent::Resize:
    case QEvent::Move:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ChildRemoved: FollowLater(); break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void TDock::FollowLater()
{
    // Once, after the window's layout has placed every bar; nothing to
    // follow while the lines are off (turning them on follows at once).
    if (FPending || !FBoundLines)
        return;
    FPending = true;
    QMetaObject::invokeMethod(this, &TDock::Follow, Qt::QueuedConnection);
}

void TDock::Follow()
{
    FPending = false;
    const QRect dock = DockRect();
    setVisible(FBoundLines && !dock.isEmpty());
    if (dock.isEmpty())
        return;
    setGeometry(dock);
    raise();
    update();
}

void TDock::paintEvent(QPaintEvent*)
{
    // An etched edge: a shadow line with a light one inside, on all four sides.
    QPainter painter(this);
    const QRect r = rect();
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(r.adjusted(0, 0, -2, -2));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(r.adjusted(1, 1, -1, -1));
}
