// The real window over the real engines, playing a local Icecast stream,
// wired to the session bus as the program wires it: playerctl reads and
// drives it, and a notification server of the test's own receives one
// notification per real change of the stream's title, replaced in place.

#include "FakeDialogs.h"
#include "FakeMessageBoxes.h"
#include "StreamServers.h"
#include "TestHome.h"
#include "TestSessionBus.h"
#include "ctlRadioPlayer.h"
#include "libEngines.h"
#include "libMixerPulse.h"
#include "libMprisService.h"
#include "libRadio.h"
#include "libTitleNotifier.h"
#include "vclMain.h"
#include "vclMainMedia.h"

#include <QAction>
#include <QSlider>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString Ctl(const QStringList& args) { return Playerctl(u"kestrel_radio"_s, args); }

QStringList Summaries(const TFakeNotificationServer& server)
{
    QStringList summaries;
    for (const auto& notification : server.Received())
        summaries << notification.Summary;
    return summaries;
}

} // namespace

class TestMainMediaLive : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void playerctlDrivesThePlayingWindow();
};

void TestMainMediaLive::playerctlDrivesThePlayingWindow()
{
    PrepareEngineLocale(); // as main() does once the application object exists
    TStreamServers servers;
    servers.Start(); // throws, and so fails, when a server cannot start
    TFakeNotificationServer notifications;
    TTestHome home;
    TFakeMessageBoxes boxes;
    TFakeBrowser browser;
    TFakeFileDialogs fileDialogs;
    TFakeEditors editors;
    const std::unique_ptr<IEngineFactory> engines = CreateSystemEngineFactory();
    TPulseMixerDriver mixer;

    TRadio radio;
    radio.SetText(u"本地测试台"_s);
    for (TStreamKind kind : {skWindowsMedia, skRealMedia}) {
        TRadioLink* link = radio.Links().Add();
        link->SetText(kind == skRealMedia ? u"GStreamer"_s : u"libmpv"_s);
        link->SetHref(servers.IcecastUrl());
        link->SetKind(kind);
    }
    const QString file = home.Path() + u"/本地.radio"_s;
    radio.SaveToFile(file);

    TMainServices services;
    services.Engines = engines.get();
    services.Mixer = &mixer;
    services.FileDialogs = &fileDialogs;
    services.Editors = &editors;
    services.MessageBoxes = &boxes;
    services.Browser = &browser;
    TwinMain window(services);
    window.FormCreate({file});
    // The programme title is published, and the window is behind another.
    TWindowOptions options = window.Options();
    options.MSNTitleMode = 1;
    window.ApplyOptions(options);
    QWidget other;
    other.show();
    other.activateWindow();
    QTRY_VERIFY(!window.isActiveWindow());

    TMainMedia media(window);
    TMprisService mpris(media, window.ProductName());
    TTitleNotifier notifier(window.ProductName());
    ConnectMedia(media, mpris, notifier);
    QVERIFY(mpris.Publish());

    QCOMPARE(Ctl({u"status"_s}), u"Stopped"_s);
    QCOMPARE(Ctl({u"metadata"_s, u"album"_s}), u"本地测试台"_s);
    servers.SetTitle(u"早间新闻"_s.toUtf8());
    QCOMPARE(Ctl({u"play"_s}), QString());
    QTRY_COMPARE_WITH_TIMEOUT(window.ctlPlayer->State(), psPlaying, 15000);
    QCOMPARE(Ctl({u"status"_s}), u"Playing"_s);
    QTRY_COMPARE_WITH_TIMEOUT(Ctl({u"metadata"_s, u"title"_s}), u"早间新闻"_s, 10000);
    QTRY_COMPARE(Summaries(notifications), QStringList{u"早间新闻"_s});
    const QString firstTrack = Ctl({u"metadata"_s, u"mpris:trackid"_s});

    // The same title again is no change.
    servers.SetTitle(u"早间新闻"_s.toUtf8());
    servers.SetTitle(u"天气预报"_s.toUtf8());
    QTRY_COMPARE_WITH_TIMEOUT(Ctl({u"metadata"_s, u"title"_s}), u"天气预报"_s, 10000);
    QVERIFY(Ctl({u"metadata"_s, u"mpris:trackid"_s}) != firstTrack);
    servers.SetTitle(u"新闻联播"_s.toUtf8());
    QTRY_COMPARE_WITH_TIMEOUT(Summaries(notifications), (QStringList{u"早间新闻"_s, u"天气预报"_s, u"新闻联播"_s}),
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
    const QStringList call{u"--session"_s, u"--type=method_call"_s, u"--dest="_s + mpris.ServiceName(),
                           TMprisService::ObjectPath};
    QCOMPARE(RunClient(u"dbus-send"_s, call + QStringList{u"org.mpris.MediaPlayer2.Raise"_s}).Exit, 0);
    QTRY_VERIFY(window.isActiveWindow());
    QCOMPARE(RunClient(u"dbus-send"_s, call + QStringList{u"org.mpris.MediaPlayer2.Quit"_s}).Exit, 0);
    QTRY_VERIFY(!window.isVisible());
    QVERIFY(boxes.Questions().isEmpty());
}

QTEST_MAIN(TestMainMediaLive)
#include "test_main_media_live.moc"
