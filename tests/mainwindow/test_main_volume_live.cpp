// The volume panel's system group on a real sound server: a private
// PulseAudio with one stereo null sink, started by the test, read and set
// through the real driver. The rest of the window runs over fakes.

#include "FakeDialogs.h"
#include "FakeEngines.h"
#include "FakeMessageBoxes.h"
#include "TestHome.h"
#include "TestPulseServer.h"
#include "TestSupport.h"
#include "libMixerPulse.h"
#include "vclMain.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>

#include <functional>
#include <memory>

class TestMainVolumeLive : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void panelSetsTheSink();
    void outsideChangesShowWithoutWriteBack_data();
    void outsideChangesShowWithoutWriteBack();

private:
    QList<int> SinkVolumes() { return PactlVolumes(FServer.Pactl({QStringLiteral("get-sink-volume"), Sink()})); }
    bool SinkMuted() { return FServer.Pactl({QStringLiteral("get-sink-mute"), Sink()}).contains("yes"); }
    QString Sink() const { return FServer.SinkName(); }

    TTestHome FHome;
    TTestPulseServer FServer{QStringLiteral("kestrel_panel")};
    TFakeMessageBoxes FBoxes;
    TFakeBrowser FBrowser;
    TFakeEngineFactory FEngines;
    TFakeFileDialogs FFileDialogs;
    TFakeEditors FEditors;
    std::unique_ptr<TPulseMixerDriver> FDriver;
    std::unique_ptr<TwinMain> FWindow;
};

void TestMainVolumeLive::initTestCase()
{
    try {
        FServer.Start();
    } catch (const std::exception& e) {
        QFAIL(e.what());
    }
    FDriver = std::make_unique<TPulseMixerDriver>();
    QCOMPARE(FDriver->GetNumDevs(), 1);
    TMainServices services;
    services.Engines = &FEngines;
    services.Mixer = FDriver.get();
    services.FileDialogs = &FFileDialogs;
    services.Editors = &FEditors;
    services.MessageBoxes = &FBoxes;
    services.Browser = &FBrowser;
    FWindow = std::make_unique<TwinMain>(services);
    FWindow->FormCreate({});
    QCOMPARE(FWindow->barSystem->value(), 100); // a new null sink starts at full volume
}

void TestMainVolumeLive::cleanupTestCase()
{
    FWindow.reset();
    FDriver.reset();
    FServer.Kill();
}

void TestMainVolumeLive::panelSetsTheSink()
{
    FWindow->barSystem->setValue(50);
    QVERIFY(QTest::qWaitFor([&] { return SinkVolumes() == QList<int>({32767, 32767}); }, 2000));
    QVERIFY(!SinkMuted());
    FWindow->chkSystem->click();
    QVERIFY(QTest::qWaitFor([&] { return SinkMuted(); }, 2000));
    QCOMPARE(SinkVolumes(), QList<int>({32767, 32767}));
    FWindow->chkSystem->click();
    QVERIFY(QTest::qWaitFor([&] { return !SinkMuted(); }, 2000));
}

void TestMainVolumeLive::outsideChangesShowWithoutWriteBack_data()
{
    // Each row starts from its own sink state, so it also runs alone.
    QTest::addColumn<int>("startVolume");
    QTest::addColumn<bool>("startMuted");
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("muted");
    // 1000 is not a whole percent: a write-back would make it 1310.
    QTest::newRow("volume") << 65536 << false << QStringList{QStringLiteral("set-sink-volume"), QStringLiteral("1000")}
                            << 2 << false;
    QTest::newRow("mute") << 1000 << false << QStringList{QStringLiteral("set-sink-mute"), QStringLiteral("1")} << 2
                          << true;
    QTest::newRow("unmute") << 1000 << true << QStringList{QStringLiteral("set-sink-mute"), QStringLiteral("0")} << 2
                            << false;
}

void TestMainVolumeLive::outsideChangesShowWithoutWriteBack()
{
    QFETCH(int, startVolume);
    QFETCH(bool, startMuted);
    QFETCH(QStringList, command);
    QFETCH(int, shown);
    QFETCH(bool, muted);
    FServer.Pactl({QStringLiteral("set-sink-volume"), Sink(), QString::number(startVolume)});
    FServer.Pactl({QStringLiteral("set-sink-mute"), Sink(), startMuted ? QStringLiteral("1") : QStringLiteral("0")});
    const int startShown = startVolume == 65536 ? 100 : 2;
    QVERIFY(QTest::qWaitFor(
        [&] { return FWindow->barSystem->value() == startShown && FWindow->chkSystem->isChecked() == startMuted; },
        5000));

    command.insert(1, Sink());
    QElapsedTimer clock;
    clock.start();
    FServer.Pactl(command);
    QVERIFY(QTest::qWaitFor(
        [&] { return FWindow->barSystem->value() == shown && FWindow->chkSystem->isChecked() == muted; }, 5000));
    // Generous: it includes starting pactl.
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(FWindow->edtSystem->text(), QString::number(shown));

    // A write-back would follow the shown change within milliseconds; the
    // sink keeps what the other program set.
    QVERIFY(!QTest::qWaitFor([&] { return SinkVolumes() != QList<int>({1000, 1000}) || SinkMuted() != muted; }, 1000));
}

QTEST_MAIN(TestMainVolumeLive)
#include "test_main_volume_live.moc"
