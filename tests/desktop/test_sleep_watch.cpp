// The wake from sleep as logind tells it, on the private bus the test runs
// on (standing in for the system bus): only logind's PrepareForSleep(false)
// counts, and a bus that cannot be reached is no failure.

#include "libSleepWatch.h"

#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// PrepareForSleep sent on a connection of its own; as logind when it owns
// logind's name.
void Send(QDBusConnection& bus, bool start)
{
    QDBusMessage signal = QDBusMessage::createSignal(u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s,
                                                     u"PrepareForSleep"_s);
    signal << start;
    QVERIFY(bus.send(signal));
}
} // namespace

class TestSleepWatch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wakeFromLogindOnly()
    {
        // logind holds its name before any program starts watching it.
        QDBusConnection logind = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"logind"_s);
        QVERIFY(logind.registerService(u"org.freedesktop.login1"_s));
        TLogindSleepWatch watch(QDBusConnection::sessionBus());
        QVERIFY(watch.Watching());
        QSignalSpy woke(&watch, &ISleepWatch::Woke);

        QDBusConnection impostor = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"impostor"_s);
        Send(impostor, false);
        Send(logind, true);
        Send(logind, false);
        QTRY_COMPARE(woke.size(), 1);
        QTest::qWait(200);
        QCOMPARE(woke.size(), 1);
        QDBusConnection::disconnectFromBus(u"impostor"_s);
        QDBusConnection::disconnectFromBus(u"logind"_s);
    }

    void noBusNoWatch()
    {
        const QDBusConnection none = QDBusConnection::connectToBus(u"unix:path=/nonexistent/kestrel-bus"_s, u"none"_s);
        TLogindSleepWatch watch(none);
        QVERIFY(!watch.Watching());
        QDBusConnection::disconnectFromBus(u"none"_s);
    }
};

QTEST_GUILESS_MAIN(TestSleepWatch)
#include "test_sleep_watch.moc"
