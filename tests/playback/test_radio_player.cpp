// The player's rules over scripted engines: what each Play, Stop, poll and
// engine event reports, the order of the engine calls, the missing-engine
// signal, and handlers that re-enter or destroy the player.

#include "FakeEngines.h"
#include "ctlRadioPlayer.h"
#include "libConst.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct TReport
{
    TPlayerState State;
    int Progress;
    int BitRate;
    QString InfoText;
};

// A missing engine's kind, and how many notifications came before it.
struct TMissing
{
    TStreamKind Kind;
    qsizetype ReportsBefore;
    bool operator==(const TMissing&) const = default;
};

// One player over a fake factory, with every notification and every missing
// engine recorded.
struct TRig
{
    TFakeEngineFactory Factory;
    TRadioPlayer Player{&Factory};
    QList<TReport> Reports;
    QList<TMissing> Missing;

    TRig()
    {
        QObject::connect(&Player, &TRadioPlayer::OnChange, &Player, [this](TRadioPlayer* sender) {
            Reports.append({sender->State(), sender->Progress(), sender->BitRate(), sender->InfoText()});
        });
        QObject::connect(
            &Player, &TRadioPlayer::EngineMissing, &Player,
            [this](TStreamKind kind) {
                Missing.append({kind, Reports.size()});
            },
            Qt::DirectConnection);
    }
    QList<TPlayerState> States() const
    {
        QList<TPlayerState> states;
        for (const TReport& report : Reports)
            states << report.State;
        return states;
    }
    // Calls logged since the mark.
    QStringList CallsSince(qsizetype mark) { return Factory.Calls().mid(mark); }
};

const QString WmAddress = u"mms://127.0.0.1/a"_s;
const QString RmAddress = u"rtsp://127.0.0.1/b"_s;

QString AddressOf(TStreamKind kind) { return kind == skRealMedia ? RmAddress : WmAddress; }

void SetEngineState(TFakeEngineFactory& factory, TStreamKind kind, int state)
{
    if (kind == skRealMedia)
        factory.RealMedia->State = state;
    else
        factory.WindowsMedia->State = state;
}

} // namespace

class TestRadioPlayer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initialValues();
    void startFailure_data();
    void startFailure();
    void failureAfterEngineActive();
    void firstPlayOrder_data();
    void firstPlayOrder();
    void volumeAndMute();
    void secondLinkSameKind_data();
    void secondLinkSameKind();
    void switchingKinds_data();
    void switchingKinds();
    void pollMapping_data();
    void pollMapping();
    void playingBitRateAndTitle_data();
    void playingBitRateAndTitle();
    void windowsMediaBufferingPoll();
    void windowsMediaErrorEvent_data();
    void windowsMediaErrorEvent();
    void bufferingAndErrorEvents();
    void eventsOnlyFromStartedEngine();
    void stopAndTimer();
    void reentrance_data();
    void reentrance();
};

void TestRadioPlayer::initialValues()
{
    TRig rig;
    QCOMPARE(rig.Player.State(), psStopped);
    QCOMPARE(rig.Player.StateText(), u"已经停止"_s);
    QCOMPARE(rig.Player.Progress(), 100);
    QCOMPARE(rig.Player.BitRate(), 0);
    QCOMPARE(rig.Player.Volume(), 0);
    QVERIFY(!rig.Player.Mute());
    QVERIFY(!rig.Player.IsPolling());
    QVERIFY(rig.Factory.Calls().isEmpty());
    const QStringList texts{u"已经停止"_s, u"正在连接"_s, u"正在缓冲"_s, u"正在播放"_s, u"发生错误"_s};
    for (int state = psStopped; state <= psError; ++state)
        QCOMPARE(PlayerStateText(TPlayerState(state)), texts[state]);
}

// Every failure before the engine became active ends in psStopped (notified),
// then EngineMissing naming the kind. (What the window asks then is the main
// window's test.)
void TestRadioPlayer::startFailure_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("throwOn");
    QTest::addColumn<bool>("throwStd");

    QTest::newRow("Real Media not installed") << int(skRealMedia) << false << QString() << false;
    QTest::newRow("Windows Media not installed") << int(skWindowsMedia) << false << QString() << false;
    QTest::newRow("creation fails") << int(skWindowsMedia) << true << u"wm.Create"_s << false;
    QTest::newRow("creation fails, std exception") << int(skRealMedia) << true << u"rm.Create"_s << true;
    QTest::newRow("setting the address fails") << int(skWindowsMedia) << true << u"wm.SetURL"_s << false;
    QTest::newRow("play fails, std exception") << int(skRealMedia) << true << u"rm.DoPlay"_s << true;
}

void TestRadioPlayer::startFailure()
{
    QFETCH(int, kind);
    QFETCH(bool, installed);
    QFETCH(QString, throwOn);
    QFETCH(bool, throwStd);
    const auto streamKind = TStreamKind(kind);
    const QString prefix = streamKind == skRealMedia ? u"rm."_s : u"wm."_s;

    TRig rig;
    rig.Factory.WindowsMediaInstalled = rig.Factory.RealPlayerInstalled = installed;
    if (!throwOn.isEmpty())
        rig.Factory.Script().ThrowOn << throwOn;
    rig.Factory.Script().ThrowStd = throwStd;

    rig.Player.Play(AddressOf(streamKind), streamKind);

    QCOMPARE(rig.States(), (QList<TPlayerState>{psConnecting, psStopped}));
    QCOMPARE(rig.Player.State(), psStopped);
    QVERIFY(!rig.Player.IsPolling());
    QCOMPARE(rig.Missing, (QList<TMissing>{{streamKind, 2}}));

    if (!installed) {
        // No engine was made, and the next Play asks the factory again.
        QCOMPARE(rig.Factory.WindowsMediaCreated + rig.Factory.RealMediaCreated, 0);
        rig.Player.Play(AddressOf(streamKind), streamKind);
        QCOMPARE(rig.Factory.Calls(), (QStringList{prefix + u"IsInstalled()"_s, prefix + u"IsInstalled()"_s}));
        QCOMPARE(rig.Missing.size(), 2);
        // Installed meanwhile: the next Play starts it without a signal.
        rig.Factory.WindowsMediaInstalled = rig.Factory.RealPlayerInstalled = true;
        rig.Player.Play(AddressOf(streamKind), streamKind);
        QCOMPARE(rig.Factory.WindowsMediaCreated + rig.Factory.RealMediaCreated, 1);
        QCOMPARE(rig.Player.State(), psConnecting);
        QCOMPARE(rig.Missing.size(), 2);
    }
}

// A failure once the engine runs (here stopping the other engine) is silent:
// psStopped without a notification, the poll carries on with the real state.
void TestRadioPlayer::failureAfterEngineActive()
{
    TRig rig;
    rig.Player.Play(WmAddress, skWindowsMedia);
    rig.Factory.WindowsMedia->State = IWindowsMediaEngine::wmppsPlaying;
    rig.Factory.Script().ThrowOn << u"wm.Stop"_s;
    rig.Reports.clear();

    rig.Player.Play(RmAddress, skRealMedia);

    QCOMPARE(rig.States(), QList<TPlayerState>{psConnecting});
    QCOMPARE(rig.Player.State(), psStopped);
    QVERIFY(rig.Missing.isEmpty());
    QVERIFY(rig.Player.IsPolling());
    rig.Factory.RealMedia->State = IRealMediaEngine::rpBuffering;
    rig.Player.Poll();
    QCOMPARE(rig.Player.State(), psBuffering);
    QCOMPARE(rig.Reports.size(), 2);
}

// Volume and mute set before any engine exists reach it at its first Play, in
// the order mute, volume, address, play.
void TestRadioPlayer::firstPlayOrder_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("Windows Media") << int(skWindowsMedia)
                                   << QStringList{u"wm.IsInstalled()"_s,
                                                  u"wm.Create()"_s,
                                                  u"wm.SetMute(true)"_s,
                                                  u"wm.SetVolume(40)"_s,
                                                  u"wm.SetURL("_s + WmAddress + u')',
                                                  u"wm.Play()"_s};
    QTest::newRow("Real Media") << int(skRealMedia)
                                << QStringList{u"rm.IsInstalled()"_s,
                                               u"rm.Create()"_s,
                                               u"rm.SetMute(true)"_s,
                                               u"rm.SetVolume(40)"_s,
                                               u"rm.SetSource("_s + RmAddress + u')',
                                               u"rm.DoPlay()"_s};
}

void TestRadioPlayer::firstPlayOrder()
{
    QFETCH(int, kind);
    QFETCH(QStringList, calls);
    TRig rig;
    rig.Player.SetVolume(40);
    rig.Player.SetMute(true);
    QVERIFY(rig.Factory.Calls().isEmpty());

    rig.Player.Play(AddressOf(TStreamKind(kind)), TStreamKind(kind));

    QCOMPARE(rig.Factory.Calls(), calls);
    QCOMPARE(rig.States(), QList<TPlayerState>{psConnecting});
    QCOMPARE(rig.Player.StateText(), u"正在连接"_s);
    QVERIFY(rig.Player.IsPolling());
    QVERIFY(rig.Missing.isEmpty());
}

void TestRadioPlayer::volumeAndMute()
{
    TRig rig;
    rig.Player.SetVolume(40);
    rig.Player.Play(WmAddress, skWindowsMedia);
    rig.Player.Play(RmAddress, skRealMedia);
    const qsizetype mark = rig.Factory.Calls().size();

    rig.Player.SetVolume(40);
    rig.Player.SetMute(false);
    QCOMPARE(rig.CallsSince(mark), QStringList());

    rig.Player.SetVolume(75);
    rig.Player.SetMute(true);
    QCOMPARE(rig.CallsSince(mark),
             (QStringList{u"wm.SetVolume(75)"_s, u"rm.SetVolume(75)"_s, u"wm.SetMute(true)"_s, u"rm.SetMute(true)"_s}));
    QCOMPARE(rig.Player.Volume(), 75);
    QVERIFY(rig.Player.Mute());
    // Neither writer notifies.
    QCOMPARE(rig.Reports.size(), 2);
}

// The existing control is reused: the new address replaces the old one without
// a stop or a second presence test.
void TestRadioPlayer::secondLinkSameKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("Windows Media") << int(skWindowsMedia)
                                   << QStringList{u"wm.SetMute(false)"_s, u"wm.SetVolume(0)"_s,
                                                  u"wm.SetURL(mms://127.0.0.1/second)"_s, u"wm.Play()"_s};
    QTest::newRow("Real Media") << int(skRealMedia)
                                << QStringList{u"rm.SetMute(false)"_s, u"rm.SetVolume(0)"_s,
                                               u"rm.SetSource(mms://127.0.0.1/second)"_s, u"rm.DoPlay()"_s};
}

void TestRadioPlayer::secondLinkSameKind()
{
    QFETCH(int, kind);
    QFETCH(QStringList, calls);
    const auto streamKind = TStreamKind(kind);
    TRig rig;
    rig.Player.Play(AddressOf(streamKind), streamKind);
    SetEngineState(rig.Factory, streamKind, 3);
    const qsizetype mark = rig.Factory.Calls().size();

    rig.Player.Play(u"mms://127.0.0.1/second"_s, streamKind);

    QCOMPARE(rig.CallsSince(mark), calls);
    QCOMPARE(rig.Factory.WindowsMediaCreated + rig.Factory.RealMediaCreated, 1);
}

// The new engine is started first, then the old one is stopped, and only when
// it still plays.
void TestRadioPlayer::switchingKinds_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("oldState");
    QTest::addColumn<QStringList>("calls");
    const QStringList toRm{u"rm.IsInstalled()"_s,
                           u"rm.Create()"_s,
                           u"rm.SetMute(false)"_s,
                           u"rm.SetVolume(0)"_s,
                           u"rm.SetSource("_s + RmAddress + u')',
                           u"rm.DoPlay()"_s};
    const QStringList toWm{u"wm.IsInstalled()"_s,
                           u"wm.Create()"_s,
                           u"wm.SetMute(false)"_s,
                           u"wm.SetVolume(0)"_s,
                           u"wm.SetURL("_s + WmAddress + u')',
                           u"wm.Play()"_s};
    QTest::newRow("Windows Media playing -> Real Media")
        << int(skWindowsMedia) << 3 << toRm + QStringList{u"wm.Stop()"_s};
    QTest::newRow("Windows Media connecting -> Real Media")
        << int(skWindowsMedia) << 9 << toRm + QStringList{u"wm.Stop()"_s};
    QTest::newRow("Windows Media stopped -> Real Media") << int(skWindowsMedia) << 1 << toRm;
    QTest::newRow("Real Media playing -> Windows Media")
        << int(skRealMedia) << 3 << toWm + QStringList{u"rm.DoStop()"_s};
    QTest::newRow("Real Media contacting -> Windows Media")
        << int(skRealMedia) << 1 << toWm + QStringList{u"rm.DoStop()"_s};
    QTest::newRow("Real Media stopped -> Windows Media") << int(skRealMedia) << 0 << toWm;
}

void TestRadioPlayer::switchingKinds()
{
    QFETCH(int, from);
    QFETCH(int, oldState);
    QFETCH(QStringList, calls);
    const auto fromKind = TStreamKind(from);
    const auto toKind = fromKind == skRealMedia ? skWindowsMedia : skRealMedia;
    TRig rig;
    rig.Player.Play(AddressOf(fromKind), fromKind);
    SetEngineState(rig.Factory, fromKind, oldState);
    const qsizetype mark = rig.Factory.Calls().size();

    rig.Player.Play(AddressOf(toKind), toKind);

    QCOMPARE(rig.CallsSince(mark), calls);
}

// Each engine's play-state numbers, and which polls notify: only a change of
// the reported state, and nothing on a second identical poll.
void TestRadioPlayer::pollMapping_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("engineState");
    QTest::addColumn<int>("expected");
    QTest::newRow("wm 1 stopped") << int(skWindowsMedia) << 1 << int(psStopped);
    QTest::newRow("wm 6 buffering") << int(skWindowsMedia) << 6 << int(psBuffering);
    QTest::newRow("wm 9 transitioning") << int(skWindowsMedia) << 9 << int(psConnecting);
    QTest::newRow("wm 2 paused") << int(skWindowsMedia) << 2 << int(psConnecting);
    QTest::newRow("wm 0 undefined") << int(skWindowsMedia) << 0 << int(psConnecting);
    QTest::newRow("rm 0 stopped") << int(skRealMedia) << 0 << int(psStopped);
    QTest::newRow("rm 2 buffering") << int(skRealMedia) << 2 << int(psBuffering);
    QTest::newRow("rm 1 contacting") << int(skRealMedia) << 1 << int(psConnecting);
    QTest::newRow("rm 4 paused") << int(skRealMedia) << 4 << int(psConnecting);
    QTest::newRow("rm 6 (no buffering here)") << int(skRealMedia) << 6 << int(psConnecting);
}

void TestRadioPlayer::pollMapping()
{
    QFETCH(int, kind);
    QFETCH(int, engineState);
    QFETCH(int, expected);
    const auto streamKind = TStreamKind(kind);
    TRig rig;
    rig.Player.Play(AddressOf(streamKind), streamKind);
    SetEngineState(rig.Factory, streamKind, engineState);
    if (rig.Factory.WindowsMedia)
        rig.Factory.WindowsMedia->Progress = 100;

    rig.Player.Poll();
    rig.Player.Poll();

    QCOMPARE(int(rig.Player.State()), expected);
    const int notifications = expected == psConnecting ? 1 : 2;
    QCOMPARE(rig.Reports.size(), notifications);
    QCOMPARE(rig.Player.BitRate(), 0);
    QVERIFY(rig.Player.InfoText().isEmpty());
    QVERIFY(rig.Player.IsPolling());
}

// kbit/s are whole thousands with the fraction dropped; the trimmed title is the
// InfoText; only a change of state, rate or title notifies.
void TestRadioPlayer::playingBitRateAndTitle_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("Windows Media") << int(skWindowsMedia);
    QTest::newRow("Real Media") << int(skRealMedia);
}

void TestRadioPlayer::playingBitRateAndTitle()
{
    QFETCH(int, kind);
    const auto streamKind = TStreamKind(kind);
    TRig rig;
    rig.Player.Play(AddressOf(streamKind), streamKind);
    const auto set = [&](int bitsPerSecond, const QString& title) {
        if (streamKind == skRealMedia) {
            rig.Factory.RealMedia->State = IRealMediaEngine::rpPlaying;
            rig.Factory.RealMedia->Bandwidth = bitsPerSecond;
            rig.Factory.RealMedia->Title = title;
        } else {
            rig.Factory.WindowsMedia->State = IWindowsMediaEngine::wmppsPlaying;
            rig.Factory.WindowsMedia->BitRate = bitsPerSecond;
            rig.Factory.WindowsMedia->Title = title;
        }
    };

    set(63999, u"  新闻联播\r\n"_s);
    rig.Player.Poll();
    set(63500, u"新闻联播"_s);
    rig.Player.Poll();
    QCOMPARE(rig.Reports.size(), 2);
    QCOMPARE(rig.Player.State(), psPlaying);
    QCOMPARE(rig.Player.StateText(), u"正在播放"_s);
    QCOMPARE(rig.Player.BitRate(), 63);
    QCOMPARE(rig.Player.InfoText(), u"新闻联播"_s);

    set(64000, u"新闻联播"_s);
    rig.Player.Poll();
    QCOMPARE(rig.Reports.size(), 3);
    QCOMPARE(rig.Reports.last().BitRate, 64);
    set(64000, u"天气预报"_s);
    rig.Player.Poll();
    QCOMPARE(rig.Reports.size(), 4);
    QCOMPARE(rig.Reports.last().InfoText, u"天气预报"_s);

    // Other states keep the last rate and title until the next Play or Stop.
    SetEngineState(rig.Factory, streamKind, streamKind == skRealMedia ? 2 : 6);
    rig.Player.Poll();
    QCOMPARE(rig.Player.State(), psBuffering);
    QCOMPARE(rig.Player.BitRate(), 64);
    QCOMPARE(rig.Player.InfoText(), u"天气预报"_s);
    rig.Player.Play(AddressOf(streamKind), streamKind);
    QCOMPARE(rig.Player.BitRate(), 0);
    QVERIFY(rig.Player.InfoText().isEmpty());
}

void TestRadioPlayer::windowsMediaBufferingPoll()
{
    TRig rig;
    rig.Player.Play(WmAddress, skWindowsMedia);
    rig.Factory.WindowsMedia->State = IWindowsMediaEngine::wmppsBuffering;
    rig.Factory.WindowsMedia->Progress = 30;
    rig.Player.Poll();
    rig.Player.Poll();
    QCOMPARE(rig.Reports.size(), 2);
    QCOMPARE(rig.Player.Progress(), 30);
    rig.Factory.WindowsMedia->Progress = 70;
    rig.Player.Poll();
    QCOMPARE(rig.Reports.size(), 3);
    QCOMPARE(rig.Reports.last().Progress, 70);
    QCOMPARE(rig.Reports.last().State, psBuffering);
}

// The error queue (one entry or more: the event means something was queued)
// becomes the InfoText, every description trimmed and followed by CR LF; the
// queue is cleared. The next poll replaces psError but keeps the
// description until a title arrives.
void TestRadioPlayer::windowsMediaErrorEvent_data()
{
    QTest::addColumn<QStringList>("queue");
    QTest::addColumn<QString>("info");
    QTest::newRow("two errors") << QStringList{u"  无法连接服务器 "_s, u"\t找不到文件\r\n"_s}
                                << u"无法连接服务器\r\n找不到文件\r\n"_s;
    QTest::newRow("one error") << QStringList{u"无法打开媒体 "_s} << u"无法打开媒体\r\n"_s;
}

void TestRadioPlayer::windowsMediaErrorEvent()
{
    QFETCH(QStringList, queue);
    QFETCH(QString, info);
    TRig rig;
    rig.Player.Play(WmAddress, skWindowsMedia);
    TFakeWindowsMedia* engine = rig.Factory.WindowsMedia;
    const qsizetype mark = rig.Factory.Calls().size();

    engine->RaiseError(queue);

    QCOMPARE(rig.States(), (QList<TPlayerState>{psConnecting, psError}));
    QCOMPARE(rig.Player.StateText(), u"发生错误"_s);
    QCOMPARE(rig.Player.InfoText(), info);
    QVERIFY(engine->Errors.isEmpty());
    QCOMPARE(rig.CallsSince(mark), QStringList{u"wm.ClearErrorQueue()"_s});

    // An error while connecting, then a state of neither kind: psConnecting
    // again, the description kept.
    rig.Player.Poll();
    QCOMPARE(rig.States(), (QList<TPlayerState>{psConnecting, psError, psConnecting}));
    QCOMPARE(rig.Player.InfoText(), info);
    engine->State = IWindowsMediaEngine::wmppsPlaying;
    engine->Title = u"节目"_s;
    rig.Player.Poll();
    QCOMPARE(rig.Player.InfoText(), u"节目"_s);
}

void TestRadioPlayer::bufferingAndErrorEvents()
{
    TRig rig;
    rig.Player.Play(WmAddress, skWindowsMedia);
    TFakeWindowsMedia* wm = rig.Factory.WindowsMedia;
    // Windows Media buffering events always notify, changed or not.
    wm->RaiseBuffering(true);
    QCOMPARE(rig.Player.Progress(), 0);
    wm->RaiseBuffering(false);
    wm->RaiseBuffering(false);
    QCOMPARE(rig.Player.Progress(), 100);
    QCOMPARE(rig.Reports.size(), 4);
    QCOMPARE(rig.Player.State(), psConnecting);

    rig.Player.Play(RmAddress, skRealMedia);
    TFakeRealMedia* rm = rig.Factory.RealMedia;
    rig.Reports.clear();
    // Real Media buffering notifies only a changed percentage.
    rm->RaiseBuffering(40);
    rm->RaiseBuffering(40);
    QCOMPARE(rig.Reports.size(), 1);
    QCOMPARE(rig.Player.Progress(), 40);
    rm->RaiseBuffering(100);
    QCOMPARE(rig.Reports.size(), 2);

    rm->RaiseErrorMessage(u"  连接被拒绝\r\n"_s);
    QCOMPARE(rig.Reports.size(), 3);
    QCOMPARE(rig.Player.State(), psError);
    QCOMPARE(rig.Player.InfoText(), u"连接被拒绝"_s);
    rm->RaiseErrorMessage(u"连接被拒绝"_s);
    QCOMPARE(rig.Reports.size(), 4);
}

// Only the engine being started is listened to; after Stop neither is.
void TestRadioPlayer::eventsOnlyFromStartedEngine()
{
    TRig rig;
    rig.Player.Play(WmAddress, skWindowsMedia);
    rig.Player.Play(RmAddress, skRealMedia);
    rig.Reports.clear();
    rig.Factory.WindowsMedia->RaiseError({u"stale"_s});
    rig.Factory.WindowsMedia->RaiseBuffering(true);
    QVERIFY(rig.Reports.isEmpty());

    rig.Player.Stop();
    rig.Reports.clear();
    rig.Factory.RealMedia->RaiseErrorMessage(u"stale"_s);
    rig.Factory.RealMedia->RaiseBuffering(10);
    QVERIFY(rig.Reports.isEmpty());
    QCOMPARE(rig.Player.State(), psStopped);
}

// After Stop every value is back at rest and nothing is polled; while playing
// the timer polls once a second by itself.
void TestRadioPlayer::stopAndTimer()
{
    TRig rig;
    rig.Player.Play(WmAddress, skWindowsMedia);
    rig.Player.Play(RmAddress, skRealMedia);
    TFakeRealMedia* rm = rig.Factory.RealMedia;
    rm->State = IRealMediaEngine::rpPlaying;
    rm->Bandwidth = 128000;
    rm->Title = u"音乐"_s;
    rm->RaiseBuffering(50);
    QTRY_COMPARE_WITH_TIMEOUT(rig.Player.State(), psPlaying, 3000);
    QCOMPARE(rig.Player.BitRate(), 128);
    const qsizetype mark = rig.Factory.Calls().size();
    rig.Reports.clear();

    rig.Player.Stop();

    QCOMPARE(rig.Reports.size(), 1);
    QCOMPARE(rig.Reports[0].State, psStopped);
    QCOMPARE(rig.Player.State(), psStopped);
    QCOMPARE(rig.Player.StateText(), u"已经停止"_s);
    QCOMPARE(rig.Player.Progress(), 100);
    QCOMPARE(rig.Player.BitRate(), 0);
    QVERIFY(rig.Player.InfoText().isEmpty());
    QVERIFY(!rig.Player.IsPolling());
    // The Windows Media engine was already stopped by the switch.
    QCOMPARE(rig.CallsSince(mark), QStringList{u"rm.DoStop()"_s});

    rm->State = IRealMediaEngine::rpPlaying;
    rig.Player.Poll();
    QCOMPARE(rig.Reports.size(), 1);
}

// A handler that calls Play or Stop, or destroys the player, from any of the
// places where the player notifies or reports a missing engine. The interrupted operation must give up,
// nothing may touch freed memory (the sanitized build checks), and no timer
// may run for a stopped or destroyed player.
namespace {
enum TTrigger { trPlayNotify, trTimerPoll, trEngineEvent, trInsideEngineCall, trFailureNotify, trEngineMissing };
enum TAction { acStop, acPlayOther, acDeleteLater, acDelete };
} // namespace

void TestRadioPlayer::reentrance_data()
{
    QTest::addColumn<int>("trigger");
    QTest::addColumn<int>("action");
    const char* triggers[] = {
        "Play's notification",         "timer's poll",  "engine event", "event inside an engine call",
        "failed start's notification", "missing engine"};
    const char* actions[] = {"Stop", "Play", "deleteLater", "delete"};
    for (int trigger = trPlayNotify; trigger <= trEngineMissing; ++trigger)
        for (int action = acStop; action <= acDelete; ++action)
            QTest::addRow("%s: %s", triggers[trigger], actions[action]) << trigger << action;
}

void TestRadioPlayer::reentrance()
{
    QFETCH(int, trigger);
    QFETCH(int, action);
    TFakeEngineFactory factory;
    factory.RealPlayerInstalled = trigger != trFailureNotify && trigger != trEngineMissing;
    QPointer<TRadioPlayer> player = new TRadioPlayer(&factory);
    const QString otherAddress = u"mms://127.0.0.1/other"_s;
    bool armed = false;
    bool acted = false;
    int missing = 0;
    const auto act = [&](TRadioPlayer* sender) {
        acted = true;
        switch (action) {
        case acStop: sender->Stop(); break;
        case acPlayOther: sender->Play(otherAddress, skWindowsMedia); break;
        case acDeleteLater: sender->deleteLater(); break;
        case acDelete: delete sender; break;
        }
    };
    QObject::connect(player, &TRadioPlayer::OnChange, player, [&](TRadioPlayer* sender) {
        if (!armed || acted || trigger == trEngineMissing
            || (trigger == trFailureNotify && sender->State() != psStopped))
            return;
        act(sender);
    });
    QObject::connect(
        player, &TRadioPlayer::EngineMissing, player,
        [&](TStreamKind) {
            ++missing;
            if (armed && !acted && trigger == trEngineMissing)
                act(player);
        },
        Qt::DirectConnection);

    switch (trigger) {
    case trPlayNotify:
        armed = true;
        player->Play(RmAddress, skRealMedia);
        break;
    case trTimerPoll:
        player->Play(RmAddress, skRealMedia);
        factory.RealMedia->State = IRealMediaEngine::rpPlaying;
        armed = true;
        QTRY_VERIFY_WITH_TIMEOUT(acted, 3000);
        break;
    case trEngineEvent:
        player->Play(RmAddress, skRealMedia);
        armed = true;
        factory.RealMedia->RaiseErrorMessage(u"error"_s);
        break;
    case trInsideEngineCall:
        factory.Script().OnCall = [&](const QString& call) {
            if (call == u"rm.SetSource("_s + RmAddress + u')') {
                armed = true;
                factory.RealMedia->RaiseBuffering(30);
            }
        };
        player->Play(RmAddress, skRealMedia);
        break;
    case trFailureNotify:
    case trEngineMissing:
        armed = true;
        player->Play(RmAddress, skRealMedia);
        break;
    }
    QVERIFY(acted);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    const QStringList& calls = factory.Calls();
    switch (action) {
    case acStop:
        QVERIFY(player);
        QCOMPARE(player->State(), psStopped);
        QVERIFY(!player->IsPolling());
        // Whatever the interrupted Play had started is stopped, and it did not
        // go on to start the engine after the Stop.
        if (trigger == trPlayNotify || trigger == trInsideEngineCall)
            QVERIFY(!calls.contains(u"rm.DoPlay()"_s));
        if (trigger == trTimerPoll || trigger == trEngineEvent)
            QCOMPARE(calls.last(), u"rm.DoStop()"_s);
        break;
    case acPlayOther:
        QVERIFY(player);
        QCOMPARE(player->State(), psConnecting);
        QVERIFY(player->IsPolling());
        QCOMPARE(factory.WindowsMedia->URL, otherAddress);
        // A playing Real Media engine is stopped after the new one started.
        QCOMPARE(calls.last(), trigger == trTimerPoll || trigger == trEngineEvent ? u"rm.DoStop()"_s : u"wm.Play()"_s);
        player->Poll();
        QCOMPARE(player->State(), psConnecting);
        break;
    case acDeleteLater:
    case acDelete:
        QVERIFY(!player);
        // The engines went with the player, once they had returned.
        QVERIFY(!factory.WindowsMedia);
        QVERIFY(!factory.RealMedia);
        break;
    }
    // A failed start that was overtaken or whose player is gone reports no
    // missing engine; deleteLater leaves the player alive until the event loop
    // turns.
    QCOMPARE(missing, trigger == trEngineMissing || (trigger == trFailureNotify && action == acDeleteLater) ? 1 : 0);
    delete player;
}

QTEST_GUILESS_MAIN(TestRadioPlayer)
#include "test_radio_player.moc"
