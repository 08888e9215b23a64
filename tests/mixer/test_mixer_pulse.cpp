// The mixer on a real sound server: a private PulseAudio with one stereo null
// sink, started by the test. The server is the mixer's device 0 and the sink
// its first destination.

#include "TestPulseServer.h"
#include "TestSupport.h"
#include "ctlMixer.h"
#include "libMixerPulse.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <pulse/volume.h>

#include <memory>
#include <signal.h>
#include <stdexcept>

namespace {

struct TReading
{
    bool ok = false;
    int left = -1, right = -1, mute = -1;
    bool stereo = false, volumeDisabled = true, muteDisabled = true, muteIsSelection = false;
};

TReading Read(TAudioMixer& mixer, int destination = 0, int connection = -1)
{
    TReading r;
    r.ok = mixer.GetVolume(destination, connection, r.left, r.right, r.mute, r.stereo, r.volumeDisabled, r.muteDisabled,
                           r.muteIsSelection);
    return r;
}

} // namespace

class TestMixerPulse : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void volumeScale();
    void serverIsDeviceZero();
    void setHalfWritesBothChannels();
    void muteLeavesVolume();
    void outsideChangesAreNotified_data();
    void outsideChangesAreNotified();
    void streamsAreSourceLines();
    void serverGoneAndBack();

private:
    void Start();
    QByteArray Pactl(const QStringList& args) { return FServer.Pactl(args); }

    TTestPulseServer FServer{QStringLiteral("kestrel_mixer")};
    std::unique_ptr<TPulseMixerDriver> FDriver;
    std::unique_ptr<TAudioMixer> FMixer;
};

void TestMixerPulse::Start()
{
    try {
        FServer.Start();
    } catch (const std::exception& e) {
        QFAIL(e.what());
    }
}

void TestMixerPulse::initTestCase()
{
    Start();
    FDriver = std::make_unique<TPulseMixerDriver>();
    FMixer = std::make_unique<TAudioMixer>(FDriver.get());
}

void TestMixerPulse::cleanupTestCase()
{
    FMixer.reset();
    FDriver.reset();
    FServer.Kill();
}

void TestMixerPulse::volumeScale()
{
    // Every mixer value survives a trip through the server's scale.
    for (quint32 v = 0; v <= 65535; ++v) {
        if (TPulseMixerDriver::PulseToMixer(TPulseMixerDriver::MixerToPulse(v)) != v)
            QFAIL(qPrintable(QStringLiteral("%1 does not survive").arg(v)));
    }
    QCOMPARE(TPulseMixerDriver::MixerToPulse(0), quint32(PA_VOLUME_MUTED));
    QCOMPARE(TPulseMixerDriver::MixerToPulse(65535), quint32(PA_VOLUME_NORM));
    QCOMPARE(TPulseMixerDriver::MixerToPulse(32767), 32767u);
    QCOMPARE(TPulseMixerDriver::MixerToPulse(100000), quint32(PA_VOLUME_NORM));
    QCOMPARE(TPulseMixerDriver::PulseToMixer(PA_VOLUME_NORM * 3 / 2), 65535u);
}

void TestMixerPulse::serverIsDeviceZero()
{
    QCOMPARE(FDriver->GetNumDevs(), 1);
    QCOMPARE(FMixer->MixerId(), 0);
    QCOMPARE(FMixer->NumberOfLine(), 1);
    QCOMPARE(FMixer->Manufacturer(), QStringLiteral("0 = Unknown"));
    QVERIFY(!FMixer->ProductName().isEmpty());
    QCOMPARE(FMixer->DriverVersion() >> 8, 16u); // Debian 12 ships server 16.x
    const TMixerDestination* sink = FMixer->Destinations()->Get(0);
    QVERIFY(sink);
    QCOMPARE(sink->LineInfo.szShortName, QStringLiteral("kestrel_mixer"));
    QCOMPARE(sink->LineInfo.cChannels, 2u);

    Pactl({QStringLiteral("set-sink-volume"), FServer.SinkName(), QStringLiteral("100%")});
    Pactl({QStringLiteral("set-sink-mute"), FServer.SinkName(), QStringLiteral("0")});
    QVERIFY(QTest::qWaitFor([&] { return Read(*FMixer).left == 65535; }, 2000));
    const TReading r = Read(*FMixer);
    QVERIFY(r.ok);
    QCOMPARE(r.right, 65535);
    QCOMPARE(r.mute, 0);
    QVERIFY(r.stereo);
    QVERIFY(!r.volumeDisabled);
    QVERIFY(!r.muteDisabled);
    QVERIFY(!r.muteIsSelection);
}

void TestMixerPulse::setHalfWritesBothChannels()
{
    // 50 on the panel's scale.
    QVERIFY(FMixer->SetVolume(0, -1, 32767, -1, -1));
    // Reads right after the write already answer with it.
    QCOMPARE(Read(*FMixer).left, 32767);
    QList<int> volumes;
    QVERIFY(QTest::qWaitFor(
        [&] {
            volumes = PactlVolumes(Pactl({QStringLiteral("get-sink-volume"), FServer.SinkName()}));
            return volumes == QList<int>({32767, 32767});
        },
        2000));

    QVERIFY(FMixer->SetVolume(0, -1, 10000, 20000, -1));
    QVERIFY(QTest::qWaitFor(
        [&] {
            return PactlVolumes(Pactl({QStringLiteral("get-sink-volume"), FServer.SinkName()}))
                   == QList<int>({10000, 20000});
        },
        2000));
}

void TestMixerPulse::muteLeavesVolume()
{
    QVERIFY(FMixer->SetVolume(0, -1, 32767, -1, 0));
    QVERIFY(FMixer->SetVolume(0, -1, -1, -1, 1));
    QVERIFY(QTest::qWaitFor(
        [&] {
            return Pactl({QStringLiteral("get-sink-mute"), FServer.SinkName()}).contains("yes");
        },
        2000));
    QCOMPARE(PactlVolumes(Pactl({QStringLiteral("get-sink-volume"), FServer.SinkName()})), QList<int>({32767, 32767}));
    QCOMPARE(Read(*FMixer).mute, 1);
    QVERIFY(FMixer->SetVolume(0, -1, -1, -1, 0));
    QVERIFY(QTest::qWaitFor(
        [&] {
            return Pactl({QStringLiteral("get-sink-mute"), FServer.SinkName()}).contains("no");
        },
        2000));
}

void TestMixerPulse::outsideChangesAreNotified_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("control"); // 0 volume, 1 mute of the sink
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("mute");
    // Each row starts from its own state, one the command really changes.
    QTest::addColumn<int>("startMute");
    QTest::addColumn<int>("startLeft");
    QTest::addColumn<int>("startRight");
    const QString sink = QStringLiteral("kestrel_mixer");
    QTest::newRow("volume") << QStringList({QStringLiteral("set-sink-volume"), sink, QStringLiteral("20000")}) << 0
                            << 20000 << 20000 << 0 << 0 << 6554 << 65535;
    QTest::newRow("balance") << QStringList(
        {QStringLiteral("set-sink-volume"), sink, QStringLiteral("6554"), QStringLiteral("65536")})
                             << 0 << 6554 << 65535 << 0 << 0 << 20000 << 20000;
    QTest::newRow("mute") << QStringList({QStringLiteral("set-sink-mute"), sink, QStringLiteral("1")}) << 1 << 6554
                          << 65535 << 1 << 0 << 6554 << 65535;
    QTest::newRow("unmute") << QStringList({QStringLiteral("set-sink-mute"), sink, QStringLiteral("0")}) << 1 << 6554
                            << 65535 << 0 << 1 << 6554 << 65535;
}

void TestMixerPulse::outsideChangesAreNotified()
{
    QFETCH(QStringList, command);
    QFETCH(int, control);
    QFETCH(int, startMute);
    QFETCH(int, startLeft);
    QFETCH(int, startRight);
    // The starting state, read back through the mixer: every earlier change
    // has been seen once it shows.
    const QString sink = command.at(1);
    // pactl's 65536 is the full volume the mixer reads as 65535.
    Pactl({QStringLiteral("set-sink-volume"), sink, QString::number(startLeft == 65535 ? 65536 : startLeft),
           QString::number(startRight == 65535 ? 65536 : startRight)});
    Pactl({QStringLiteral("set-sink-mute"), sink, QString::number(startMute)});
    QVERIFY(QTest::qWaitFor(
        [&] {
            const TReading now = Read(*FMixer);
            return now.left == startLeft && now.right == startRight && now.mute == startMute;
        },
        5000));
    // The server's notices of the set-up itself may still be on their way;
    // they must not be taken for the change under test.
    QTest::qWait(300);
    QSignalSpy spy(FMixer.get(), &TAudioMixer::OnControlChange);
    QThread* thread = nullptr;
    TReading seen;
    connect(FMixer.get(), &TAudioMixer::OnControlChange, this, [&](TAudioMixer* sender) {
        thread = QThread::currentThread();
        seen = Read(*sender);
    });

    QElapsedTimer clock;
    clock.start();
    Pactl(command);
    const quint32 id = FMixer->Destinations()->Get(0)->Controls.Get(control)->dwControlID;
    QVERIFY(QTest::qWaitFor(
        [&] {
            for (const auto& args : spy) {
                if (args[2].toInt() == int(id))
                    return true;
            }
            return false;
        },
        1000));
    // Generous: it includes starting pactl.
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    disconnect(FMixer.get(), &TAudioMixer::OnControlChange, this, nullptr);

    QCOMPARE(spy[0][0].value<TAudioMixer*>(), FMixer.get());
    QCOMPARE(spy[0][1].toInt(), FMixer->Handle());
    QCOMPARE(thread, QCoreApplication::instance()->thread());
    // What the handler reads is already the new state.
    QTEST(seen.left, "left");
    QTEST(seen.right, "right");
    QTEST(seen.mute, "mute");
}

void TestMixerPulse::streamsAreSourceLines()
{
    const quint32 sinkVolume = 40000;
    Pactl({QStringLiteral("set-sink-volume"), FServer.SinkName(), QString::number(sinkVolume)});
    const int expected = int(TPulseMixerDriver::PulseToMixer(sinkVolume));
    QVERIFY(QTest::qWaitFor([&] { return Read(*FMixer).left == expected; }, 2000));

    // A stream appears: the mixer takes a new snapshot and says so.
    QSignalSpy lines(FMixer.get(), &TAudioMixer::OnLineChange);
    QProcess stream;
    stream.setStandardErrorFile(QProcess::nullDevice());
    stream.start(QStringLiteral("pacat"),
                 {QStringLiteral("--raw"), QStringLiteral("--client-name=kestrel-probe"), QStringLiteral("/dev/zero")});
    QVERIFY(stream.waitForStarted(5000));
    QVERIFY(QTest::qWaitFor(
        [&] { return FMixer->Destinations()->Get(0) && FMixer->Destinations()->Get(0)->Connections.Count() == 1; },
        5000));
    QVERIFY(lines.count() >= 1);
    const TMixerConnection* source = FMixer->Destinations()->Get(0)->Connections.Get(0);
    QCOMPARE(source->LineInfo.szShortName, QStringLiteral("kestrel-probe"));
    const QByteArray index = Pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")})
                                 .split('\t')
                                 .value(0)
                                 .trimmed();
    QCOMPARE(source->LineInfo.dwLineID, TPulseMixerDriver::LineId(TPulseMixerDriver::lkSinkInput, index.toUInt()));

    TReading r = Read(*FMixer, 0, 0);
    QVERIFY(r.ok);
    QVERIFY(r.stereo);
    QCOMPARE(r.left, 65535);
    QCOMPARE(r.mute, 0);
    QVERIFY(!r.volumeDisabled);

    // Writing the stream leaves the sink where it was.
    QVERIFY(FMixer->SetVolume(0, 0, 32767, -1, 1));
    QVERIFY(QTest::qWaitFor(
        [&] {
            const QByteArray all = Pactl({QStringLiteral("list"), QStringLiteral("sink-inputs")});
            return PactlVolumes(all) == QList<int>({32767, 32767}) && all.contains("Mute: yes");
        },
        2000));
    QCOMPARE(PactlVolumes(Pactl({QStringLiteral("get-sink-volume"), FServer.SinkName()})),
             QList<int>({int(sinkVolume), int(sinkVolume)}));

    // A change of the stream from outside names the stream's volume control.
    QSignalSpy controls(FMixer.get(), &TAudioMixer::OnControlChange);
    Pactl({QStringLiteral("set-sink-input-volume"), QString::fromLatin1(index), QStringLiteral("10000")});
    const quint32 id =
        TPulseMixerDriver::ControlId(TPulseMixerDriver::lkSinkInput, index.toUInt(), TPulseMixerDriver::ckVolume);
    QVERIFY(QTest::qWaitFor([&] { return !controls.isEmpty() && controls.last()[2].toInt() == int(id); }, 1000));
    QCOMPARE(Read(*FMixer, 0, 0).left, int(TPulseMixerDriver::PulseToMixer(10000)));
    QCOMPARE(Read(*FMixer).left, expected);

    ::kill(pid_t(stream.processId()), SIGKILL);
    stream.waitForFinished(5000);
    QVERIFY(QTest::qWaitFor(
        [&] { return FMixer->Destinations()->Get(0) && FMixer->Destinations()->Get(0)->Connections.Count() == 0; },
        5000));
}

void TestMixerPulse::serverGoneAndBack()
{
    QSignalSpy lines(FMixer.get(), &TAudioMixer::OnLineChange);
    FServer.Kill();
    QVERIFY(QTest::qWaitFor([&] { return FMixer->MixerId() == -1; }, 3000));
    QCOMPARE(lines.count(), 1);
    QCOMPARE(FDriver->GetNumDevs(), 0);
    QCOMPARE(FMixer->NumberOfLine(), 0);
    QVERIFY(!Read(*FMixer).ok);
    QVERIFY(!FMixer->SetVolume(0, -1, 1000, -1, 1));

    // A mixer made while no server runs starts as a machine without a mixer.
    TPulseMixerDriver lateDriver;
    TAudioMixer late(&lateDriver);
    QCOMPARE(late.MixerId(), -1);
    QVERIFY(!Read(late).ok);
    QSignalSpy lateLines(&late, &TAudioMixer::OnLineChange);

    Start();
    QVERIFY(QTest::qWaitFor([&] { return FMixer->MixerId() == 0 && late.MixerId() == 0; }, 5000));
    QCOMPARE(lines.count(), 2);
    QCOMPARE(lateLines.count(), 1);
    QCOMPARE(FMixer->NumberOfLine(), 1);
    QCOMPARE(Read(*FMixer).left, 65535);

    QVERIFY(FMixer->SetVolume(0, -1, 32767, -1, -1));
    QVERIFY(QTest::qWaitFor(
        [&] {
            return PactlVolumes(Pactl({QStringLiteral("get-sink-volume"), FServer.SinkName()}))
                   == QList<int>({32767, 32767});
        },
        2000));
    QVERIFY(QTest::qWaitFor([&] { return Read(late).left == 32767; }, 2000));
}

QTEST_GUILESS_MAIN(TestMixerPulse)
#include "test_mixer_pulse.moc"
