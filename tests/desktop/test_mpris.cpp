// The MPRIS2 service on a private session bus, read and driven by playerctl
// and by plain bus calls of a connection of the test's own: what it tells,
// when it signals a change, and how clients' commands reach the program.

#include "TestSessionBus.h"
#include "libMprisService.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString SPlayer = u"kestrel_radio"_s;
const QString SPlayerInterface = u"org.mpris.MediaPlayer2.Player"_s;
const QString SProperties = u"org.freedesktop.DBus.Properties"_s;

class TFakeMediaControl final : public IMediaControl
{
public:
    QStringList Calls;
    // Runs inside Play, before it returns.
    std::function<void()> DuringPlay;

    void Raise() override { Calls << u"Raise"_s; }
    void Quit() override { Calls << u"Quit"_s; }
    void Play() override
    {
        Calls << u"Play"_s;
        if (DuringPlay)
            DuringPlay();
    }
    void Stop() override { Calls << u"Stop"_s; }
    void Next() override { Calls << u"Next"_s; }
    void Previous() override { Calls << u"Previous"_s; }
    void SetVolume(int volume) override { Calls << u"Volume %1"_s.arg(volume); }
};

TMediaState Station()
{
    TMediaState state;
    state.Station = u"经济之声"_s;
    state.TrackKey = u"经济之声 0"_s;
    state.Volume = 50;
    state.CanPlay = true;
    state.CanGoNext = true;
    return state;
}

// A client connection apart from the service's, so calls travel through the bus.
QDBusConnection Client()
{
    static QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"test-client"_s);
    return client;
}

QDBusMessage Call(const TMprisService& service, const QString& interface, const QString& method,
                  const QVariantList& arguments = {})
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(service.ServiceName(), TMprisService::ObjectPath, interface, method);
    message.setArguments(arguments);
    QDBusPendingCall call = Client().asyncCall(message);
    if (!QTest::qWaitFor([&] { return call.isFinished(); }, 5000))
        qWarning("no answer to %s", qPrintable(method));
    return call.reply();
}

QVariant Property(const TMprisService& service, const QString& interface, const QString& name)
{
    const QDBusMessage reply = Call(service, SProperties, u"Get"_s, {interface, name});
    return reply.arguments().isEmpty() ? QVariant() : reply.arguments().first().value<QDBusVariant>().variant();
}

} // namespace

// The names of the properties each PropertiesChanged signal of the service carries.
class TChangeListener : public QObject
{
    Q_OBJECT
public:
    QList<QStringList> Changes;
    TChangeListener()
    {
        if (!Client().connect(QString(), TMprisService::ObjectPath, SProperties, u"PropertiesChanged"_s, this,
                              SLOT(Changed(QDBusMessage))))
            qWarning("cannot listen to PropertiesChanged");
    }
public Q_SLOTS:
    void Changed(const QDBusMessage& message)
    {
        QCOMPARE(message.arguments().value(0).toString(), SPlayerInterface);
        const QVariantMap changed = qdbus_cast<QVariantMap>(message.arguments().value(1));
        Changes.append(changed.keys());
    }
};

class TestMpris : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void clientVolume_data()
    {
        QTest::addColumn<double>("client");
        QTest::addColumn<int>("program"); // -1: ignored
        QTest::newRow("silent") << 0.0 << 0;
        QTest::newRow("full") << 1.0 << 100;
        QTest::newRow("rounded down") << 0.374 << 37;
        QTest::newRow("rounded up") << 0.375 << 38;
        QTest::newRow("below the range") << -0.5 << 0;
        QTest::newRow("above the range") << 7.0 << 100;
        QTest::newRow("no number") << qQNaN() << -1;
    }
    void clientVolume()
    {
        QFETCH(double, client);
        QFETCH(int, program);
        QCOMPARE(ProgramVolume(client).value_or(-1), program);
    }

    void tellsWhatPlays();
    void signalsOnlyRealChanges();
    void commands_data();
    void commands();
    void callsReturnBeforeTheCommandRuns();
    void commandsWaitWhileHeld();
    void aTakenNameGetsAnInstanceSuffix();
};

// What playerctl and a plain client read, the root interface included.
void TestMpris::tellsWhatPlays()
{
    TFakeMediaControl control;
    TMprisService service(control, u"Kestrel收音机"_s);
    QVERIFY(service.Publish());
    QCOMPARE(service.ServiceName(), TMprisService::ServiceBase);
    QCOMPARE(Playerctl(SPlayer, {u"status"_s}), u"Stopped"_s);
    const QVariantMap none = qdbus_cast<QVariantMap>(Property(service, SPlayerInterface, u"Metadata"_s));
    QCOMPARE(none.keys(), QStringList{u"mpris:trackid"_s});
    QCOMPARE(qdbus_cast<QDBusObjectPath>(none.first()).path(), u"/org/mpris/MediaPlayer2/TrackList/NoTrack"_s);

    TMediaState state = Station();
    state.Playing = true; // connecting: a client shows it as playing already
    state.Volume = 37;
    service.SetState(state);
    QCOMPARE(Playerctl(SPlayer, {u"status"_s}), u"Playing"_s);
    QCOMPARE(Playerctl(SPlayer, {u"metadata"_s, u"album"_s}), u"经济之声"_s);
    QCOMPARE(Playerctl(SPlayer, {u"metadata"_s, u"title"_s}), QString()); // nothing published
    QCOMPARE(Playerctl(SPlayer, {u"volume"_s}), u"0.370000"_s);
    const QString firstTrack = Playerctl(SPlayer, {u"metadata"_s, u"mpris:trackid"_s});
    QVERIFY(firstTrack.startsWith(u"'/io/github/kestrelradio/Kestrel/Track/"_s)); // playerctl quotes paths

    state.Title = u"早间新闻"_s;
    service.SetState(state);
    QCOMPARE(Playerctl(SPlayer, {u"metadata"_s, u"title"_s}), u"早间新闻"_s);
    QCOMPARE(Playerctl(SPlayer, {u"metadata"_s, u"mpris:trackid"_s}), firstTrack);
    state.TrackKey = u"经济之声 1"_s;
    service.SetState(state);
    QVERIFY(Playerctl(SPlayer, {u"metadata"_s, u"mpris:trackid"_s}) != firstTrack);

    const QString root = u"org.mpris.MediaPlayer2"_s;
    QCOMPARE(Property(service, root, u"Identity"_s).toString(), u"Kestrel收音机"_s);
    QCOMPARE(Property(service, root, u"DesktopEntry"_s).toString(), u"io.github.kestrelradio.Kestrel"_s);
    QCOMPARE(Property(service, root, u"CanQuit"_s), QVariant(true));
    QCOMPARE(Property(service, root, u"CanRaise"_s), QVariant(true));
    QCOMPARE(Property(service, SPlayerInterface, u"CanPause"_s), QVariant(true)); // pausing stops
    QCOMPARE(Property(service, SPlayerInterface, u"CanSeek"_s), QVariant(false));
    QCOMPARE(Property(service, SPlayerInterface, u"CanGoPrevious"_s), QVariant(false));
}

// Each step's signal names exactly the values that changed; a step that
// changes nothing a client sees sends none.
void TestMpris::signalsOnlyRealChanges()
{
    TFakeMediaControl control;
    TMprisService service(control, u"Kestrel收音机"_s);
    TMediaState state = Station();
    service.SetState(state);
    QVERIFY(service.Publish());
    TChangeListener listener;

    service.SetState(state); // the same again
    state.Playing = true;
    service.SetState(state);
    state.Title = u"早间新闻"_s;
    service.SetState(state);
    state.TrackKey = u"经济之声 1"_s;
    service.SetState(state);
    state.Volume = 51;
    service.SetState(state);
    state.CanGoNext = false;
    state.CanGoPrevious = true;
    service.SetState(state);
    service.SetState(state);
    service.SetState({}); // the station closes
    const QList<QStringList> expected{
        {u"PlaybackStatus"_s},
        {u"Metadata"_s},
        {u"Metadata"_s},
        {u"Volume"_s},
        {u"CanGoNext"_s, u"CanGoPrevious"_s},
        {u"CanGoPrevious"_s, u"CanPause"_s, u"CanPlay"_s, u"Metadata"_s, u"PlaybackStatus"_s, u"Volume"_s},
    };
    QTRY_COMPARE(listener.Changes.size(), expected.size());
    QCOMPARE(listener.Changes, expected);
}

void TestMpris::commands_data()
{
    QTest::addColumn<bool>("playing");
    QTest::addColumn<bool>("ends"); // on the only link: no next, no previous, but playable
    // playerctl's arguments, or a player method a plain client calls (playerctl
    // itself refuses what the properties say cannot be done).
    QTest::addColumn<QStringList>("playerctl");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("play") << false << false << QStringList{u"play"_s} << QString() << QStringList{u"Play"_s};
    QTest::newRow("play-pause while stopped plays")
        << false << false << QStringList{u"play-pause"_s} << QString() << QStringList{u"Play"_s};
    QTest::newRow("play-pause while playing stops")
        << true << false << QStringList{u"play-pause"_s} << QString() << QStringList{u"Stop"_s};
    QTest::newRow("pause stops a live stream")
        << true << false << QStringList{u"pause"_s} << QString() << QStringList{u"Stop"_s};
    QTest::newRow("stop") << true << false << QStringList{u"stop"_s} << QString() << QStringList{u"Stop"_s};
    QTest::newRow("next") << false << false << QStringList{u"next"_s} << QString() << QStringList{u"Next"_s};
    QTest::newRow("previous") << false << false << QStringList{u"previous"_s} << QString()
                              << QStringList{u"Previous"_s};
    QTest::newRow("volume") << false << false << QStringList{u"volume"_s, u"0.42"_s} << QString()
                            << QStringList{u"Volume 42"_s};
    QTest::newRow("next at the end") << false << true << QStringList() << u"Next"_s << QStringList{};
    QTest::newRow("previous at the start") << false << true << QStringList() << u"Previous"_s << QStringList{};
}

// Each command reaches the control, or nothing does where the state says the
// client cannot ask for it. A Raise sent behind it marks when the queue ran.
void TestMpris::commands()
{
    QFETCH(bool, playing);
    QFETCH(bool, ends);
    QFETCH(QStringList, playerctl);
    QFETCH(QString, method);
    QFETCH(QStringList, calls);
    TFakeMediaControl control;
    TMprisService service(control, u"Kestrel收音机"_s);
    TMediaState state = Station();
    state.Playing = playing;
    state.CanGoNext = !ends;
    state.CanGoPrevious = !ends;
    service.SetState(state);
    QVERIFY(service.Publish());

    if (method.isEmpty())
        QCOMPARE(RunClient(u"playerctl"_s, QStringList{u"--player"_s, SPlayer} + playerctl).Exit, 0);
    else
        QCOMPARE(Call(service, SPlayerInterface, method).type(), QDBusMessage::ReplyMessage);
    Call(service, u"org.mpris.MediaPlayer2"_s, u"Raise"_s);
    QTRY_VERIFY(control.Calls.endsWith(u"Raise"_s));
    QCOMPARE(control.Calls.mid(0, control.Calls.size() - 1), calls);
}

// A command may run the event loop for long (starting an engine, a
// question): the client's call has been answered before it starts.
void TestMpris::callsReturnBeforeTheCommandRuns()
{
    TFakeMediaControl control;
    TMprisService service(control, u"Kestrel收音机"_s);
    service.SetState(Station());
    QVERIFY(service.Publish());
    QProcess client;
    bool answeredFirst = false;
    control.DuringPlay = [&] {
        answeredFirst = QTest::qWaitFor([&] { return client.state() == QProcess::NotRunning; }, 5000);
    };
    client.start(u"playerctl"_s, {u"--player"_s, SPlayer, u"play"_s});
    QTRY_COMPARE(control.Calls, QStringList{u"Play"_s});
    QVERIFY(answeredFirst);
    QCOMPARE(client.exitCode(), 0);

    // Out-of-range volumes from a plain client are clamped.
    for (double volume : {1.7, -0.2})
        Call(service, SProperties, u"Set"_s,
             {SPlayerInterface, u"Volume"_s, QVariant::fromValue(QDBusVariant(volume))});
    QTRY_COMPARE(control.Calls, (QStringList{u"Play"_s, u"Volume 100"_s, u"Volume 0"_s}));
    Call(service, u"org.mpris.MediaPlayer2"_s, u"Quit"_s);
    QTRY_COMPARE(control.Calls.last(), u"Quit"_s);
}

// While the program is busy (a dialog is open), commands wait in order;
// Raise does not, so the user sees what holds them up.
void TestMpris::commandsWaitWhileHeld()
{
    TFakeMediaControl control;
    TMprisService service(control, u"Kestrel收音机"_s);
    service.SetState(Station());
    bool busy = true;
    service.SetHold([&busy] { return busy; });
    QVERIFY(service.Publish());

    QCOMPARE(RunClient(u"playerctl"_s, {u"--player"_s, SPlayer, u"play"_s}).Exit, 0);
    QCOMPARE(RunClient(u"playerctl"_s, {u"--player"_s, SPlayer, u"stop"_s}).Exit, 0);
    Call(service, u"org.mpris.MediaPlayer2"_s, u"Raise"_s);
    QTRY_COMPARE(control.Calls, QStringList{u"Raise"_s});
    QTest::qWait(300);
    QCOMPARE(control.Calls, QStringList{u"Raise"_s});
    busy = false;
    QTRY_COMPARE(control.Calls, (QStringList{u"Raise"_s, u"Play"_s, u"Stop"_s}));
}

void TestMpris::aTakenNameGetsAnInstanceSuffix()
{
    QVERIFY(Client().registerService(TMprisService::ServiceBase));
    TFakeMediaControl control;
    TMprisService service(control, u"Kestrel收音机"_s);
    QVERIFY(service.Publish());
    QCOMPARE(service.ServiceName(),
             TMprisService::ServiceBase + u".instance"_s + QString::number(QCoreApplication::applicationPid()));
    QCOMPARE(Property(service, u"org.mpris.MediaPlayer2"_s, u"Identity"_s).toString(), u"Kestrel收音机"_s);
    QVERIFY(Client().unregisterService(TMprisService::ServiceBase));
    const QString name = service.ServiceName();
    service.Withdraw();
    QVERIFY(!Client().interface()->isServiceRegistered(name).value());
}

QTEST_GUILESS_MAIN(TestMpris)
#include "test_mpris.moc"
