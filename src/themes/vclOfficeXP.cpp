#include "vclOfficeXP.h"

#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStyleFactory>
#include <QStyleOption>
#include <QToolButton>

namespace {

// The colours of the look; the highlight pair is the one that defines it.
const QColor CHighlight(0xc1, 0xd2, 0xee);
const QColor CPressed(0x98, 0xb5, 0xe2);
const QColor CChecked(0xe1, 0xe6, 0xf0);
const QColor CBorder(0x31, 0x6a, 0xc5);
const QColor CMenu(0xfc, 0xfc, 0xfc);
const QColor CMenuFrame(0x86, 0x86, 0x86);
const QColor CBand(0xe8, 0xe6, 0xe1);
const QColor CBar(0xf0, 0xef, 0xea);
const QColor CToolBar(0xf7, 0xf6, 0xf3);
const QColor CLine(0xb4, 0xb2, 0xaa);
const QColor CDisabledText(0xa0, 0xa0, 0xa0);

// The picture band of a menu, as wide as a 16-pixel picture with its margin.
constexpr int CBandWidth = 24;
constexpr int CItemHeight = 22;
// Room for the shortcut gap and the submenu arrow at the right.
constexpr int CArrowWidth = 18;

// A rectangle of fill inside a one-pixel border, the highlight of the look.
void DrawBox(QPainter* painter, const QRect& rect, const QColor& fill, const QColor& border)
{
    painter->save();
    painter->setPen(border);
    painter->setBrush(fill);
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

void DrawCheckMark(QPainter* painter, const QRect& box, bool exclusive, const QColor& colour)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QPointF c = QRectF(box).center();
    if (exclusive) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(colour);
        painter->drawEllipse(c, 3.0, 3.0);
    } else {
        painter->setPen(QPen(colour, 1.6));
        QPainterPath tick;
        tick.moveTo(c.x() - 3.5, c.y());
        tick.lineTo(c.x() - 1, c.y() + 2.5);
        tick.lineTo(c.x() + 3.5, c.y() - 3);
        painter->drawPath(tick);
    }
    painter->restore();
}

bool Hovered(const QStyleOption* option)
{
    const QStyle::State s = option->state;
    return (s & QStyle::State_MouseOver) || ((s & QStyle::State_AutoRaise) && (s & QStyle::State_Raised));
}

} // namespace

// On Fusion whatever the desktop's style is, so the look is the same everywhere.
TOfficeXPStyle::TOfficeXPStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void TOfficeXPStyle::polish(QPalette& palette)
{
    QProxyStyle::polish(palette);
    // Selected text stays readable on the light highlight.
    palette.setColor(QPalette::Highlight, CHighlight);
    palette.setColor(QPalette::HighlightedText, palette.color(QPalette::Text));
}

void TOfficeXPStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    // The highlight follows the mouse, so these widgets need hover events.
    if (qobject_cast<QToolButton*>(widget) || qobject_cast<QMenuBar*>(widget))
        widget->setAttribute(Qt::WA_Hover);
}

void TOfficeXPStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                   const QWidget* widget) const
{
    switch (element) {
    case PE_PanelMenu:
        painter->fillRect(option->rect, CMenu);
        painter->fillRect(QRect(option->rect.left() + 1, option->rect.top(), CBandWidth, option->rect.height()), CBand);
        return;
    case PE_FrameMenu:
        painter->save();
        painter->setPen(CMenuFrame);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
        return;
    case PE_PanelMenuBar: painter->fillRect(option->rect, CBar); return;
    case PE_PanelToolBar: return;
    case PE_IndicatorToolBarSeparator: {
        painter->save();
        painter->setPen(CLine);
        const QRect r = option->rect;
        if (option->state & State_Horizontal)
            painter->drawLine(r.center().x(), r.top() + 3, r.center().x(), r.bottom() - 3);
        else
            painter->drawLine(r.left() + 3, r.center().y(), r.right() - 3, r.center().y());
        painter->restore();
        return;
    }
    case PE_IndicatorToolBarHandle: {
        // A column of dots: the bar can be dragged here.
        painter->save();
        painter->setPen(Qt::NoPen);
        painter->setBrush(CLine);
        const QRect r = option->rect;
        if (option->state & State_Horizontal) {
            for (int y = r.top() + 4; y + 2 <= r.bottom() - 3; y += 4)
                painter->drawRect(r.center().x() - 1, y, 2, 2);
        } else {
            for (int x = r.left() + 4; x + 2 <= r.right() - 3; x += 4)
                painter->drawRect(x, r.center().y() - 1, 2, 2);
        }
        painter->restore();
        return;
    }
    case PE_PanelButtonTool: {
        const bool enabled = option->state & State_Enabled;
        const bool down = option->state & State_Sunken;
        const bool on = option->state & State_On;
        const bool hovered = enabled && Hovered(option);
        if (enabled && down)
            DrawBox(painter, option->rect, CPressed, CBorder);
        else if (on && hovered)
            DrawBox(painter, option->rect, CPressed, CBorder);
        else if (on)
            DrawBox(painter, option->rect, CChecked, CBorder);
        else if (hovered)
            DrawBox(painter, option->rect, CHighlight, CBorder);
        return;
    }
    case PE_PanelItemViewItem:
        if (const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option)) {
            if (!(item->state & State_Selected)) {
                QProxyStyle::drawPrimitive(element, option, painter, widget);
                return;
            }
            // One box around the whole row: the cells of a row share it.
            painter->save();
            painter->fillRect(item->rect, CHighlight);
            painter->setPen(CBorder);
            const QRect r = item->rect;
            painter->drawLine(r.topLeft(), r.topRight());
            painter->drawLine(r.bottomLeft(), r.bottomRight());
            const auto position = item->viewItemPosition;
            if (position == QStyleOptionViewItem::Beginning || position == QStyleOptionViewItem::OnlyOne
                || position == QStyleOptionViewItem::Invalid)
                painter->drawLine(r.topLeft(), r.bottomLeft());
            if (position == QStyleOptionViewItem::End || position == QStyleOptionViewItem::OnlyOne
                || position == QStyleOptionViewItem::Invalid)
                painter->drawLine(r.topRight(), r.bottomRight());
            painter->restore();
            return;
        }
        break;
    default: break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void TOfficeXPStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const
{
    switch (element) {
    case CE_ToolBar:
        painter->fillRect(option->rect, CToolBar);
        painter->save();
        painter->setPen(CLine);
        painter->drawLine(option->rect.bottomLeft(), option->rect.bottomRight());
        painter->restore();
        return;
    case CE_MenuBarEmptyArea: painter->fillRect(option->rect, CBar); return;
    case CE_MenuEmptyArea: return;
    case CE_MenuBarItem:
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            painter->fillRect(item->rect, CBar);
            const bool enabled = item->state & State_Enabled;
            if (enabled && (item->state & State_Sunken)) {
                // The open menu's title joins the menu below it.
                painter->save();
                painter->fillRect(item->rect, CBand);
                painter->setPen(CMenuFrame);
                const QRect r = item->rect.adjusted(0, 0, -1, 0);
                painter->drawLine(r.bottomLeft(), r.topLeft());
                painter->drawLine(r.topLeft(), r.topRight());
                painter->drawLine(r.topRight(), r.bottomRight());
                painter->restore();
            } else if (enabled && (item->state & State_Selected)) {
                DrawBox(painter, item->rect, CHighlight, CBorder);
            }
            int flags = Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextDontClip | Qt::TextSingleLine;
            if (!proxy()->styleHint(SH_UnderlineShortcut, item, widget))
                flags |= Qt::TextHideMnemonic;
            painter->save();
            painter->setPen(enabled ? item->palette.color(QPalette::ButtonText) : CDisabledText);
            painter->drawText(item->rect, flags, item->text);
            painter->restore();
            return;
        }
        break;
    case CE_MenuItem:
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            const QRect r = item->rect;
            const QRect band(r.left(), r.top(), CBandWidth, r.height());
            painter->fillRect(r, CMenu);
            painter->fillRect(band, CBand);
            if (item->menuItemType == QStyleOptionMenuItem::Separator) {
                painter->save();
                painter->setPen(CLine);
                const int y = r.center().y();
                painter->drawLine(band.right() + 8, y, r.right() - 2, y);
                painter->restore();
                return;
            }
            const bool enabled = item->state & State_Enabled;
            const bool selected = item->state & State_Selected;
            if (selected)
                DrawBox(painter, r.adjusted(1, 0, -1, 0), enabled ? CHighlight : CMenu, CBorder);

            const QRect box = QRect(band.left() + 2, r.top() + 1, CBandWidth - 3, r.height() - 2);
            const bool checked = item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked;
            if (checked)
                DrawBox(painter, box, selected && enabled ? CPressed : CHighlight, CBorder);
            if (!item->icon.isNull()) {
                const int size = proxy()->pixelMetric(PM_SmallIconSize, option, widget);
                const QPixmap picture =
                    item->icon.pixmap(QSize(size, size), painter->device()->devicePixelRatio(),
                                      enabled ? QIcon::Normal : QIcon::Disabled, checked ? QIcon::On : QIcon::Off);
                const QSize shown = picture.deviceIndependentSize().toSize();
                painter->drawPixmap(
                    QRect(QPoint(0, 0), shown).translated(box.center() - QRect(QPoint(0, 0), shown).center()), picture);
            } else if (checked) {
                DrawCheckMark(painter, box, item->checkType == QStyleOptionMenuItem::Exclusive,
                              enabled ? item->palette.color(QPalette::Text) : CDisabledText);
            }

            QString text = item->text;
            QString shortcut;
            if (const qsizetype tab = text.indexOf(u'\t'); tab >= 0) {
                shortcut = text.mid(tab + 1);
                text.truncate(tab);
            }
            int flags = Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextDontClip | Qt::TextSingleLine;
            if (!proxy()->styleHint(SH_UnderlineShortcut, item, widget))
                flags |= Qt::TextHideMnemonic;
            painter->save();
            painter->setFont(item->font);
            painter->setPen(enabled ? item->palette.color(QPalette::Text) : CDisabledText);
            const QRect textRect(band.right() + 9, r.top(), r.right() - band.right() - 9 - CArrowWidth, r.height());
            painter->drawText(textRect, flags | Qt::AlignLeft, text);
            if (!shortcut.isEmpty())
                painter->drawText(textRect, flags | Qt::AlignRight, shortcut);
            painter->restore();

            if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
                QStyleOptionMenuItem arrow = *item;
                arrow.rect = QRect(r.right() - CArrowWidth + 4, r.top(), CArrowWidth - 8, r.height());
                arrow.state = enabled ? State_Enabled : State_None;
                arrow.palette.setColor(QPalette::ButtonText,
                                       enabled ? item->palette.color(QPalette::Text) : CDisabledText);
                proxy()->drawPrimitive(option->direction == Qt::RightToLeft ? PE_IndicatorArrowLeft
                                                                            : PE_IndicatorArrowRight,
                                       &arrow, painter, widget);
            }
            return;
        }
        break;
    default: break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

QSize TOfficeXPStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                       const QWidget* widget) const
{
    if (type == CT_MenuItem) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            if (item->menuItemType == QStyleOptionMenuItem::Separator)
                return QSize(size.width(), 7);
            // The menu adds the shortcut column's width itself.
            return QSize(CBandWidth + 9 + size.width() + 16 + CArrowWidth, qMax(CItemHeight, size.height() + 6));
        }
    }
    if (type == CT_MenuBarItem)
        return QSize(size.width() + 14, qMax(size.height() + 6, 20));
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

int TOfficeXPStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_MenuPanelWidth: return 1;
    case PM_MenuHMargin: return 0;
    case PM_MenuVMargin: return 1;
    case PM_MenuBarPanelWidth: return 0;
    case PM_MenuBarItemSpacing: return 0;
    case PM_MenuBarHMargin: return 2;
    case PM_MenuBarVMargin: return 1;
    case PM_ToolBarFrameWidth: return 1;
    case PM_ToolBarItemMargin: return 1;
    case PM_ToolBarItemSpacing: return 1;
    default: return QProxyStyle::pixelMetric(metric, option, widget);
    }
}
