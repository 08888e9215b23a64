// The reconnect policy over a scripted engine and a clock the test moves:
// the waits and their cap and reset, what is never tried again, the
// candidates in turn, and everything that cancels a pending try.

#include "FakeClock.h"
#include "FakeEngines.h"
#include "ctlReconnect.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString A = u"http://127.0.0.1/a"_s;
const QString B = u"http://127.0.0.1/b"_s;
const QString C = u"http://127.0.0.1/c"_s;

struct TRig
{
    TFakeEngineFactory Factory;
    TFakeClock Clock;
    TRadioPlayer Player{&Factory};
    std::unique_ptr<TReconnectPolicy> Policy = std::make_unique<TReconnectPolicy>(&Player, &Clock);
    // SecondsLeft at each Changed.
    QList<int> Shown;

    TRig()
    {
        QObject::connect(Policy.get(), &TReconnectPolicy::Changed, Policy.get(),
                         [this] { Shown << Policy->SecondsLeft(); });
    }
    TFakeWindowsMedia& Engine() { return *Factory.WindowsMedia; }
    // The addresses the engine was started on, in order.
    QStringList Started()
    {
        QStringList urls;
        for (const QString& call : Factory.Script().Calls)
            if (call.startsWith(u"wm.SetURL("))
                urls << call.mid(10).chopped(1);
        return urls;
    }
    void Playing()
    {
        Engine().State = IWindowsMediaEngine::wmppsPlaying;
        Player.Poll();
    }
    // The engine comes to rest on its own; the next poll finds it.
    void Ends(TStreamEnd how)
    {
        Engine().State = IWindowsMediaEngine::wmppsStopped;
        Engine().End = how;
        Player.Poll();
        QCoreApplication::processEvents();
    }
    // The engine reports an error, as a refused connection does.
    void Fails(TStreamEnd how)
    {
        Engine().State = IWindowsMediaEngine::wmppsStopped;
        Engine().End = how;
        Engine().RaiseError({u"failed"_s});
        QCoreApplication::processEvents();
    }
    // True when the next try starts exactly after ms, not a moment earlier.
    bool RetriesAfter(qint64 ms)
    {
        const qsizetype before = Started().size();
        Clock.Advance(ms - 1);
        if (Started().size() != before || !Policy->Waiting())
            return false;
        Clock.Advance(1);
        return Started().size() == before + 1 && !Policy->Waiting();
    }
};

} // namespace

class TestReconnect : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A drop waits 1 s, and each try that fails waits twice as long as the
    // last, up to 30 s.
    void waitsDoubleUpToTheCap()
    {
        TRig rig;
        rig.Policy->Play(A, skWindowsMedia);
        rig.Playing();
        rig.Ends(TStreamEnd::seDropped);
        QVERIFY(rig.Policy->Wanted());
        QCOMPARE(rig.Player.State(), psStopped);
        for (const qint64 wait : {1000, 2000, 4000, 8000, 16000, 30000, 30000}) {
            QVERIFY2(rig.RetriesAfter(wait), qPrintable(QString::number(wait)));
            QCOMPARE(rig.Player.State(), psConnecting);
            rig.Fails(TStreamEnd::seDropped);
        }
        QCOMPARE(rig.Started(), QStringList(8, A));
    }

    // Ten seconds of playing start the series afresh; less does not.
    void steadyPlayResetsTheWait()
    {
        TRig rig;
        rig.Policy->Play(A, skWindowsMedia);
        rig.Fails(TStreamEnd::seDropped);
        QVERIFY(rig.RetriesAfter(1000));
        rig.Fails(TStreamEnd::seDropped);
        QVERIFY(rig.RetriesAfter(2000));
        rig.Playing();
        rig.Clock.Advance(TReconnectPolicy::SteadyPlayMs - 1);
        rig.Ends(TStreamEnd::seDropped);
        QVERIFY(rig.RetriesAfter(4000));
        rig.Playing();
        rig.Clock.Advance(TReconnectPolicy::SteadyPlayMs);
        QCOMPARE(rig.Policy->NextDelayMs(), TReconnectPolicy::FirstDelayMs);
        rig.Ends(TStreamEnd::seDropped);
        QVERIFY(rig.RetriesAfter(1000));
    }

    void countdownShownEachSecond()
    {
        TRig rig;
        rig.Policy->Play(A, skWindowsMedia);
        rig.Fails(TStreamEnd::seDropped);
        QVERIFY(rig.RetriesAfter(1000));
        rig.Fails(TStreamEnd::seDropped);
        QVERIFY(rig.RetriesAfter(2000));
        rig.Fails(TStreamEnd::seDropped);
        rig.Shown.clear();
        QCOMPARE(rig.Policy->SecondsLeft(), 4);
        rig.Clock.Advance(4000);
        QCOMPARE(rig.Shown, (QList<int>{3, 2, 1, -1}));
    }

    // What can never play, a finished clip, and an engine that cannot be
    // started are not tried again.
    void nothingTriedAgain_data()
    {
        QTest::addColumn<bool>("played");
        QTest::addColumn<int>("how");
        QTest::addColumn<bool>("asError");
        QTest::newRow("not a stream") << false << int(TStreamEnd::seRefused) << true;
        QTest::newRow("clip played to its end") << true << int(TStreamEnd::seFinished) << false;
    }
    void nothingTriedAgain()
    {
        QFETCH(bool, played);
        QFETCH(int, how);
        QFETCH(bool, asError);
        TRig rig;
        rig.Policy->Play(A, skWindowsMedia);
        if (played)
            rig.Playing();
        if (asError)
            rig.Fails(TStreamEnd(how));
        else
            rig.Ends(TStreamEnd(how));
        QVERIFY(!rig.Policy->Wanted());
        QVERIFY(!rig.Policy->Waiting());
        rig.Clock.Advance(120000);
        QCOMPARE(rig.Started(), QStringList{A});
    }

    void missingEngineNotTriedAgain()
    {
        TRig rig;
        rig.Factory.WindowsMediaInstalled = false;
        int missing = 0;
        QObject::connect(&rig.Player, &TRadioPlayer::EngineMissing, &rig.Player, [&] { ++missing; });
        rig.Policy->Play(A, skWindowsMedia);
        QCoreApplication::processEvents();
        QCOMPARE(missing, 1);
        QVERIFY(!rig.Policy->Wanted());
        rig.Clock.Advance(120000);
        QCOMPARE(rig.Factory.Calls().count(u"wm.IsInstalled()"_s), 1);
    }

    // Each way of giving the stream up leaves no try behind.
    void cancelledWhileWaiting_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("stop") << u"stop"_s;
        QTest::newRow("cancel") << u"cancel"_s;
        QTest::newRow("player stopped directly") << u"player"_s;
        QTest::newRow("reconnecting turned off") << u"off"_s;
        QTest::newRow("policy destroyed") << u"destroy"_s;
        QTest::newRow("another link") << u"other"_s;
    }
    void cancelledWhileWaiting()
    {
        QFETCH(QString, how);
        TRig rig;
        rig.Policy->Play(A, skWindowsMedia);
        rig.Playing();
        rig.Ends(TStreamEnd::seDropped);
        QVERIFY(rig.Policy->Waiting());
        if (how == u"stop")
            rig.Policy->Stop();
        else if (how == u"cancel")
            rig.Policy->Cancel();
        else if (how == u"player")
            rig.Player.Stop();
        else if (how == u"off")
            rig.Policy->SetEnabled(false);
        else if (how == u"destroy")
            rig.Policy.reset();
        else
            rig.Policy->Play(B, skWindowsMedia);
        if (rig.Policy)
            QVERIFY(!rig.Policy->Waiting());
        QCOMPARE(rig.Clock.WakeTime(), -1);
        rig.Clock.Advance(120000);
        QCoreApplication::processEvents();
        QCOMPARE(rig.Started(), how == u"other" ? (QStringList{A, B}) : QStringList{A});
        if (rig.Policy && how != u"other")
            QCOMPARE(rig.Shown.last(), -1);
    }

    // Stop while the stream is starting or playing: its end is no drop.
    void stopWhilePlaying()
    {
        TRig rig;
        rig.Policy->Play(A, skWindowsMedia);
        rig.Playing();
        rig.Policy->Stop();
        QCOMPARE(rig.Player.State(), psStopped);
        rig.Clock.Advance(120000);
        QCOMPARE(rig.Started(), QStringList{A});
    }

    // A candidate that fails before it ever played gives way to the next at
    // once; when all have failed, the wait, then the one that last played.
    void candidatesInTurn()
    {
        TRig rig;
        rig.Policy->Play({A, B, C}, skWindowsMedia);
        rig.Fails(TStreamEnd::seDropped);
        QCOMPARE(rig.Started(), (QStringList{A, B}));
        QVERIFY(!rig.Policy->Waiting());
        rig.Fails(TStreamEnd::seRefused);
        rig.Fails(TStreamEnd::seDropped);
        QCOMPARE(rig.Started(), (QStringList{A, B, C}));
        QVERIFY(rig.RetriesAfter(1000));
        QCOMPARE(rig.Started().last(), A); // none has played yet
        rig.Fails(TStreamEnd::seDropped);
        rig.Playing(); // B plays
        QCOMPARE(rig.Started().last(), B);
        rig.Ends(TStreamEnd::seDropped);
        QVERIFY(rig.RetriesAfter(2000));
        rig.Fails(TStreamEnd::seDropped);
        rig.Fails(TStreamEnd::seDropped);
        rig.Fails(TStreamEnd::seDropped);
        QCOMPARE(rig.Started().mid(5), (QStringList{B, C, A}));
        QVERIFY(rig.RetriesAfter(4000));
        QCOMPARE(rig.Started().last(), B);
    }

    void allCandidatesRefused()
    {
        TRig rig;
        rig.Policy->Play({A, B}, skWindowsMedia);
        rig.Fails(TStreamEnd::seRefused);
        rig.Fails(TStreamEnd::seRefused);
        QVERIFY(!rig.Policy->Wanted());
        rig.Clock.Advance(120000);
        QCOMPARE(rig.Started(), (QStringList{A, B}));
    }

    // Off: the candidates are tried once each, and a drop stays a drop.
    void offTriesEachCandidateOnce()
    {
        TRig rig;
        rig.Policy->SetEnabled(false);
        rig.Policy->Play({A, B}, skWindowsMedia);
        rig.Fails(TStreamEnd::seDropped);
        rig.Playing();
        rig.Ends(TStreamEnd::seDropped);
        QVERIFY(!rig.Policy->Wanted());
        rig.Clock.Advance(120000);
        QCOMPARE(rig.Started(), (QStringList{A, B}));
        QCOMPARE(rig.Player.State(), psStopped);
    }

    // Waking from sleep restarts a wanted stream at once, with the first wait.
    void resumeRestartsAWantedStream()
    {
        TRig rig;
        rig.Policy->Resume();
        QVERIFY(rig.Started().isEmpty());
        rig.Policy->Play({A, B}, skWindowsMedia);
        rig.Fails(TStreamEnd::seDropped);
        rig.Playing(); // B
        rig.Ends(TStreamEnd::seDropped);
        QVERIFY(rig.Policy->Waiting());
        rig.Policy->Resume();
        QVERIFY(!rig.Policy->Waiting());
        QCOMPARE(rig.Started(), (QStringList{A, B, B}));
        QCOMPARE(rig.Policy->NextDelayMs(), TReconnectPolicy::FirstDelayMs);
        // Also while it seems to play: the connection died with the sleep.
        rig.Playing();
        rig.Policy->Resume();
        QCOMPARE(rig.Started().size(), 4);
        rig.Policy->Stop();
        rig.Policy->Resume();
        QCOMPARE(rig.Started().size(), 4);
    }

    // The retry's start is reported like any start: connecting, no rate.
    void retryStartsLikeAPlay()
    {
        TRig rig;
        rig.Policy->Play(A, skWindowsMedia);
        rig.Engine().BitRate = 128000;
        rig.Playing();
        QCOMPARE(rig.Player.BitRate(), 128);
        rig.Ends(TStreamEnd::seDropped);
        QList<QPair<TPlayerState, int>> reports;
        QObject::connect(&rig.Player, &TRadioPlayer::OnChange, &rig.Player, [&](TRadioPlayer* p) {
            reports.append({p->State(), p->BitRate()});
        });
        rig.Clock.Advance(1000);
        QCOMPARE(reports, (QList<QPair<TPlayerState, int>>{{psConnecting, 0}}));
    }
};

QTEST_GUILESS_MAIN(TestReconnect)
#include "test_reconnect.moc"
