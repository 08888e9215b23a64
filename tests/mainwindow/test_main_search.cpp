// The search command and the window's side of a search result: listening to
// one as a new, unsaved station, opening one kept as a file; and the real
// search window over a loopback stand-in for the directory, driven offscreen.

#include "MainWindowFixture.h"

#include "TestDirectory.h"
#include "libDirectory.h"
#include "libShell.h"
#include "vclSearch.h"

#include <QAction>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

// The station the directory's result n makes.
struct TResult
{
    TRadio Radio;
    explicit TResult(int n)
    {
        const QByteArray json = QJsonDocument(QJsonArray{TTestDirectory::Station(n)}).toJson();
        MakeDirectoryRadio(ReadDirectoryPage(json).Stations.value(0), Radio);
    }
};

} // namespace

class TestMainSearch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void commandOpensTheSearchWindow();
    void listeningMakesAnUnsavedStation();
    void listeningAsksAboutChanges();
    void refusedDuringAModalStep();
    void keptResultOpens();
    void searchPlayAndSaveInTheWindow();
};

void TestMainSearch::commandOpensTheSearchWindow()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    QAction* search = f.Command(u"actSearchLib"_s);
    QVERIFY(search);
    QCOMPARE(search->text(), u"搜索在线电台(&D)..."_s);
    QCOMPARE(search->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    QVERIFY(!search->icon().isNull());
    QVERIFY(search->isEnabled());
    search->trigger();
    QCOMPARE(f.Search.Shows, 1);
    QCOMPARE(f.Search.Parent, w);
    QCOMPARE(f.Search.Host, static_cast<ISearchHost*>(w));
    f.Destroy();

    // Without the service the command is there but off.
    TMainServices services = f.Services();
    services.Search = nullptr;
    TwinMain bare(services);
    bare.FormCreate({});
    QVERIFY(!bare.actSearchLib->isEnabled());
}

void TestMainSearch::listeningMakesAnUnsavedStation()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create({f.WriteStation(u"a.radio"_s, u"甲台"_s, {{u"甲"_s, u"mms://a/"_s}})});
    QVERIFY(!w->Modified());
    QVERIFY(w->ListenToStation(TResult(4).Radio));
    QCOMPARE(w->Radio()->Text(), u"测试电台 4"_s);
    QCOMPARE(w->Radio()->Href(), u"http://example.cn/4"_s);
    QVERIFY(w->FileName().isEmpty());
    QVERIFY(w->Modified());
    QVERIFY(w->windowTitle().startsWith(u"测试电台 4*"_s));
    QVERIFY(f.Engines.WindowsMedia);
    QCOMPARE(f.Engines.WindowsMedia->URL, u"http://127.0.0.1:9/stream4"_s);
    QVERIFY(f.Engines.Calls().endsWith(u"wm.Play()"_s));
    QVERIFY(f.Boxes.Questions().isEmpty());
}

void TestMainSearch::listeningAsksAboutChanges()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    QVERIFY(w->ListenToStation(TResult(1).Radio));
    // The first result is unsaved now: the next one asks, and Cancel keeps it.
    f.Boxes.Answer(mrCancel);
    QVERIFY(!w->ListenToStation(TResult(2).Radio));
    QCOMPARE(w->Radio()->Text(), u"测试电台 1"_s);
    f.Boxes.Answer(mrNo);
    QVERIFY(w->ListenToStation(TResult(2).Radio));
    QCOMPARE(w->Radio()->Text(), u"测试电台 2"_s);
    QCOMPARE(f.Boxes.Questions().size(), 2);
    QCOMPARE(f.Engines.WindowsMedia->URL, u"http://127.0.0.1:9/stream2"_s);
}

void TestMainSearch::refusedDuringAModalStep()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    const QString before = w->Radio()->Text();
    bool listened = true;
    f.Editors.AnswerRadio([&](TRadio*) {
        listened = w->ListenToStation(TResult(1).Radio);
        w->OpenStationFile(f.WriteStation(u"b.radio"_s, u"乙台"_s, {{u"乙"_s, u"mms://b/"_s}}));
        return int(mrCancel);
    });
    w->actEdit->trigger();
    QVERIFY(!listened);
    QCOMPARE(w->Radio()->Text(), before);
    QVERIFY(f.Boxes.Questions().isEmpty());
}

void TestMainSearch::keptResultOpens()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    const QString file = f.WriteStation(u"c.radio"_s, u"丙台"_s, {{u"丙"_s, u"mms://c/"_s}});
    w->OpenStationFile(file);
    QCOMPARE(w->FileName(), file);
    QCOMPARE(w->Radio()->Text(), u"丙台"_s);
    QVERIFY(!w->Modified());
    QCOMPARE(w->RecentFiles().value(0), file);
}

void TestMainSearch::searchPlayAndSaveInTheWindow()
{
    TTestDirectory directory;
    QVERIFY(directory.Listen());
    for (int n = 1; n <= 3; ++n)
        directory.Stations += TTestDirectory::Station(n);
    TFixedDirectoryServers servers({directory.Base()});
    TDirectorySetup setup;
    setup.Servers = &servers;
    TDialogStationSearch search(setup);

    TMainWindowFixture f;
    TMainServices services = f.Services();
    services.Search = &search;
    f.Window = std::make_unique<TwinMain>(services);
    TwinMain* w = f.Window.get();
    w->FormCreate({});
    w->actSearchLib->trigger();
    TwinSearch* window = search.Window();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->parentWidget(), w);
    // A second Ctrl+F brings the same window back.
    w->actSearchLib->trigger();
    QCOMPARE(search.Window(), window);

    window->edtText->setText(u"测试"_s);
    QTest::mouseClick(window->btnSearch, Qt::LeftButton);
    QTRY_COMPARE(window->boxResults->topLevelItemCount(), 3);
    QCOMPARE(window->lblStatus->text(), u"找到3个电台"_s);

    // A double click listens at once, and the directory hears of it.
    QTreeWidgetItem* second = window->boxResults->topLevelItem(1);
    window->boxResults->setCurrentItem(second);
    Q_EMIT window->boxResults->itemDoubleClicked(second, 0);
    QCOMPARE(w->Radio()->Text(), u"测试电台 2"_s);
    QCOMPARE(f.Engines.WindowsMedia->URL, u"http://127.0.0.1:9/stream2"_s);
    QVERIFY(w->Modified());
    QTRY_COMPARE(directory.Clicks(), QStringList{u"00000000-0000-0000-0000-000000000002"_s});

    // Save keeps the result in the station folder and opens it; the unsaved
    // station playing now is given up on the listener's No.
    window->boxResults->setCurrentItem(window->boxResults->topLevelItem(2));
    f.Boxes.Answer(mrNo);
    QTest::mouseClick(window->btnSave, Qt::LeftButton);
    const QString saved = StationFolder() + u"/测试电台 3.radio"_s;
    QVERIFY(saved.startsWith(f.Home.Documents()));
    QCOMPARE(w->FileName(), saved);
    QVERIFY(!w->Modified());
    QCOMPARE(w->Radio()->Text(), u"测试电台 3"_s);
    QCOMPARE(window->lblStatus->text(), u"已保存到 "_s + saved);
}

QTEST_MAIN(TestMainSearch)
#include "test_main_search.moc"
