#include "vclGrip.h"

#include <QEvent>
#include <QStyle>

TSizeGrip::TSizeGrip(QWidget* target) : QSizeGrip(target), FTarget(target)
{
    setObjectName(QStringLiteral("ctlSizeGrip"));
    setAccessibleName(QStringLiteral("调整窗口大小"));
    setCursor(Qt::SizeFDiagCursor);
    resize(sizeHint());
    if (target)
        target->installEventFilter(this);
    MoveToCorner();
}

QSize TSizeGrip::sizeHint() const
{
    // As wide as a scroll bar at least, the size a grip has on a status bar.
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return QSizeGrip::sizeHint().expandedTo(QSize(extent, extent));
}

QRect TSizeGrip::GripRect() const { return FTarget && FEnabled ? geometry() : QRect(); }

void TSizeGrip::SetEnabled(bool value)
{
    if (FEnabled == value)
        return;
    FEnabled = value;
    setVisible(value);
    // A maximised window cannot be resized: QSizeGrip hides itself then and
    // shows itself again when the window is restored, as long as it was not
    // hidden through setVisible.
    if (value && FTarget && (FTarget->window()->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        QWidget::setVisible(false);
    MoveToCorner();
}

bool TSizeGrip::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FTarget && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        MoveToCorner();
    return QSizeGrip::eventFilter(watched, event);
}

void TSizeGrip::MoveToCorner()
{
    if (!FTarget)
        return;
    const QSize size = sizeHint();
    const QRect client = FTarget->rect();
    setGeometry(client.right() - size.width() + 1, client.bottom() - size.height() + 1, size.width(), size.height());
    // Widgets added to the window later must not cover the grip.
    raise();
}
