// The tools menu: the update check at start and on demand against a server
// the test runs, the download command, and the installation commands over
// the desktop-installation service.

#include "MainWindowFixture.h"

#include "TestHttpServer.h"
#include "libConst.h"
#include "libWeb.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

using namespace Qt::StringLiterals;

namespace {

const QByteArray DescriptionPath = "/download/Lyrebird.ini";

QByteArray Description(const QByteArray& lines) { return TTestHttpServer::Ok(lines); }

// Points the program's web addresses at the server for one test.
struct TWebServer
{
    TTestHttpServer Server;
    bool Listening = Server.Listen();
    TWebServer() { qputenv("KESTREL_WEB_SERVER", Server.Base().toUtf8()); }
    ~TWebServer() { qunsetenv("KESTREL_WEB_SERVER"); }
    int Fetches() const { return int(Server.Requested().count(DescriptionPath)); }
};

QStringList Captions(const QMenu* menu)
{
    QStringList captions;
    for (const QAction* item : menu->actions())
        captions += item->isSeparator() ? u"-"_s : item->text();
    return captions;
}

} // namespace

class TestMainTools : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { qunsetenv("KESTREL_WEB_SERVER"); }

    void toolsMenu()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        QStringList menus;
        for (const QAction* menu : w->menuBar()->actions())
            menus += menu->text();
        const qsizetype view = menus.indexOf(u"查看(&V)"_s);
        QVERIFY(view >= 0);
        QCOMPARE(menus.value(view + 1), u"工具(&T)"_s);
        QCOMPARE(f.Find<QMenu>(u"subTool"_s), w->subTool);
        QCOMPARE(Captions(w->subTool),
                 (QStringList{u"检查更新版本(&C)"_s, u"下载安装程序(&D)"_s, u"-"_s, u"修复文件关联(&S)"_s,
                              u"安装本软件到(&T)"_s, u"-"_s, u"选项(&O)..."_s}));
        QCOMPARE(w->subTool->actions().first(), w->actCheckUpdate);
        QCOMPARE(w->subTool->actions().last(), w->actSetup);
        QCOMPARE(w->actAssociate->text(), u"修复电台文件关联(&S)"_s);
        QCOMPARE(Captions(w->subInstall),
                 (QStringList{u"开始菜单程序组"_s, u"快速启动栏快捷方式"_s, u"桌面快捷方式"_s}));
    }

    // Item n of the submenu installs kind n; the menu's association item is
    // the command.
    void installationThroughTheService()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        for (QAction* item : w->subInstall->actions())
            item->trigger();
        w->btnAssociate->trigger();
        f.Command(u"actAssociate"_s)->trigger();
        QCOMPARE(f.DesktopInstall.Calls,
                 (QStringList{u"shortcut 0"_s, u"shortcut 1"_s, u"shortcut 2"_s, u"file type"_s, u"file type"_s}));
    }

    void installationErrorsReachTheErrorBox()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        f.DesktopInstall.FailingKind = 2;
        f.DesktopInstall.FailingFileType = true;
        f.Boxes.Answer(mrOk);
        f.Boxes.Answer(mrOk);
        w->subInstall->actions().at(2)->trigger();
        w->actAssociate->trigger();
        QCOMPARE(f.Boxes.Texts(), (QStringList{UnexpectedErrorText(u"无法创建快捷方式"_s),
                                               UnexpectedErrorText(u"无法登记电台文件类型"_s)}));
        QCOMPARE(f.Boxes.Questions().last().Icon, TMsgIcon::Error);
        QVERIFY(!w->InModal());
    }

    void withoutTheServiceInstallationIsOff()
    {
        TMainWindowFixture f;
        TMainServices services = f.Services();
        services.DesktopInstall = nullptr;
        TwinMain w(services);
        w.FormCreate({});
        QVERIFY(!w.actAssociate->isEnabled());
        QVERIFY(!w.btnAssociate->isEnabled());
        QVERIFY(!w.subInstall->menuAction()->isEnabled());
    }

    void downloadOpensThePackage()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        qputenv("KESTREL_WEB_SERVER", "http://127.0.0.1:8123/");
        w->actDownload->trigger();
        QCOMPARE(f.Browser.Opened, QStringList{u"http://127.0.0.1:8123/download/Lyrebird.zip"_s});
    }

    void checkAtStart_data()
    {
        QTest::addColumn<QByteArray>("answer"); // empty: a 404
        QTest::addColumn<bool>("network");
        QTest::addColumn<int>("yes");        // -1: no question
        QTest::addColumn<QString>("opened"); // "package" = the default package address
        QTest::newRow("newer with url, Yes") << Description("[version]\nexe=2.009\nurl=http://mirror.cn/k.zip\n")
                                             << true << int(mrYes) << u"http://mirror.cn/k.zip"_s;
        QTest::newRow("newer without url, Yes")
            << Description("[version]\nexe=2.009\n") << true << int(mrYes) << u"package"_s;
        QTest::newRow("newer, No") << Description("[version]\nexe=2.009\n") << true << int(mrNo) << QString();
        QTest::newRow("equal: silent") << Description("[version]\nexe=2.008\n") << true << -1 << QString();
        QTest::newRow("comma: silent") << Description("[version]\nexe=2,009\n") << true << -1 << QString();
        QTest::newRow("missing file: silent") << QByteArray() << true << -1 << QString();
        QTest::newRow("no network: silent") << Description("[version]\nexe=9\n") << false << -1 << QString();
    }

    // The last step of the start: a silent check that asks only about a newer
    // version, and Yes opens its address.
    void checkAtStart()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, network);
        QFETCH(int, yes);
        QFETCH(QString, opened);
        TWebServer web;
        QVERIFY(web.Listening);
        if (!answer.isEmpty())
            web.Server.Answer(DescriptionPath, answer);
        TMainWindowFixture f;
        f.Network.Up = network;
        if (yes >= 0)
            f.Boxes.Answer(yes);
        TwinMain* w = f.Create();
        QVERIFY(!w->actCheckUpdate->isEnabled());
        QTRY_VERIFY(w->actCheckUpdate->isEnabled());
        QCOMPARE(f.Boxes.PendingAnswers(), 0);
        if (yes >= 0)
            QCOMPARE(f.Boxes.Questions().first().Kind, TFakeMessageBoxes::YesNo);
        QCOMPARE(f.Boxes.Texts(), yes >= 0 ? QStringList{Const::SUpdateAvailable} : QStringList());
        const QString address = opened == u"package" ? web.Server.Address(u"/download/Lyrebird.zip"_s) : opened;
        QCOMPARE(f.Browser.Opened, address.isEmpty() ? QStringList() : QStringList{address});
        QCOMPARE(web.Fetches(), network ? 1 : 0);
    }

    void checkOnDemand_data()
    {
        QTest::addColumn<QByteArray>("answer"); // empty: a 404, "stall": no answer
        QTest::addColumn<bool>("network");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        const int message = TFakeMessageBoxes::Message;
        QTest::newRow("newer") << Description("[version]\nexe=3\n") << true << Const::SUpdateAvailable
                               << int(TFakeMessageBoxes::YesNo);
        QTest::newRow("equal") << Description("[version]\nexe=2.008\n") << true << Const::SUpToDate << message;
        QTest::newRow("comma counts as 0")
            << Description("[version]\nexe=2,009\n") << true << Const::SUpToDate << message;
        QTest::newRow("missing file") << QByteArray() << true << Const::SNoNetwork << message;
        QTest::newRow("stalled past the time-out") << "stall"_ba << true << Const::SNoNetwork << message;
        QTest::newRow("no network") << Description("[version]\nexe=3\n") << false << Const::SNoNetwork << message;
    }

    // The command says what came of it in every case, and is off while it runs:
    // a second start in the meantime does nothing.
    void checkOnDemand()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, network);
        QFETCH(QString, text);
        QFETCH(int, kind);
        TWebServer web;
        QVERIFY(web.Listening);
        if (answer == "stall")
            web.Server.Answer(DescriptionPath, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n[version]\n", false);
        else if (!answer.isEmpty())
            web.Server.Answer(DescriptionPath, answer);
        TMainWindowFixture f;
        f.UpdateLimits.TimeoutMs = 500;
        TwinMain* w = f.Create();
        QTRY_VERIFY(w->actCheckUpdate->isEnabled()); // the start's check, without a network
        f.Network.Up = network;

        bool offWhileAsked = false;
        f.Boxes.Answer(mrNo, [&] { offWhileAsked = !w->actCheckUpdate->isEnabled() && w->InModal(); });
        w->actCheckUpdate->trigger();
        QVERIFY(!w->actCheckUpdate->isEnabled());
        w->actCheckUpdate->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w->actCheckUpdate->isEnabled(), 5000);
        QVERIFY(offWhileAsked);
        QCOMPARE(f.Boxes.Texts(), QStringList{text});
        QCOMPARE(int(f.Boxes.Questions().first().Kind), kind);
        QCOMPARE(f.Boxes.Questions().first().Icon,
                 kind == TFakeMessageBoxes::Message ? TMsgIcon::Error : TMsgIcon::Question);
        QCOMPARE(web.Fetches(), network ? 1 : 0);
        QVERIFY(f.Browser.Opened.isEmpty());
    }

    // The answer may arrive while another question of the window is open:
    // it is asked on top, and the first question's handler goes on with
    // the state as it is then.
    void answerArrivesDuringAnotherQuestion()
    {
        TWebServer web;
        QVERIFY(web.Listening);
        web.Server.Answer(DescriptionPath, Description("[version]\nexe=3\n"));
        TMainWindowFixture f;
        const QString station = f.WriteStation(u"a.radio"_s, u"甲台"_s, {{u"一"_s, u"http://127.0.0.1:9/a"_s}});
        TwinMain* w = f.Create({station});
        QTRY_VERIFY(w->actCheckUpdate->isEnabled());
        f.Network.Up = true;
        f.Editors.AnswerRadio([](TRadio* radio) {
            radio->SetText(u"乙台"_s);
            return int(mrOk);
        });
        w->actEdit->trigger();
        QVERIFY(w->Modified());

        f.Boxes.Answer(mrCancel, [&] {
            w->actCheckUpdate->trigger();
            QVERIFY(QTest::qWaitFor([&] { return f.Boxes.Questions().size() == 2; }, 5000));
        });
        f.Boxes.Answer(mrYes);
        w->actClose->trigger();
        QCOMPARE(f.Boxes.Questions().at(1).Text, Const::SUpdateAvailable);
        QCOMPARE(f.Browser.Opened, QStringList{web.Server.Address(u"/download/Lyrebird.zip"_s)});
        QVERIFY(w->actCheckUpdate->isEnabled());
        // The cancelled question kept the station.
        QVERIFY(w->Radio() && w->Modified());
        QVERIFY(!w->InModal());
    }

    // A check still running when the window closes asks nothing.
    void closingDuringACheck()
    {
        TWebServer web;
        QVERIFY(web.Listening);
        web.Server.Answer(DescriptionPath, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n", false);
        TMainWindowFixture f;
        f.Network.Up = true;
        f.Create();
        QTRY_COMPARE(web.Fetches(), 1);
        f.Destroy();
        QTest::qWait(100);
        QVERIFY(f.Boxes.Questions().isEmpty());
    }
};

QTEST_MAIN(TestMainTools)
#include "test_main_tools.moc"
