// The title notifier against a notification server of the test's own on a
// private session bus: which titles are shown, that one notification is
// replaced in place, and that a missing server costs nothing.

#include "TestSessionBus.h"
#include "libTitleNotifier.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
struct TUpdate
{
    QString Title;
    bool Show = true;
};
using TUpdates = QList<TUpdate>;

const QString SStation = u"经济之声"_s;
} // namespace

Q_DECLARE_METATYPE(TUpdates)

class TestTitleNotifier : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void titles_data()
    {
        QTest::addColumn<TUpdates>("updates");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("every new title") << TUpdates{{u"早间新闻"_s}, {u"天气预报"_s}, {u"Morning Show"_s}}
                                         << QStringList{u"早间新闻"_s, u"天气预报"_s, u"Morning Show"_s};
        QTest::newRow("repeats and white space are no change")
            << TUpdates{{u"早间新闻"_s}, {u"早间新闻"_s}, {u"  早间新闻\t"_s}, {u"早间 新闻"_s}, {u"早间\u3000新闻"_s}}
            << QStringList{u"早间新闻"_s};
        QTest::newRow("shown with its white space tidied")
            << TUpdates{{u"  Morning   Show \n"_s}} << QStringList{u"Morning Show"_s};
        QTest::newRow("a blank title between is no change")
            << TUpdates{{u"早间新闻"_s}, {QString()}, {u"  "_s}, {u"早间新闻"_s}} << QStringList{u"早间新闻"_s};
        QTest::newRow("a title not shown is still seen")
            << TUpdates{{u"早间新闻"_s, false}, {u"早间新闻"_s}, {u"天气预报"_s, false}, {u"新闻联播"_s}}
            << QStringList{u"新闻联播"_s};
    }
    // Each update waits for the server's answer, as titles come seconds apart.
    void titles()
    {
        QFETCH(TUpdates, updates);
        QFETCH(QStringList, shown);
        TFakeNotificationServer server;
        TTitleNotifier notifier(u"Kestrel收音机"_s);
        for (const TUpdate& update : updates) {
            notifier.Update(update.Title, SStation, update.Show);
            QTest::qWait(50);
        }
        // A last title marks the end: every earlier call has been answered.
        notifier.Update(u"结束"_s, SStation, true);
        QTRY_COMPARE(server.Summaries().value(shown.size()), u"结束"_s);
        QCOMPARE(server.Summaries(), shown + QStringList{u"结束"_s});

        // One notification, replaced in place under the program's names.
        const uint id = server.Received().first().Id;
        QCOMPARE(notifier.NotificationId(), id);
        for (qsizetype i = 0; i < server.Received().size(); ++i) {
            const TFakeNotificationServer::TNotification& notification = server.Received()[i];
            QCOMPARE(notification.ReplacesId, i == 0 ? 0u : id);
            QCOMPARE(notification.Id, id);
            QCOMPARE(notification.AppName, u"Kestrel收音机"_s);
            QCOMPARE(notification.Body, SStation);
            QCOMPARE(notification.Icon, u"io.github.kestrelradio.Kestrel"_s);
            QCOMPARE(notification.Hints.value(u"desktop-entry"_s).toString(), u"io.github.kestrelradio.Kestrel"_s);
        }
    }

    // Titles that come while a call is out wait for its answer and its id:
    // the newest one is shown, replacing the first.
    void titlesDuringACallWaitForItsId()
    {
        TFakeNotificationServer server;
        TTitleNotifier notifier(u"Kestrel收音机"_s);
        notifier.Update(u"早间新闻"_s, SStation, true);
        notifier.Update(u"天气预报"_s, SStation, true);
        notifier.Update(u"新闻联播"_s, SStation, true);
        QTRY_COMPARE(server.Summaries(), (QStringList{u"早间新闻"_s, u"新闻联播"_s}));
        QCOMPARE(server.Received()[1].ReplacesId, server.Received()[0].Id);
    }

    void bodyMarkup_data()
    {
        QTest::addColumn<QStringList>("capabilities");
        QTest::addColumn<QString>("body");
        QTest::newRow("plain body") << QStringList{u"body"_s} << u"R&B <夜>"_s;
        QTest::newRow("markup body") << QStringList{u"body"_s, u"body-markup"_s} << u"R&amp;B &lt;夜&gt;"_s;
    }
    // The station's name reads as typed, whether the server takes markup or not.
    void bodyMarkup()
    {
        QFETCH(QStringList, capabilities);
        QFETCH(QString, body);
        TFakeNotificationServer server(capabilities);
        TTitleNotifier notifier(u"Kestrel收音机"_s);
        notifier.Update(u"早间新闻"_s, u"R&B <夜>"_s, true);
        QTRY_COMPARE(server.Received().size(), 1);
        QCOMPARE(server.Received().first().Body, body);
        QCOMPARE(server.Received().first().Summary, u"早间新闻"_s);
    }

    // Without a server the title is dropped; one that starts later shows the next.
    void noServerIsHarmless()
    {
        TTitleNotifier notifier(u"Kestrel收音机"_s);
        notifier.Update(u"早间新闻"_s, SStation, true);
        QTest::qWait(300);
        QCOMPARE(notifier.NotificationId(), 0u);
        TFakeNotificationServer server;
        notifier.Update(u"天气预报"_s, SStation, true);
        QTRY_COMPARE(server.Summaries(), QStringList{u"天气预报"_s});
        QCOMPARE(server.Received().first().ReplacesId, 0u);
    }
};

QTEST_GUILESS_MAIN(TestTitleNotifier)
#include "test_title_notifier.moc"
