// Playlists in the main window: a playlist file opens as a new, unsaved
// station, and a link whose address is a playlist plays what the resolver
// finds, unless the listener moved on while it looked.

#include "FakeResolver.h"
#include "MainWindowFixture.h"

#include "TestSupport.h"
#include "libConst.h"
#include "libRadio.h"

#include <QAction>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Pls = "[playlist]\r\nFile1=http://a.example.cn/one\r\nTitle1=主线路\r\n"
                       "File2=rtsp://b.example.cn/two.rm\r\nNumberOfEntries=2\r\n";

// The addresses the fake engines were told to open, in order.
QStringList Opened(TMainWindowFixture& f)
{
    QStringList opened;
    for (const QString& call : f.Engines.Calls())
        if (call.startsWith(u"wm.SetURL(") || call.startsWith(u"rm.SetSource("))
            opened += call;
    return opened;
}

} // namespace

class TestMainPlaylist : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensAsNewUnsavedStation_data();
    void opensAsNewUnsavedStation();
    void refusedPlaylistLeavesTheDocument();
    void playsWhatTheResolverFinds();
    void movingOnDropsThePendingResolve_data();
    void movingOnDropsThePendingResolve();
};

void TestMainPlaylist::opensAsNewUnsavedStation_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("name");
    QTest::newRow("command line") << u"start"_s << u"listen.pls"_s;
    QTest::newRow("open dialog") << u"dialog"_s << u"列表/listen.PLS"_s;
    QTest::newRow("hand-over") << u"handover"_s << u"listen.pls"_s;
    // No extension: the content says it is a playlist.
    QTest::newRow("told by content") << u"start"_s << u"listen"_s;
}

void TestMainPlaylist::opensAsNewUnsavedStation()
{
    QFETCH(QString, how);
    QFETCH(QString, name);
    TMainWindowFixture f;
    const QString file = f.WriteFile(name, Pls);
    TwinMain* w = f.Create(how == u"start" ? QStringList{file} : QStringList{});
    if (how == u"dialog") {
        f.FileDialogs.Answer(file);
        w->actOpen->trigger();
    } else if (how == u"handover") {
        w->OpenForwardedFiles({QString(), file});
    }

    const QString station = QFileInfo(name).completeBaseName();
    QVERIFY(w->Radio());
    QCOMPARE(w->Radio()->Text(), station);
    QCOMPARE(w->Radio()->Links().Count(), 2);
    QCOMPARE(w->Radio()->Links()[0]->Text(), u"主线路"_s);
    QCOMPARE(w->Radio()->Links()[1]->Kind(), skRealMedia);
    QVERIFY(w->Modified());
    QCOMPARE(w->FileName(), QString());
    QCOMPARE(w->windowTitle(), station + u"* - Kestrel收音机"_s);
    QCOMPARE(w->RecentFiles().value(0), QFileInfo(file).absoluteFilePath());

    // Save asks where the new station goes; the playlist stays as it was.
    const int dialogs = int(f.FileDialogs.Calls().size());
    f.FileDialogs.Answer(f.Home.Path() + u"/saved"_s);
    w->actSave->trigger();
    QCOMPARE(f.FileDialogs.Calls().size(), dialogs + 1);
    const TFileDialogRequest request = f.FileDialogs.Calls().constLast().Request;
    QVERIFY(f.FileDialogs.Calls().constLast().Save);
    QCOMPARE(request.ProposedName, station + u".radio"_s);
    QCOMPARE(w->FileName(), f.Home.Path() + u"/saved.radio"_s);
    QVERIFY(!w->Modified());
    QCOMPARE(ReadFileBytes(file), Pls);
    QVERIFY(f.Boxes.Questions().isEmpty());
}

void TestMainPlaylist::refusedPlaylistLeavesTheDocument()
{
    TMainWindowFixture f;
    const QString station = f.WriteStation(u"a.radio"_s, u"甲台"_s, {{u"一"_s, u"http://a.example.cn/a"_s}});
    const QString hls = f.WriteFile(u"live.m3u8"_s, "#EXTM3U\n#EXT-X-TARGETDURATION:10\nseg.aac\n");
    TwinMain* w = f.Create({station});
    f.FileDialogs.Answer(hls);
    f.Boxes.Answer(mrOk);
    w->actOpen->trigger();
    QCOMPARE(f.Boxes.Texts(), QStringList{Const::SPlaylistIsHls});
    QCOMPARE(f.Boxes.Questions().at(0).Icon, TMsgIcon::Error);
    QCOMPARE(w->Radio()->Text(), u"甲台"_s);
    QCOMPARE(w->FileName(), station);
    QVERIFY(!w->Modified());
}

void TestMainPlaylist::playsWhatTheResolverFinds()
{
    // Before the fixture: the window it owns cancels the resolver when it closes.
    TFakeStreamResolver resolver;
    TMainWindowFixture f;
    f.Resolver = &resolver;
    const QString station = f.WriteStation(u"a.radio"_s, u"甲台"_s, {{u"列表"_s, u"http://a.example.cn/listen.pls"_s}});
    resolver.Answers.insert(u"http://a.example.cn/listen.pls"_s,
                            {{u"rtsp://b.example.cn/one.rm"_s, u"rtsp://b.example.cn/two.rm"_s}, skRealMedia});
    TwinMain* w = f.Create({station});
    w->actPlay->trigger();
    QCOMPARE(resolver.Asked, QStringList{u"http://a.example.cn/listen.pls"_s});
    QCOMPARE(Opened(f), QStringList{u"rm.SetSource(rtsp://b.example.cn/one.rm)"_s});
    QCOMPARE(w->ctlPlayer->State(), psConnecting);
}

void TestMainPlaylist::movingOnDropsThePendingResolve_data()
{
    QTest::addColumn<QString>("move");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("stop") << u"stop"_s << QStringList{};
    QTest::newRow("close the station") << u"close"_s << QStringList{};
    QTest::newRow("another station handed over") << u"handover"_s << QStringList{};
    QTest::newRow("another link played") << u"link"_s << QStringList{u"wm.SetURL(http://a.example.cn/b)"_s};
}

void TestMainPlaylist::movingOnDropsThePendingResolve()
{
    QFETCH(QString, move);
    QFETCH(QStringList, opened);
    // Before the fixture: the window it owns cancels the resolver when it closes.
    TFakeStreamResolver resolver;
    TMainWindowFixture f;
    f.Resolver = &resolver;
    const QString station = f.WriteStation(
        u"a.radio"_s, u"甲台"_s, {{u"列表"_s, u"http://a.example.cn/a.pls"_s}, {u"二"_s, u"http://a.example.cn/b"_s}});
    const QString other = f.WriteStation(u"b.radio"_s, u"乙台"_s, {{u"一"_s, u"http://b.example.cn/x"_s}});
    resolver.Answers.insert(u"http://a.example.cn/a.pls"_s, {{u"http://a.example.cn/from-list"_s}, skWindowsMedia});
    TwinMain* w = f.Create({station});
    resolver.Hold = true;
    w->actPlay->trigger();
    QVERIFY(resolver.Pending());
    QVERIFY(Opened(f).isEmpty());

    if (move == u"stop") {
        w->actStop->trigger();
    } else if (move == u"close") {
        w->actClose->trigger();
    } else if (move == u"handover") {
        w->OpenForwardedFiles({other});
    } else {
        resolver.Hold = false;
        w->Radio()->SetLink(1);
        w->actPlay->trigger();
    }
    // Whatever a late answer would say, nothing more starts.
    resolver.Release();
    QCOMPARE(Opened(f), opened);
}

QTEST_MAIN(TestMainPlaylist)
#include "test_main_playlist.moc"
