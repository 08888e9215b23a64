// The theme switcher and what the OfficeXP look draws.

#include "vclOfficeXP.h"
#include "vclThemes.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool OfficeXP() { return qobject_cast<const TOfficeXPStyle*>(QApplication::style()) != nullptr; }

// The colour a menu shows at its active item, right of its text, and on the
// item's left edge.
QPair<QColor, QColor> ActiveItemColours()
{
    QMenu menu;
    menu.addAction(u"一"_s);
    QAction* second = menu.addAction(u"二"_s);
    menu.addAction(u"三"_s);
    menu.popup(QPoint(10, 10));
    if (!QTest::qWaitForWindowExposed(&menu))
        return {};
    menu.setActiveAction(second);
    const QRect item = menu.actionGeometry(second);
    const QImage picture = menu.grab().toImage();
    return {picture.pixelColor(item.right() - 6, item.center().y()),
            picture.pixelColor(item.left() + 1, item.center().y())};
}

} // namespace

class TestThemes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void namesInMenuOrder()
    {
        QCOMPARE(TThemes::Names(), (QStringList{u"Default"_s, u"OfficeXP"_s}));
        QCOMPARE(TThemes::Registered(u"officeXP"_s), u"OfficeXP"_s);
        QCOMPARE(TThemes::Registered(u"DEFAULT"_s), u"Default"_s);
        QVERIFY(TThemes::Registered(u"Luna"_s).isEmpty());
        QVERIFY(TThemes::Registered(QString()).isEmpty());
    }

    // Only a registered name changes the theme, in any letter case, and only
    // a real change is signalled; Default brings the desktop's style back.
    void changes()
    {
        const QString desktop = QApplication::style()->name();
        TThemes themes;
        QSignalSpy changed(&themes, &TThemes::Changed);
        themes.SetCurrent(u"Luna"_s);
        themes.SetCurrent(u"default"_s);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(themes.Current(), u"Default"_s);

        themes.SetCurrent(u"officexp"_s);
        QCOMPARE(themes.Current(), u"OfficeXP"_s);
        QVERIFY(OfficeXP());
        themes.SetCurrent(u"OfficeXP"_s);
        themes.SetCurrent(u"Luna"_s);
        QCOMPARE(themes.Current(), u"OfficeXP"_s);

        themes.SetCurrent(u"Default"_s);
        QVERIFY(!OfficeXP());
        QCOMPARE(QApplication::style()->name(), desktop);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(0).at(0).toString(), u"OfficeXP"_s);
        QCOMPARE(changed.at(1).at(0).toString(), u"Default"_s);
    }

    // A window made later in the same process starts as the program does.
    void aNewSwitcherStartsAtDefault()
    {
        TThemes first;
        first.SetCurrent(u"OfficeXP"_s);
        TThemes second;
        QCOMPARE(second.Current(), u"Default"_s);
        QVERIFY(!OfficeXP());
    }

    // The look itself: the item under the mouse in a light fill inside a
    // thin dark border, which the desktop's style does not draw.
    void officeXPHighlight()
    {
        TThemes themes;
        const auto [desktopFill, desktopEdge] = ActiveItemColours();
        themes.SetCurrent(u"OfficeXP"_s);
        const auto [fill, edge] = ActiveItemColours();
        QCOMPARE(fill, QColor(0xc1, 0xd2, 0xee));
        QCOMPARE(edge, QColor(0x31, 0x6a, 0xc5));
        QVERIFY(desktopFill != fill);
        themes.SetCurrent(u"Default"_s);
    }
};

QTEST_MAIN(TestThemes)
#include "test_themes.moc"
