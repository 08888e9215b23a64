// The mixer's rules over a scripted device: which controls count, how a
// source selector stands in for a mute switch, what -1 means, how a device is
// opened and what a missing one looks like.

#include "FakeMixerDriver.h"
#include "ctlMixer.h"

#include <QSignalSpy>
#include <QTest>

namespace {

using F = TFakeMixerDriver;

// One device with a line for every quirk the rules care about. Model
// positions: the sixth destination fails its query, so positions 5.. are
// destination numbers 6..
TFakeDevice QuirkyDevice()
{
    TFakeDevice device;
    device.caps.wMid = 1;
    device.caps.wPid = 104;
    device.caps.vDriverVersion = 0x0501;
    device.caps.szPname = QStringLiteral("Fake Audio");

    TFakeLine master = F::Line(0x100, 2, QStringLiteral("Master")); // 0: stereo, volume + mute
    F::AddVolume(master, {1000, 2000});
    F::AddMute(master, false);
    TFakeLine wave = F::Line(0x200, 2, QStringLiteral("Wave"));
    F::AddVolume(wave, {300, 400});
    F::AddMute(wave, true);
    TFakeLine cd = F::Line(0x300, 1, QStringLiteral("CD")); // mono, no mute
    F::AddVolume(cd, {500});
    master.sources = {wave, cd};

    TFakeLine rec = F::Line(0x1000, 2, QStringLiteral("Recording")); // 1: a source selector
    F::AddMux(rec, {0x1100, 0x1200}, 1);
    F::AddVolume(rec, {7000, 7000});
    TFakeLine mic = F::Line(0x1100, 1, QStringLiteral("Mic"));
    F::AddVolume(mic, {10});
    TFakeLine line = F::Line(0x1200, 2, QStringLiteral("Line"));
    F::AddVolume(line, {20, 30});
    TFakeLine aux = F::Line(0x1300, 1, QStringLiteral("Aux")); // not in the selector
    F::AddVolume(aux, {40});
    F::AddMute(aux, false);
    rec.sources = {mic, line, aux};

    TFakeLine mono = F::Line(0x2000, 1, QStringLiteral("Mono")); // 2: mono, no mute
    F::AddVolume(mono, {1234});
    TFakeLine lost = F::Line(0x2100, 1, QStringLiteral("Lost"));
    lost.failInfo = true;
    TFakeLine phone = F::Line(0x2200, 1, QStringLiteral("Phone"));
    F::AddVolume(phone, {3});
    mono.sources = {lost, phone};

    TFakeLine disabled = F::Line(0x3000, 2, QStringLiteral("Disabled")); // 3
    F::AddVolume(disabled, {5, 6}, MIXERCONTROL_CONTROLF_DISABLED);
    F::AddMute(disabled, true, MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_DISABLED);

    TFakeLine quirky = F::Line(0x4000, 2, QStringLiteral("Quirky")); // 4: unreadable and multiple controls first
    F::AddVolume(quirky, {0, 0}).failGet = true;
    TFakeControl& multiple = F::AddVolume(quirky, {0, 0, 0, 0}, MIXERCONTROL_CONTROLF_MULTIPLE);
    multiple.info.cMultipleItems = 2;
    F::AddVolume(quirky, {77, 88});
    F::AddMute(quirky, true).failGet = true;
    F::AddMute(quirky, false);

    TFakeLine skipped = F::Line(0x5000, 2, QStringLiteral("Skipped")); // destination 5: query fails
    skipped.failInfo = true;

    TFakeLine surround = F::Line(0x6000, 6, QStringLiteral("Surround")); // position 5
    F::AddVolume(surround, {1, 2, 3, 4, 5, 6});
    F::AddMute(surround, false);

    TFakeLine closed = F::Line(0x7000, 2, QStringLiteral("Closed")); // position 6: controls unreadable
    F::AddVolume(closed, {1, 1});
    closed.failControls = true;

    TFakeLine rec2 = F::Line(0x8000, 1, QStringLiteral("Recording 2")); // position 7: a broken selector first
    F::AddMux(rec2, {0x8100}, -1).failText = true;
    F::AddMux(rec2, {0x8100}, 0);
    TFakeLine video = F::Line(0x8100, 1, QStringLiteral("Video"));
    F::AddVolume(video, {9});
    rec2.sources = {video};

    device.destinations = {master, rec, mono, disabled, quirky, skipped, surround, closed, rec2};
    return device;
}

QString Writes(const TFakeMixerDriver& driver)
{
    QStringList out;
    for (const TMixerControlDetails& w : driver.Writes) {
        QStringList values;
        for (quint32 v : w.values)
            values << QString::number(v);
        out << QString::number(w.dwControlID, 16) + u':' + values.join(u',');
    }
    return out.join(u'|');
}

QString OpenPattern(const TFakeMixerDriver& driver)
{
    QStringList out;
    for (const auto& call : driver.Opens)
        out << (call.callback && call.flags == CALLBACK_WINDOW ? QStringLiteral("w")
                : !call.callback && call.flags == 0            ? QStringLiteral("n")
                                                               : QStringLiteral("?"));
    return out.join(u' ');
}

} // namespace

class TestMixerModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pointerList();
    void model();
    void getVolume_data();
    void getVolume();
    void setVolume_data();
    void setVolume();
    void openAttempts_data();
    void openAttempts();
    void manufacturer_data();
    void manufacturer();
    void selectDevice();
    void noDevice();
    void notifications();
    void devicesComeAndGo();
};

void TestMixerModel::pointerList()
{
    QStringList freed;
    int a = 1, b = 2, c = 3;
    {
        TPointerList<int> list;
        list.OnFreeItem = [&](int* item) { freed << QString::number(*item); };
        QCOMPARE(list.Add(&a), 0);
        QCOMPARE(list.Add(&b), 1);
        QCOMPARE(list.Get(1), &b);
        QCOMPARE(list.Get(-1), nullptr);
        QCOMPARE(list.Get(2), nullptr);
        list.Clear();
        QCOMPARE(list.Count(), 0);
        QCOMPARE(freed, QStringList({QStringLiteral("1"), QStringLiteral("2")}));
        list.Add(&c);
        list.Add(&a);
    }
    QCOMPARE(freed, QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("1")}));
}

void TestMixerModel::model()
{
    TFakeMixerDriver driver;
    driver.Devices = {QuirkyDevice()};
    TAudioMixer mixer(&driver);
    QCOMPARE(mixer.MixerId(), 0);
    QCOMPARE(mixer.NumberOfLine(), 9);
    QCOMPARE(mixer.DriverVersion(), 0x0501u);
    QCOMPARE(mixer.ProductId(), quint16(104));
    QCOMPARE(mixer.ProductName(), QStringLiteral("Fake Audio"));

    // A failed line query leaves the line out and moves the later ones up.
    const TMixerDestinations* dests = mixer.Destinations();
    QCOMPARE(dests->Count(), 8);
    QCOMPARE(dests->Get(5)->LineInfo.dwDestination, 6u);
    QCOMPARE(dests->Get(8), nullptr);
    const TMixerDestination* mono = dests->Get(2);
    QCOMPARE(mono->LineInfo.cConnections, 2u);
    QCOMPARE(mono->Connections.Count(), 1);
    QCOMPARE(mono->Connections.Get(0)->LineInfo.dwSource, 1u);
    QCOMPARE(dests->Get(6)->Controls.Count(), 0);
    QCOMPARE(dests->Get(0)->Controls.Count(), 2);
    QCOMPARE(dests->Get(0)->Controls.Get(1)->dwControlType, MIXERCONTROL_CONTROLTYPE_MUTE);
    QCOMPARE(dests->Get(0)->Controls.Get(2), nullptr);
    QCOMPARE(dests->Get(0)->Connections.Get(0)->Mixer, &mixer);
}

void TestMixerModel::getVolume_data()
{
    QTest::addColumn<int>("destination");
    QTest::addColumn<int>("connection");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("mute");
    QTest::addColumn<bool>("stereo");
    QTest::addColumn<bool>("volumeDisabled");
    QTest::addColumn<bool>("muteDisabled");
    QTest::addColumn<bool>("muteIsSelection");

    QTest::newRow("stereo master") << 0 << -1 << true << 1000 << 2000 << 0 << true << false << false << false;
    QTest::newRow("stereo source, muted") << 0 << 0 << true << 300 << 400 << 1 << true << false << false << false;
    QTest::newRow("mono source without mute") << 0 << 1 << true << 500 << 500 << -1 << false << false << true << false;
    QTest::newRow("mono line") << 2 << -1 << true << 1234 << 1234 << -1 << false << false << true << false;
    QTest::newRow("source after a failed one") << 2 << 0 << true << 3 << 3 << -1 << false << false << true << false;
    QTest::newRow("disabled controls") << 3 << -1 << true << 5 << 6 << 1 << true << true << true << false;
    QTest::newRow("first readable, not multiple")
        << 4 << -1 << true << 77 << 88 << 0 << true << false << false << false;
    QTest::newRow("selected source") << 1 << 1 << true << 20 << 30 << 1 << true << false << false << true;
    QTest::newRow("unselected source") << 1 << 0 << true << 10 << 10 << 0 << false << false << false << true;
    QTest::newRow("source not in selector") << 1 << 2 << true << 40 << 40 << 0 << false << false << false << false;
    QTest::newRow("selector after broken one") << 7 << 0 << true << 9 << 9 << 1 << false << false << false << true;
    QTest::newRow("surround line") << 5 << -1 << true << 1 << 2 << 0 << true << false << false << false;
    QTest::newRow("line without readable controls")
        << 6 << -1 << true << -1 << -1 << -1 << false << true << true << false;
    QTest::newRow("connection out of range") << 0 << 2 << true << -1 << -1 << -1 << false << true << true << false;
    QTest::newRow("connection below -1") << 0 << -2 << true << -1 << -1 << -1 << false << true << true << false;
    QTest::newRow("destination out of range") << 8 << -1 << false << -1 << -1 << -1 << false << true << true << false;
    QTest::newRow("destination out of range, connection")
        << 8 << 0 << false << -1 << -1 << -1 << false << true << true << false;
    QTest::newRow("negative destination") << -1 << -1 << false << -1 << -1 << -1 << false << true << true << false;
}

void TestMixerModel::getVolume()
{
    QFETCH(int, destination);
    QFETCH(int, connection);
    TFakeMixerDriver driver;
    driver.Devices = {QuirkyDevice()};
    TAudioMixer mixer(&driver);

    int left = 42, right = 42, mute = 42;
    bool stereo = true, volumeDisabled = false, muteDisabled = false, muteIsSelection = true;
    QTEST(mixer.GetVolume(destination, connection, left, right, mute, stereo, volumeDisabled, muteDisabled,
                          muteIsSelection),
          "result");
    QTEST(left, "left");
    QTEST(right, "right");
    QTEST(mute, "mute");
    QTEST(stereo, "stereo");
    QTEST(volumeDisabled, "volumeDisabled");
    QTEST(muteDisabled, "muteDisabled");
    QTEST(muteIsSelection, "muteIsSelection");
    QVERIFY(driver.Writes.empty());
}

void TestMixerModel::setVolume_data()
{
    QTest::addColumn<int>("destination");
    QTest::addColumn<int>("connection");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("mute");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("writes"); // control id in hex: values

    QTest::newRow("mute alone") << 0 << -1 << -1 << -1 << 1 << true << u"102:1"_qs;
    QTest::newRow("right follows left") << 0 << -1 << 32767 << -1 << -1 << true << u"101:32767,32767"_qs;
    QTest::newRow("volume and mute") << 0 << -1 << 100 << 200 << 0 << true << u"101:100,200|102:0"_qs;
    QTest::newRow("nothing asked") << 0 << -1 << -1 << -1 << -1 << true << QString();
    QTest::newRow("mono line gets one value") << 2 << -1 << 500 << 600 << -1 << true << u"2001:500"_qs;
    QTest::newRow("surround follows the louder side")
        << 5 << -1 << 100 << 200 << -1 << true << u"6001:100,200,200,200,200,200"_qs;
    QTest::newRow("source volume and mute") << 0 << 0 << 300 << -1 << 1 << true << u"201:300,300|202:1"_qs;
    QTest::newRow("select the only source") << 1 << 0 << -1 << -1 << 1 << true << u"1001:1,0"_qs;
    QTest::newRow("deselect every source") << 1 << 1 << -1 << -1 << 0 << true << u"1001:0,0"_qs;
    QTest::newRow("selection and source volume") << 1 << 1 << 5 << 6 << 1 << true << u"1001:0,1|1201:5,6"_qs;
    QTest::newRow("selector present, source not listed") << 1 << 2 << -1 << -1 << 1 << true << QString();
    QTest::newRow("selector does not touch destination") << 1 << -1 << -1 << -1 << 1 << true << QString();
    QTest::newRow("first volume control, readable or not") << 4 << -1 << 9 << 8 << -1 << true << u"4001:9,8"_qs;
    QTest::newRow("connection out of range") << 0 << 5 << 1 << 1 << 1 << true << QString();
    QTest::newRow("destination out of range") << 8 << -1 << 1 << 1 << 1 << false << QString();
    QTest::newRow("negative destination") << -1 << 0 << 1 << 1 << 1 << false << QString();
}

void TestMixerModel::setVolume()
{
    QFETCH(int, destination);
    QFETCH(int, connection);
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(int, mute);
    TFakeMixerDriver driver;
    driver.Devices = {QuirkyDevice()};
    TAudioMixer mixer(&driver);

    QTEST(mixer.SetVolume(destination, connection, left, right, mute), "result");
    QTEST(Writes(driver), "writes");
}

void TestMixerModel::openAttempts_data()
{
    QTest::addColumn<int>("failures");
    QTest::addColumn<QString>("attempts"); // w: with notifications, n: without
    QTest::addColumn<int>("mixerId");
    QTest::addColumn<bool>("notified");

    QTest::newRow("first opens") << 0 << u"w"_qs << 0 << true;
    QTest::newRow("second opens") << 1 << u"w w"_qs << 0 << true;
    QTest::newRow("only without notifications") << 2 << u"w w n"_qs << 0 << false;
    QTest::newRow("never opens") << 3 << u"w w n"_qs << -1 << false;
}

void TestMixerModel::openAttempts()
{
    QFETCH(int, failures);
    QFETCH(int, mixerId);
    QFETCH(bool, notified);
    TFakeMixerDriver driver;
    driver.Devices = {QuirkyDevice()};
    driver.Devices[0].failingOpens = failures;
    TAudioMixer mixer(&driver);
    QSignalSpy spy(&mixer, &TAudioMixer::OnControlChange);

    QTEST(OpenPattern(driver), "attempts");
    QCOMPARE(mixer.MixerId(), mixerId);
    QCOMPARE(driver.OpenHandles(), mixerId >= 0 ? 1 : 0);
    int left = 0, right = 0, mute = 0;
    bool stereo, volumeDisabled, muteDisabled, muteIsSelection;
    QCOMPARE(mixer.GetVolume(0, -1, left, right, mute, stereo, volumeDisabled, muteDisabled, muteIsSelection),
             mixerId >= 0);
    driver.Notify(MM_MIXM_CONTROL_CHANGE, 0x101);
    QCOMPARE(spy.count(), notified ? 1 : 0);
}

void TestMixerModel::manufacturer_data()
{
    QTest::addColumn<int>("maker");
    QTest::addColumn<QString>("text");
    QTest::newRow("known maker") << 1 << u"Microsoft"_qs;
    QTest::newRow("maker 2") << 2 << u"2 = Unknown"_qs;
    QTest::newRow("no maker") << 0 << u"0 = Unknown"_qs;
    QTest::newRow("large id") << 65535 << u"65535 = Unknown"_qs;
}

void TestMixerModel::manufacturer()
{
    QFETCH(int, maker);
    TFakeMixerDriver driver;
    driver.Devices = {QuirkyDevice()};
    driver.Devices[0].caps.wMid = quint16(maker);
    TAudioMixer mixer(&driver);
    QTEST(mixer.Manufacturer(), "text");
    QTEST(mixer.property("Manufacturer").toString(), "text");
}

void TestMixerModel::selectDevice()
{
    TFakeMixerDriver driver;
    driver.Devices = {QuirkyDevice(), QuirkyDevice()};
    driver.Devices[1].caps.szPname = QStringLiteral("Second");
    driver.Devices[1].destinations.resize(1);
    TAudioMixer mixer(&driver);
    const TMixerHandle first = mixer.Handle();

    // Outside the devices: the open one stays as it is.
    for (int id : {2, -1, 100}) {
        mixer.SetMixerId(id);
        QCOMPARE(mixer.MixerId(), 0);
        QCOMPARE(mixer.Handle(), first);
        QCOMPARE(int(driver.Opens.size()), 1);
    }

    mixer.SetMixerId(1);
    QCOMPARE(mixer.MixerId(), 1);
    QCOMPARE(mixer.ProductName(), QStringLiteral("Second"));
    QCOMPARE(mixer.NumberOfLine(), 1);
    QCOMPARE(mixer.Destinations()->Count(), 1);
    QCOMPARE(driver.OpenHandles(), 1);

    // Selecting the open device again closes and reopens it.
    mixer.setProperty("MixerId", 1);
    QCOMPARE(int(driver.Opens.size()), 3);
    QCOMPARE(driver.OpenHandles(), 1);
}

void TestMixerModel::noDevice()
{
    TFakeMixerDriver driver;
    TAudioMixer mixer(&driver);
    QCOMPARE(mixer.MixerId(), -1);
    QCOMPARE(mixer.NumberOfLine(), 0);
    QCOMPARE(mixer.Manufacturer(), QString());
    QVERIFY(driver.Opens.empty());

    int left = 42, right = 42, mute = 42;
    bool stereo = true, volumeDisabled = false, muteDisabled = false, muteIsSelection = true;
    QVERIFY(!mixer.GetVolume(0, -1, left, right, mute, stereo, volumeDisabled, muteDisabled, muteIsSelection));
    // Nothing to read: the caller's values stay as they were.
    QCOMPARE(left, 42);
    QCOMPARE(mute, 42);
    QVERIFY(stereo && !volumeDisabled && !muteDisabled && muteIsSelection);
    QVERIFY(!mixer.SetVolume(0, -1, 100, 100, 0));
    mixer.SetMixerId(0);
    QCOMPARE(mixer.MixerId(), -1);
}

void TestMixerModel::notifications()
{
    TFakeMixerDriver driver;
    driver.Devices = {QuirkyDevice()};
    auto mixer = std::make_unique<TAudioMixer>(&driver);
    QSignalSpy lines(mixer.get(), &TAudioMixer::OnLineChange);
    QSignalSpy controls(mixer.get(), &TAudioMixer::OnControlChange);

    driver.Notify(MM_MIXM_CONTROL_CHANGE, 0x102);
    driver.Notify(MM_MIXM_LINE_CHANGE, 0x100);
    driver.Notify(0x3D2, 0x100); // anything else is not the mixer's business
    QCOMPARE(controls.count(), 1);
    QCOMPARE(controls[0][0].value<TAudioMixer*>(), mixer.get());
    QCOMPARE(controls[0][1].toInt(), mixer->Handle());
    QCOMPARE(controls[0][2].toInt(), 0x102);
    QCOMPARE(lines.count(), 1);
    QCOMPARE(lines[0][2].toInt(), 0x100);

    // A mixer that is gone leaves no handle behind to call it.
    mixer.reset();
    QCOMPARE(driver.OpenHandles(), 0);
    driver.Notify(MM_MIXM_CONTROL_CHANGE, 0x102);
}

void TestMixerModel::devicesComeAndGo()
{
    TFakeMixerDriver driver;
    driver.Devices = {QuirkyDevice()};
    TAudioMixer mixer(&driver);
    QSignalSpy lines(&mixer, &TAudioMixer::OnLineChange);
    int left, right, mute;
    bool stereo, volumeDisabled, muteDisabled, muteIsSelection;

    const auto saved = driver.Devices;
    driver.Devices.clear();
    driver.ChangeDevices();
    QCOMPARE(lines.count(), 1);
    QCOMPARE(mixer.MixerId(), -1);
    QCOMPARE(mixer.NumberOfLine(), 0);
    QCOMPARE(mixer.ProductName(), QString());
    QCOMPARE(driver.OpenHandles(), 0);
    QVERIFY(!mixer.GetVolume(0, -1, left, right, mute, stereo, volumeDisabled, muteDisabled, muteIsSelection));
    QVERIFY(!mixer.SetVolume(0, -1, 1, 1, 1));

    driver.Devices = saved;
    driver.ChangeDevices();
    QCOMPARE(lines.count(), 2);
    QCOMPARE(mixer.MixerId(), 0);
    QCOMPARE(mixer.NumberOfLine(), 9);
    QCOMPARE(lines[1][1].toInt(), mixer.Handle());
    QVERIFY(mixer.GetVolume(0, -1, left, right, mute, stereo, volumeDisabled, muteDisabled, muteIsSelection));
    QCOMPARE(left, 1000);

    // Lines that came or went: a fresh snapshot, still one handle.
    driver.Devices[0].destinations.erase(driver.Devices[0].destinations.begin());
    driver.ChangeDevices();
    QCOMPARE(lines.count(), 3);
    QCOMPARE(driver.OpenHandles(), 1);
    QVERIFY(mixer.GetVolume(0, -1, left, right, mute, stereo, volumeDisabled, muteDisabled, muteIsSelection));
    QCOMPARE(left, 7000);
}

QTEST_GUILESS_MAIN(TestMixerModel)
#include "test_mixer_model.moc"
