#pragma once
// The "OfficeXP" look on Fusion: flat menus with a picture band on the left,
// flat menu and tool bars, and a light highlight inside a thin dark border
// for the item under the mouse, in menus, tool bars and item views alike.

#include <QProxyStyle>

class TOfficeXPStyle final : public QProxyStyle
{
    Q_OBJECT
public:
    TOfficeXPStyle();

    void polish(QPalette& palette) override;
    void polish(QWidget* widget) override;
    using QProxyStyle::polish;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};
