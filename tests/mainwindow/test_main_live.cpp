// The main window over the real engines and the real PulseAudio driver,
// playing a tone from a local Icecast: the program volume is the engine's own
// and reaches what is heard, survives a change of link and engine, and never
// moves the sink's volume.

#include "LiveWindowFixture.h"
#include "TestPulseServer.h"
#include "TestSupport.h"
#include "ctlRadioPlayer.h"

#include <QAction>
#include <QSlider>
#include <QTest>

namespace {

constexpr int kAudible = 1000; // the tone peaks at 4096
constexpr int kSilent = 60;

QList<int> SinkVolumes()
{
    return PactlVolumes(
        RunProgram(QStringLiteral("pactl"), {QStringLiteral("get-sink-volume"), QStringLiteral("kestrel")}).Out);
}

// True while a stream of this process plays into the sound server: from then
// on its samples reach the sink, so a silent reading means silence.
bool OwnStreamRuns()
{
    const QByteArray list =
        RunProgram(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")}).Out;
    const QByteArray pid = "application.process.id = \"" + QByteArray::number(QCoreApplication::applicationPid()) + '"';
    for (const QByteArray& input : list.split('#')) {
        if (input.contains(pid) && input.contains("Corked: no"))
            return true;
    }
    return false;
}

} // namespace

class TestMainLive : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void programVolumeIsHeardAndLeavesTheSinkAlone();
};

void TestMainLive::programVolumeIsHeardAndLeavesTheSinkAlone()
{
    TLiveWindowFixture f;
    TStreamServers& servers = f.Servers;
    TwinMain& window = *f.Window;
    const QList<int> sinkBefore = SinkVolumes();
    QVERIFY(!sinkBefore.isEmpty());

    window.barPlayer->setValue(0);
    window.actPlay->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(window.ctlPlayer->State(), psPlaying, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(OwnStreamRuns(), 10000);
    QVERIFY(servers.PeakLevel(500) < kSilent);
    window.barPlayer->setValue(100);
    QTRY_VERIFY_WITH_TIMEOUT(servers.PeakLevel(300) > kAudible, 5000);
    window.actMute->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(servers.PeakLevel(300) < kSilent, 5000);
    window.actMute->trigger();
    window.barPlayer->setValue(30);
    QTRY_VERIFY_WITH_TIMEOUT(servers.PeakLevel(300) > kSilent, 5000);
    QCOMPARE(SinkVolumes(), sinkBefore);

    // The other link plays on the other engine, at the volume already set.
    window.barPlayer->setValue(0);
    window.Radio()->SetLink(1);
    window.actPlay->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(window.ctlPlayer->State(), psPlaying, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(OwnStreamRuns(), 10000);
    QVERIFY(servers.PeakLevel(500) < kSilent);
    window.barPlayer->setValue(100);
    QTRY_VERIFY_WITH_TIMEOUT(servers.PeakLevel(300) > kAudible, 5000);
    QCOMPARE(SinkVolumes(), sinkBefore);

    window.actStop->trigger();
    QVERIFY(f.Boxes.Questions().isEmpty());
}

QTEST_MAIN(TestMainLive)
#include "test_main_live.moc"
