// The real window over the real engines, playing a local Icecast stream,
// wired to the session bus as the program wires it: playerctl reads and
// drives it, and a notification server of the test's own receives one
// notification per real change of the stream's title, replaced in place.

#include "LiveWindowFixture.h"
#include "TestSessionBus.h"
#include "ctlRadioPlayer.h"
#include "vclMainMedia.h"

#include <QAction>
#include <QSlider>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString Ctl(const QStringList& args) { return Playerctl(u"kestrel_radio"_s, args); }

} // namespace

class TestMainMediaLive : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void playerctlDrivesThePlayingWindow();
};

void TestMainMediaLive::playerctlDrivesThePlayingWindow()
{
    TLiveWindowFixture f;
    TStreamServers& servers = f.Servers;
    TwinMain& window = *f.Window;
    TFakeNotificationServer notifications;
    // The programme title is published, and the window is behind another.
    TWindowOptions options = window.Options();
    options.MSNTitleMode = 1;
    window.ApplyOptions(options);
    QWidget other;
    other.show();
    other.activateWindow();
    QTRY_VERIFY(!window.isActiveWindow());

    TMediaFeatures media(window);
    QVERIFY(media.Mpris.Publish());

    QCOMPARE(Ctl({u"status"_s}), u"Stopped"_s);
    QCOMPARE(Ctl({u"metadata"_s, u"album"_s}), TLiveWindowFixture::Station);
    servers.SetTitle(u"早间新闻"_s.toUtf8());
    QCOMPARE(Ctl({u"play"_s}), QString());
    QTRY_COMPARE_WITH_TIMEOUT(window.ctlPlayer->State(), psPlaying, 15000);
    QCOMPARE(Ctl({u"status"_s}), u"Playing"_s);
    QTRY_COMPARE_WITH_TIMEOUT(Ctl({u"metadata"_s, u"title"_s}), u"早间新闻"_s, 10000);
    QTRY_COMPARE(notifications.Summaries(), QStringList{u"早间新闻"_s});
    const QString firstTrack = Ctl({u"metadata"_s, u"mpris:trackid"_s});

    // The same title again is no change.
    servers.SetTitle(u"早间新闻"_s.toUtf8());
    servers.SetTitle(u"天气预报"_s.toUtf8());
    QTRY_COMPARE_WITH_TIMEOUT(Ctl({u"metadata"_s, u"title"_s}), u"天气预报"_s, 10000);
    QVERIFY(Ctl({u"metadata"_s, u"mpris:trackid"_s}) != firstTrack);
    servers.SetTitle(u"新闻联播"_s.toUtf8());
    QTRY_COMPARE_WITH_TIMEOUT(notifications.Summaries(), (QStringList{u"早间新闻"_s, u"天气预报"_s, u"新闻联播"_s}),
                              10000);
    const uint id = notifications.Received().first().Id;
    for (const auto& notification : notifications.Received().mid(1))
        QCOMPARE(notification.ReplacesId, id);

    // Nothing while the user wants no notifications; the title still changes.
    options.Notify = false;
    window.ApplyOptions(options);
    servers.SetTitle(u"体育新闻"_s.toUtf8());
    QTRY_COMPARE_WITH_TIMEOUT(Ctl({u"metadata"_s, u"title"_s}), u"体育新闻"_s, 10000);
    QTest::qWait(300);
    QCOMPARE(notifications.Received().size(), 3);

    // The volume both ways.
    QCOMPARE(Ctl({u"volume"_s, u"0.25"_s}), QString());
    QTRY_COMPARE(window.barPlayer->value(), 25);
    QCOMPARE(window.ctlPlayer->Volume(), 25);
    window.barPlayer->setValue(60);
    QTRY_COMPARE(Ctl({u"volume"_s}), u"0.600000"_s);

    // Next and previous play the other link, on the other engine.
    QCOMPARE(Ctl({u"next"_s}), QString());
    QTRY_COMPARE(window.Radio()->Link(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(window.ctlPlayer->State(), psPlaying, 15000);
    QCOMPARE(Ctl({u"status"_s}), u"Playing"_s);
    QCOMPARE(Ctl({u"previous"_s}), QString());
    QTRY_COMPARE(window.Radio()->Link(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(window.ctlPlayer->State(), psPlaying, 15000);

    QCOMPARE(Ctl({u"stop"_s}), QString());
    QTRY_COMPARE(window.ctlPlayer->State(), psStopped);
    QTRY_COMPARE(Ctl({u"status"_s}), u"Stopped"_s);
    QCOMPARE(Ctl({u"metadata"_s, u"title"_s}), QString());

    // Raise brings the window to the front; Quit runs the exit command.
    const QStringList call{u"--session"_s, u"--type=method_call"_s, u"--dest="_s + media.Mpris.ServiceName(),
                           TMprisService::ObjectPath};
    QCOMPARE(RunClient(u"dbus-send"_s, call + QStringList{u"org.mpris.MediaPlayer2.Raise"_s}).Exit, 0);
    QTRY_VERIFY(window.isActiveWindow());
    QCOMPARE(RunClient(u"dbus-send"_s, call + QStringList{u"org.mpris.MediaPlayer2.Quit"_s}).Exit, 0);
    QTRY_VERIFY(!window.isVisible());
    QVERIFY(f.Boxes.Questions().isEmpty());
}

QTEST_MAIN(TestMainMediaLive)
#include "test_main_media_live.moc"
