// The menu bar as a whole: its order and captions, the station's pages, the
// web commands, the manual, the themes and the about box.

#include "MainWindowFixture.h"

#include "libExeInfo.h"
#include "vclAbout.h"
#include "vclDock.h"
#include "vclOfficeXP.h"
#include "vclThemes.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

// A menu's items by name: "-" for a separator, a submenu by its menu's name.
QStringList Items(const QMenu* menu)
{
    QStringList items;
    for (const QAction* item : menu->actions()) {
        if (item->isSeparator())
            items += u"-"_s;
        else
            items += item->menu() ? item->menu()->objectName() : item->objectName();
    }
    return items;
}

// Runs check on the window's modal dialog once it is open, then closes it.
void WhileModal(const std::function<void(QDialog*)>& check)
{
    QTimer::singleShot(0, [check] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        check(dialog);
        dialog->accept();
    });
}

const QString WebServer = u"https://mirror.example.cn"_s;

} // namespace

class TestMainMenus : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { qputenv("KESTREL_WEB_SERVER", WebServer.toUtf8()); }
    void cleanup() { qunsetenv("KESTREL_WEB_SERVER"); }

    void menuBarInOrder()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        QStringList bar;
        for (const QAction* menu : w->menuBar()->actions())
            bar += menu->menu()->objectName() + u' ' + menu->text();
        QCOMPARE(bar, (QStringList{u"subRadio 电台(&F)"_s, u"subLink 连接(&E)"_s, u"subPlay 收听(&A)"_s,
                                   u"subView 查看(&V)"_s, u"subTool 工具(&T)"_s, u"subHelp 帮助(&H)"_s}));
        QCOMPARE(Items(w->subRadio).mid(0, 5),
                 (QStringList{u"actNew"_s, u"actOpen"_s, u"btnOpenLib"_s, u"actSearchLib"_s, u"actClose"_s}));
        QCOMPARE(w->btnOpenLib->text(), u"连接到在线电台库(&H)..."_s);
        QCOMPARE(w->actOpenLib->text(), u"访问在线电台库(&H)..."_s);
        QCOMPARE(Items(w->subView), (QStringList{u"subDock"_s, u"actBarHint"_s, u"-"_s, u"actVolume"_s, u"actLinks"_s,
                                                 u"-"_s, u"actHome"_s, u"actMenu"_s, u"-"_s, u"subSkins"_s,
                                                 u"actFullView"_s, u"-"_s, u"actTopMost"_s, u"actInsTray"_s}));
        QCOMPARE(Items(w->subDock), (QStringList{u"actBarTool"_s, u"-"_s, u"subBarText"_s, u"actBarLock"_s,
                                                 u"actBarReset"_s, u"-"_s, u"actCust"_s}));
        QCOMPARE(Items(w->subHelp),
                 (QStringList{u"actHelp"_s, u"-"_s, u"actKestrel"_s, u"actClub"_s, u"-"_s, u"actAbout"_s}));
        QCOMPARE(w->subSkins->title(), u"界面风格(&K)"_s);
        QCOMPARE(w->subHelp->actions().first()->text(), u"帮助(&H)"_s);
        QCOMPARE(w->actBarHint->text(), u"状态栏(&B)"_s);
    }

    // The two captions made at start-up from the version record, and the
    // function keys of the options and help commands.
    void captionsAndShortcuts()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        QCOMPARE(w->ProductName(), u"Kestrel收音机"_s);
        QCOMPARE(w->actKestrel->text(), u"Kestrel收音机主页(&H)"_s);
        QCOMPARE(w->actAbout->text(), u"关于Kestrel收音机(&A)"_s);
        QCOMPARE(w->actSetup->shortcut(), QKeySequence(Qt::Key_F3));
        QCOMPARE(w->actHelp->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(w->actClub->shortcut(), QKeySequence(Qt::Key_Home));
        QCOMPARE(w->actClub->toolTip(), u"听友会"_s);
    }

    void stationPages_data()
    {
        QTest::addColumn<bool>("station");
        QTest::addColumn<QString>("href");
        QTest::addColumn<QString>("menu");
        QTest::newRow("no station") << false << QString() << QString();
        QTest::newRow("neither page") << true << QString() << QString();
        QTest::newRow("home page only") << true << u"http://radio.example.cn/"_s << QString();
        QTest::newRow("guide only") << true << QString() << u"http://radio.example.cn/guide"_s;
        QTest::newRow("both") << true << u"http://radio.example.cn/"_s << u"http://radio.example.cn/guide"_s;
    }

    // Each page's command is enabled exactly when the station has that page,
    // and opens it through the browser service.
    void stationPages()
    {
        QFETCH(bool, station);
        QFETCH(QString, href);
        QFETCH(QString, menu);
        TMainWindowFixture f;
        TRadio radio;
        radio.SetText(u"甲台"_s);
        radio.SetHref(href);
        radio.SetMenu(menu);
        const QString file = f.Home.Path() + u"/a.radio"_s;
        radio.SaveToFile(file);
        TwinMain* w = f.Create(station ? QStringList{file} : QStringList{f.Home.Path() + u"/missing.radio"_s});
        QCOMPARE(w->Radio() != nullptr, station);
        QCOMPARE(w->actHome->isEnabled(), !href.isEmpty());
        QCOMPARE(w->actMenu->isEnabled(), !menu.isEmpty());
        w->actHome->trigger();
        w->actMenu->trigger();
        QStringList opened;
        for (const QString& page : {href, menu})
            if (!page.isEmpty())
                opened += page;
        QCOMPARE(f.Browser.Opened, opened);
    }

    void webCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("address");
        QTest::newRow("forum") << u"actClub"_s << WebServer + u"/"_s;
        QTest::newRow("product home") << u"actKestrel"_s << WebServer + u"/lyrebird/"_s;
        QTest::newRow("station library") << u"actOpenLib"_s << WebServer + u"/radioshop/"_s;
        QTest::newRow("station library, station menu") << u"btnOpenLib"_s << WebServer + u"/radioshop/"_s;
        QTest::newRow("installation package") << u"actDownload"_s << WebServer + u"/download/Lyrebird.zip"_s;
    }

    void webCommands()
    {
        QFETCH(QString, command);
        QFETCH(QString, address);
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        QAction* action = f.Command(command) ? f.Command(command) : w->findChild<QAction*>(command);
        QVERIFY(action && action->isEnabled());
        action->trigger();
        QCOMPARE(f.Browser.Opened, QStringList{address});
    }

    // Home selects the first row of the list and the lowest volume of a
    // slider; wherever else the focus is, it opens the forum.
    void homeKeyStaysWithTheControlsThatUseIt()
    {
        TMainWindowFixture f;
        const QString station = f.WriteStation(
            u"a.radio"_s, u"甲台"_s, {{u"一"_s, u"http://127.0.0.1:9/a"_s}, {u"二"_s, u"http://127.0.0.1:9/b"_s}});
        TwinMain* w = f.Create({station});
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->boxLinks->setFocus();
        w->boxLinks->setCurrentItem(w->boxLinks->topLevelItem(1));
        QTest::keyClick(w->boxLinks, Qt::Key_Home);
        QCOMPARE(w->boxLinks->currentItem(), w->boxLinks->topLevelItem(0));
        QVERIFY(f.Browser.Opened.isEmpty());

        w->ShowPanel(0);
        w->barPlayer->setFocus();
        QTest::keyClick(w->barPlayer, Qt::Key_Home);
        QCOMPARE(w->barPlayer->value(), w->barPlayer->minimum());
        QVERIFY(f.Browser.Opened.isEmpty());

        w->chkPlayer->setFocus();
        QTest::keyClick(w->chkPlayer, Qt::Key_Home);
        QCOMPARE(f.Browser.Opened, QStringList{WebServer + u"/"_s});
    }

    void helpOpensTheManual()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        w->actHelp->trigger();
        const QString shipped = QString::fromLocal8Bit(qgetenv("KESTREL_SOURCE_DIR")) + u"/data/help/index.html"_s;
        QVERIFY(QFileInfo(shipped).isFile());
        QCOMPARE(f.Browser.Opened, QStringList{QUrl::fromLocalFile(shipped).toString(QUrl::FullyEncoded)});
        QCOMPARE(QUrl(f.Browser.Opened.first()).toLocalFile(), shipped);
    }

    void helpWithoutTheManualDoesNothing()
    {
        TMainWindowFixture f;
        TMainServices services = f.Services();
        services.HelpFile = f.Home.Path() + u"/没有/index.html"_s;
        TwinMain w(services);
        w.FormCreate({});
        w.actHelp->trigger();
        QVERIFY(f.Browser.Opened.isEmpty());
        QVERIFY(f.Boxes.Questions().isEmpty());
    }

    // Choosing a theme changes the application's style and the dock's lines;
    // the next start comes up in it and the menu ticks it.
    void themeRoundTrip()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        QCOMPARE(w->ctlSkins->Current(), u"Default"_s);
        QVERIFY(w->boxDock->BoundLines());
        QVERIFY(!qobject_cast<TOfficeXPStyle*>(QApplication::style()));
        QStringList names;
        for (const QAction* item : w->subSkins->actions())
            names += item->text();
        QCOMPARE(names, (QStringList{u"Default"_s, u"OfficeXP"_s}));

        // Clicked in the open menu: the style changes under the menu's own handler.
        w->subSkins->popup(w->mapToGlobal(QPoint(20, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(w->subSkins));
        QAction* officeXP = w->subSkins->actions().at(1);
        QTest::mouseClick(w->subSkins, Qt::LeftButton, {}, w->subSkins->actionGeometry(officeXP).center());
        QTRY_VERIFY(!w->subSkins->isVisible());
        QCOMPARE(w->ctlSkins->Current(), u"OfficeXP"_s);
        QVERIFY(qobject_cast<TOfficeXPStyle*>(QApplication::style()));
        QVERIFY(!w->boxDock->BoundLines());
        f.Destroy();
        QCOMPARE(f.StoredPreference(u"Theme"_s).toString(), u"OfficeXP"_s);

        w = f.Create();
        QCOMPARE(w->ctlSkins->Current(), u"OfficeXP"_s);
        QVERIFY(qobject_cast<TOfficeXPStyle*>(QApplication::style()));
        QVERIFY(!w->boxDock->BoundLines());
        Q_EMIT w->subSkins->aboutToShow();
        QVERIFY(!w->subSkins->actions().at(0)->isChecked());
        QVERIFY(w->subSkins->actions().at(1)->isChecked());

        w->subSkins->actions().at(0)->trigger();
        QVERIFY(w->boxDock->BoundLines());
        QVERIFY(!qobject_cast<TOfficeXPStyle*>(QApplication::style()));
        f.Destroy();
        QCOMPARE(f.StoredPreference(u"Theme"_s).toString(), u"Default"_s);
    }

    void storedTheme_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("current");
        QTest::newRow("registered") << u"OfficeXP"_s << u"OfficeXP"_s;
        QTest::newRow("other letter case") << u"officexp"_s << u"OfficeXP"_s;
        QTest::newRow("not registered") << u"Luna"_s << u"Default"_s;
        QTest::newRow("empty") << QString() << u"Default"_s;
    }

    // A stored name is taken in its registered spelling; one that is no
    // theme leaves the default.
    void storedTheme()
    {
        QFETCH(QString, stored);
        QFETCH(QString, current);
        TMainWindowFixture f;
        f.Preference(u"Theme"_s, stored);
        TwinMain* w = f.Create();
        QCOMPARE(w->ctlSkins->Current(), current);
        QCOMPARE(w->boxDock->BoundLines(), current == u"Default"_s);
        Q_EMIT w->subSkins->aboutToShow();
        for (QAction* item : w->subSkins->actions())
            QCOMPARE(item->isChecked(), item->text() == current);
    }

    // The dock spans the menu bar and the tool bar; its lines go with the bar.
    void dockFollowsTheToolBar()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        const QRect bars = w->menuBar()->geometry().united(w->barTool->geometry());
        QVERIFY(w->barTool->geometry().top() >= w->menuBar()->geometry().bottom());
        QTRY_COMPARE(w->boxDock->geometry(), QRect(0, bars.top(), w->width(), bars.height()));
        QVERIFY(w->boxDock->isVisible());
        w->actBarTool->trigger();
        QTRY_COMPARE(w->boxDock->geometry().height(), w->menuBar()->height());
    }

    // The about box as the main window opens it: modal, with the texts of the
    // version record, the window's caption of the moment, OK focused, and a
    // help button that leaves it open.
    void aboutBox()
    {
        TMainWindowFixture f;
        const QString station = f.WriteStation(u"a.radio"_s, u"甲台"_s, {});
        TwinMain* w = f.Create({station});
        w->setWindowTitle(u"甲台 - 测试中的标题"_s);
        bool checked = false;
        WhileModal([&](QDialog* dialog) {
            auto* about = qobject_cast<TwinAbout*>(dialog);
            QVERIFY(about);
            QVERIFY(w->InModal());
            QCOMPARE(about->objectName(), u"winAbout"_s);
            QCOMPARE(about->windowTitle(), u"甲台 - 测试中的标题"_s);
            QCOMPARE(about->lblProduct->text(), u"Kestrel收音机(Lyrebird Express) 2.0.0.800."_s);
            QCOMPARE(about->lblCopyright->text(), u"Copyright (C) 2026 Kestrel Radio Works"_s);
            const QStringList memo = about->boxMemo->toPlainText().split(u'\n');
            QCOMPARE(memo.size(), 3);
            QCOMPARE(memo.first(), u"享受网络电台收听乐趣的最佳工具"_s);
            QVERIFY(about->boxMemo->isReadOnly());
            QCOMPARE(about->focusWidget(), static_cast<QWidget*>(about->btnOK));
            QCOMPARE(about->Image1->pixmap().size(), QSize(350, 68));
            QCOMPARE(about->btnHelp->text(), u"帮助(&H)"_s);
            about->btnHelp->click();
            QCOMPARE(f.Browser.Opened.size(), 1);
            QVERIFY(f.Browser.Opened.first().startsWith(u"file://"_s));
            QVERIFY(about->isVisible());
            checked = true;
        });
        w->actAbout->trigger();
        QVERIFY(checked);
        QVERIFY(!w->InModal());
        // Its placement is kept under its own name.
        QSettings settings(f.Home.ConfigFile(), TExeRegistry::Format());
        QVERIFY(settings.contains(u"winAbout/W"_s));
    }

    void aboutProductLine_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("internal");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("line");
        QTest::newRow("all") << u"甲"_s << u"Inner"_s << u"1.2.3.4."_s << u"甲(Inner) 1.2.3.4."_s;
        QTest::newRow("no internal name") << u"甲"_s << QString() << u"1.2.3.4."_s << u"甲() 1.2.3.4."_s;
        QTest::newRow("nothing") << QString() << QString() << QString() << u"() "_s;
    }

    void aboutProductLine()
    {
        QFETCH(QString, product);
        QFETCH(QString, internal);
        QFETCH(QString, version);
        QFETCH(QString, line);
        TExeInfo info;
        info.ProductName = product;
        info.InternalName = internal;
        info.VersionText = version;
        QCOMPARE(AboutProductLine(info), line);
    }
};

QTEST_MAIN(TestMainMenus)
#include "test_main_menus.moc"
