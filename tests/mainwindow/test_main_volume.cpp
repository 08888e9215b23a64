// The volume panel over a scripted stereo mixer: the program volume and mute,
// the system volume in both directions, the panel switch and its keys, and
// the button that opens the sound server's own volume settings.

#include "MainWindowFixture.h"

#include "TestSupport.h"
#include "ctlRadioPlayer.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

using F = TFakeMixerDriver;

constexpr quint32 CMasterLine = 0x100;
constexpr quint32 CMasterVolume = CMasterLine + 1;
constexpr quint32 CMasterMute = CMasterLine + 2;

// A device whose first destination is a stereo master with volume and mute.
void AddStereoDevice(TFakeMixerDriver& driver, quint32 volume, bool mute)
{
    TFakeDevice device;
    device.caps.szPname = QStringLiteral("Fake Audio");
    TFakeLine master = F::Line(CMasterLine, 2, QStringLiteral("Master"));
    F::AddVolume(master, {volume, volume});
    F::AddMute(master, mute);
    device.destinations = {master};
    driver.Devices.push_back(device);
}

// Another program changes the master, and the device says so.
void ChangeFromOutside(TFakeMixerDriver& driver, quint32 controlId, std::vector<quint32> values)
{
    driver.FindControl(controlId)->values = std::move(values);
    driver.Notify(MM_MIXM_CONTROL_CHANGE, controlId);
}

std::vector<quint32> Values(TFakeMixerDriver& driver, quint32 controlId)
{
    return driver.FindControl(controlId)->values;
}

// Shortcuts reach only the active window.
bool Activate(QWidget* window)
{
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window);
}

} // namespace

class TestMainVolume : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void storedProgramVolumeIsLimited_data();
    void storedProgramVolumeIsLimited();
    void programVolumeSurvivesLinkAndEngine();
    void panelWritesTheSystemVolume();
    void mixerChangesShowWithoutWriteBack_data();
    void mixerChangesShowWithoutWriteBack();
    void withoutMixerTheSystemGroupKeepsItsDesign();
    void pageKeysSwitchPanelsAndTheChoiceLasts();
    void spaceTogglesProgramMuteWhereverTheFocusIs_data();
    void spaceTogglesProgramMuteWhereverTheFocusIs();
    void muteCheckBoxAndCommandAgree();
    void volumeButtonStartsTheFirstControlFound_data();
    void volumeButtonStartsTheFirstControlFound();
    void labelsNameTheirDisplays();
};

void TestMainVolume::storedProgramVolumeIsLimited_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("applied");
    QTest::newRow("above") << 150 << 100;
    QTest::newRow("below") << -5 << 0;
}

void TestMainVolume::storedProgramVolumeIsLimited()
{
    QFETCH(int, stored);
    QFETCH(int, applied);
    TMainWindowFixture f;
    f.Preference(QStringLiteral("Volume"), stored);
    TwinMain* w = f.Create();
    QCOMPARE(w->barPlayer->value(), applied);
    QCOMPARE(w->edtPlayer->text(), QString::number(applied));
    QCOMPARE(w->ctlPlayer->Volume(), applied);
    f.Destroy();
    QCOMPARE(f.StoredPreference(QStringLiteral("Volume")).toInt(), applied);
}

void TestMainVolume::programVolumeSurvivesLinkAndEngine()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    w->barPlayer->setValue(30);
    QCOMPARE(w->edtPlayer->text(), QStringLiteral("30"));
    w->actMute->trigger();

    w->ctlPlayer->Play(QStringLiteral("mms://a/one"), skWindowsMedia);
    QVERIFY(f.Engines.WindowsMedia);
    QCOMPARE(f.Engines.WindowsMedia->Volume, 30);
    QVERIFY(f.Engines.WindowsMedia->Muted);

    w->barPlayer->setValue(45);
    w->ctlPlayer->Play(QStringLiteral("mms://a/two"), skWindowsMedia);
    QCOMPARE(f.Engines.WindowsMedia->Volume, 45);
    w->ctlPlayer->Play(QStringLiteral("rtsp://b/three"), skRealMedia);
    QVERIFY(f.Engines.RealMedia);
    QCOMPARE(f.Engines.RealMedia->Volume, 45);
    QVERIFY(f.Engines.RealMedia->Muted);
    // The program's volume is its own: the system master was never written.
    QVERIFY(f.Mixer.Writes.empty());
}

void TestMainVolume::panelWritesTheSystemVolume()
{
    TMainWindowFixture f;
    AddStereoDevice(f.Mixer, 1000, false);
    TwinMain* w = f.Create();

    w->barSystem->setValue(50);
    QCOMPARE(Values(f.Mixer, CMasterVolume), (std::vector<quint32>{32767, 32767}));
    QCOMPARE(Values(f.Mixer, CMasterMute), (std::vector<quint32>{0}));
    QCOMPARE(w->edtSystem->text(), QStringLiteral("50"));

    // Muting writes the volume with it; the device's notification of the
    // program's own write reads back the same values and ends there.
    f.Mixer.Writes.clear();
    w->chkSystem->click();
    QCOMPARE(Values(f.Mixer, CMasterMute), (std::vector<quint32>{1}));
    QCOMPARE(Values(f.Mixer, CMasterVolume), (std::vector<quint32>{32767, 32767}));
    const size_t writes = f.Mixer.Writes.size();
    f.Mixer.Notify(MM_MIXM_CONTROL_CHANGE, CMasterMute);
    QCOMPARE(f.Mixer.Writes.size(), writes);
    QVERIFY(w->chkSystem->isChecked());
    QCOMPARE(w->barSystem->value(), 50);
}

void TestMainVolume::mixerChangesShowWithoutWriteBack_data()
{
    QTest::addColumn<quint32>("control");
    QTest::addColumn<std::vector<quint32>>("values");
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("muted");
    QTest::newRow("half") << CMasterVolume << std::vector<quint32>{32767, 32767} << 50 << false;
    QTest::newRow("not whole percent") << CMasterVolume << std::vector<quint32>{1000, 1000} << 2 << false;
    QTest::newRow("left channel counts") << CMasterVolume << std::vector<quint32>{65535, 0} << 100 << false;
    QTest::newRow("muted elsewhere") << CMasterMute << std::vector<quint32>{1} << 20 << true;
}

void TestMainVolume::mixerChangesShowWithoutWriteBack()
{
    QFETCH(quint32, control);
    QFETCH(std::vector<quint32>, values);
    QFETCH(int, shown);
    QFETCH(bool, muted);
    TMainWindowFixture f;
    AddStereoDevice(f.Mixer, 13107, false);
    TwinMain* w = f.Create();
    QCOMPARE(w->barSystem->value(), 20); // read at start-up

    ChangeFromOutside(f.Mixer, control, values);
    QCOMPARE(w->barSystem->value(), shown);
    QCOMPARE(w->edtSystem->text(), QString::number(shown));
    QCOMPARE(w->chkSystem->isChecked(), muted);
    QVERIFY(f.Mixer.Writes.empty());
    QCOMPARE(Values(f.Mixer, control), values);
}

void TestMainVolume::withoutMixerTheSystemGroupKeepsItsDesign()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    QCOMPARE(w->barSystem->value(), 0);
    QCOMPARE(w->edtSystem->text(), QStringLiteral("0"));
    QVERIFY(!w->chkSystem->isChecked());
    w->barSystem->setValue(40); // nothing to write to, nothing breaks
    QCOMPARE(w->edtSystem->text(), QStringLiteral("40"));
    QVERIFY(f.Boxes.Questions().isEmpty());
}

void TestMainVolume::pageKeysSwitchPanelsAndTheChoiceLasts()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    QVERIFY(w->boxClient->currentWidget() == w->boxLinks); // first run
    QVERIFY(w->actLinks->isChecked());

    QVERIFY(Activate(w));
    QTest::keyClick(w, Qt::Key_PageDown);
    QVERIFY(w->boxClient->currentWidget() == w->boxMixer);
    QVERIFY(w->actVolume->isChecked() && !w->actLinks->isChecked());
    f.Destroy();
    QCOMPARE(f.StoredPreference(QStringLiteral("Panel")).toInt(), 0);

    w = f.Create();
    QVERIFY(w->boxClient->currentWidget() == w->boxMixer);
    QVERIFY(w->actVolume->isChecked());
    QVERIFY(Activate(w));
    QTest::keyClick(w, Qt::Key_PageUp);
    QVERIFY(w->boxClient->currentWidget() == w->boxLinks);
    QVERIFY(w->actLinks->isChecked() && !w->actVolume->isChecked());
    f.Destroy();
    QCOMPARE(f.StoredPreference(QStringLiteral("Panel")).toInt(), 1);
}

void TestMainVolume::spaceTogglesProgramMuteWhereverTheFocusIs_data()
{
    QTest::addColumn<QString>("focus");
    for (const char* name : {"barPlayer", "chkPlayer", "edtPlayer", "barSystem", "chkSystem", "btnSystem"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestMainVolume::spaceTogglesProgramMuteWhereverTheFocusIs()
{
    QFETCH(QString, focus);
    TMainWindowFixture f;
    AddStereoDevice(f.Mixer, 13107, false);
    f.Preference(QStringLiteral("Panel"), 0);
    TwinMain* w = f.Create();
    QVERIFY(Activate(w));
    auto* target = w->findChild<QWidget*>(focus);
    QVERIFY(target);
    target->setFocus();
    QTRY_VERIFY(target->hasFocus());

    for (bool muted : {true, false}) {
        QTest::keyClick(w, Qt::Key_Space);
        QCOMPARE(w->actMute->isChecked(), muted);
        QCOMPARE(w->chkPlayer->isChecked(), muted);
        QCOMPARE(w->ctlPlayer->Mute(), muted);
    }
    // The key belongs to the program's mute, not to the focused control.
    QVERIFY(!w->chkSystem->isChecked());
    QVERIFY(f.Mixer.Writes.empty());
}

void TestMainVolume::muteCheckBoxAndCommandAgree()
{
    TMainWindowFixture f;
    f.Preference(QStringLiteral("Panel"), 0);
    TwinMain* w = f.Create();
    QVERIFY(!w->actMute->isChecked()); // mute is never remembered
    QCOMPARE(w->chkPlayer->text(), w->actMute->text());

    w->chkPlayer->click();
    QVERIFY(w->actMute->isChecked());
    QVERIFY(w->ctlPlayer->Mute());
    w->actMute->trigger(); // from the listening menu
    QVERIFY(!w->chkPlayer->isChecked());
    QVERIFY(!w->ctlPlayer->Mute());
    QVERIFY(w->subPlay->actions().contains(w->actMute));
}

void TestMainVolume::volumeButtonStartsTheFirstControlFound_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("started");
    QTest::newRow("both") << QStringList{QStringLiteral("pavucontrol-qt"), QStringLiteral("pavucontrol")}
                          << QStringLiteral("pavucontrol");
    QTest::newRow("qt only") << QStringList{QStringLiteral("pavucontrol-qt")} << QStringLiteral("pavucontrol-qt");
    // Only the two known controls are started, never another program.
    QTest::newRow("none") << QStringList{QStringLiteral("pavucontrol-gtk")} << QString();
}

void TestMainVolume::volumeButtonStartsTheFirstControlFound()
{
    QFETCH(QStringList, installed);
    QFETCH(QString, started);
    QTemporaryDir bin;
    const QString marker = bin.filePath(QStringLiteral("started"));
    for (const QString& name : installed) {
        QFile script(bin.filePath(name));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho -n " + name.toUtf8() + " > '" + marker.toUtf8() + "'\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8());
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    w->btnSystem->click();
    qputenv("PATH", savedPath);

    if (started.isEmpty()) {
        // A started program writes its marker within milliseconds.
        QVERIFY(!QTest::qWaitFor([&] { return QFile::exists(marker); }, 1000));
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker) && QFileInfo(marker).size() > 0, 5000);
        QCOMPARE(QString::fromUtf8(ReadFileBytes(marker)), started);
    }
}

void TestMainVolume::labelsNameTheirDisplays()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    QVERIFY(w->lblPlayer->buddy() == w->edtPlayer);
    QVERIFY(w->lblSystem->buddy() == w->edtSystem);
    QVERIFY(w->edtPlayer->isReadOnly() && w->edtSystem->isReadOnly());
}

QTEST_MAIN(TestMainVolume)
#include "test_main_volume.moc"
