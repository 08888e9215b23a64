// The window keeps a dropped stream playing: the wait shows in the status
// bar as it counts down, the try starts as a Play does, and every way of
// giving the stream up (Stop, another link, closing the station, exit, the
// preference) leaves no try behind.

#include "FakeResolver.h"
#include "MainWindowFixture.h"
#include "TestSupport.h"

#include "ctlRadioPlayer.h"
#include "ctlReconnect.h"
#include "libPreferences.h"
#include "vclSetup.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString HrefA = u"mms://127.0.0.1/a"_s;
const QString HrefB = u"mms://127.0.0.1/b"_s;

TwinMain* OpenStation(TMainWindowFixture& f)
{
    return f.Create({f.WriteStation(u"s.radio"_s, u"甲台"_s, {{u"一"_s, HrefA}, {u"二"_s, HrefB}})});
}

// The addresses the engine was started on, in order.
QStringList Started(TMainWindowFixture& f)
{
    QStringList urls;
    for (const QString& call : f.Engines.Calls())
        if (call.startsWith(u"wm.SetURL("))
            urls << call.mid(10).chopped(1);
    return urls;
}

void Playing(TMainWindowFixture& f, int kbps)
{
    f.Engines.WindowsMedia->State = IWindowsMediaEngine::wmppsPlaying;
    f.Engines.WindowsMedia->BitRate = kbps * 1000;
    f.Window->ctlPlayer->Poll();
}

// The connection fails, as a server that went away does.
void Fails(TMainWindowFixture& f)
{
    f.Engines.WindowsMedia->State = IWindowsMediaEngine::wmppsStopped;
    f.Engines.WindowsMedia->End = TStreamEnd::seDropped;
    f.Engines.WindowsMedia->RaiseError({u"无法打开媒体"_s});
    QCoreApplication::processEvents();
}

// Playing at 128 kbit/s, then dropped: a try waits.
TwinMain* Dropped(TMainWindowFixture& f)
{
    TwinMain* w = OpenStation(f);
    w->actPlay->trigger();
    Playing(f, 128);
    Fails(f);
    return w;
}

} // namespace

class TestMainReconnect : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void waitShownThenTried()
    {
        TMainWindowFixture f;
        TwinMain* w = Dropped(f);
        QCOMPARE(w->HintPanelText(0), u"连接已断开，1秒后重新连接"_s);
        QCOMPARE(w->HintPanelText(2), u"发生错误"_s);
        f.Clock.Advance(1000);
        QCOMPARE(w->HintPanelText(2), u"正在连接"_s);
        QCOMPARE(w->HintPanelText(0), QString());
        QCOMPARE(Started(f), (QStringList{HrefA, HrefA}));

        // The try fails too: the next wait is 2 s, counted down.
        Fails(f);
        QCOMPARE(w->HintPanelText(0), u"连接已断开，2秒后重新连接"_s);
        f.Clock.Advance(1000);
        QCOMPARE(w->HintPanelText(0), u"连接已断开，1秒后重新连接"_s);
        f.Clock.Advance(1000);
        QCOMPARE(Started(f).size(), 3);
        Playing(f, 128);
        QCOMPARE(w->HintPanelText(2), u"正在播放"_s);
        QVERIFY(f.Boxes.Questions().isEmpty());
    }

    // A try's start reports no rate: the link's rates stay what was learned,
    // and the file is not written for it.
    void tryTeachesNoRates()
    {
        TMainWindowFixture f;
        TwinMain* w = Dropped(f);
        const TRadioLink* link = w->Radio()->Links()[0];
        QCOMPARE(link->BestKbps(), 128);
        const QByteArray marker = "not rewritten";
        f.WriteFile(u"s.radio"_s, marker);
        f.Clock.Advance(1000);
        QCOMPARE(w->ctlPlayer->State(), psConnecting);
        QCOMPARE(link->BestKbps(), 128);
        QCOMPARE(link->ShitKbps(), 128);
        QCOMPARE(ReadFileBytes(w->FileName()), marker);
    }

    void givingUpCancelsTheTry_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("stop") << u"stop"_s;
        QTest::newRow("another link") << u"link"_s;
        QTest::newRow("closing the station") << u"close"_s;
        QTest::newRow("options turn it off") << u"options"_s;
        QTest::newRow("exit") << u"exit"_s;
    }
    void givingUpCancelsTheTry()
    {
        QFETCH(QString, how);
        TMainWindowFixture f;
        TwinMain* w = Dropped(f);
        QVERIFY(w->ctlReconnect->Waiting());
        if (how == u"stop") {
            w->actStop->trigger();
        } else if (how == u"link") {
            w->PlayLink(1);
        } else if (how == u"close") {
            w->actClose->trigger();
        } else if (how == u"options") {
            TWindowOptions options = w->Options();
            options.Reconnect = false;
            w->ApplyOptions(options);
        } else {
            w->actExit->trigger();
        }
        QVERIFY(!w->ctlReconnect->Waiting());
        QVERIFY(!w->HintPanelText(0).contains(u"重新连接"));
        f.Clock.Advance(120000);
        QCoreApplication::processEvents();
        QCOMPARE(Started(f), how == u"link" ? (QStringList{HrefA, HrefB}) : QStringList{HrefA});
        if (how == u"exit") {
            f.Destroy();
            f.Clock.Advance(120000);
        }
    }

    // Off in the settings: a drop stays a drop, as it always was.
    void preferenceOff()
    {
        TMainWindowFixture f;
        f.Preference(Pref::Reconnect, false);
        TwinMain* w = Dropped(f);
        QVERIFY(!w->Options().Reconnect);
        QVERIFY(!w->ctlReconnect->Waiting());
        QCOMPARE(w->HintPanelText(0), u"无法打开媒体\r\n"_s);
        f.Clock.Advance(120000);
        QCOMPARE(Started(f), QStringList{HrefA});
        f.Destroy();
        QCOMPARE(f.StoredPreference(Pref::Reconnect).toInt(), 0);
    }

    // The options dialog's box, on the live window: unticked, a drop stays a drop.
    void checkBoxTurnsItOff()
    {
        TMainWindowFixture f;
        TwinMain* w = OpenStation(f);
        QString name;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TwinSetup*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QVERIFY(dialog->chkReconnect->isChecked());
            name = QAccessible::queryAccessibleInterface(dialog->chkReconnect)->text(QAccessible::Name);
            dialog->chkReconnect->click();
            dialog->btnOK->click();
        });
        w->actSetup->trigger();
        QCOMPARE(name, u"连接断开时自动重新连接"_s);
        QVERIFY(!w->Options().Reconnect);
        w->actPlay->trigger();
        Playing(f, 128);
        Fails(f);
        QVERIFY(!w->ctlReconnect->Waiting());
        f.Clock.Advance(120000);
        QCOMPARE(Started(f), QStringList{HrefA});
    }

    // A playlist link's entries: the next one at once when one fails before
    // it played, and the one that played again after a drop.
    void playlistEntriesInTurn()
    {
        TFakeStreamResolver resolver; // outlives the window, which cancels it when it closes
        TMainWindowFixture f;
        const QString entry1 = u"http://127.0.0.1/1.mp3"_s, entry2 = u"http://127.0.0.1/2.mp3"_s;
        resolver.Answers.insert(HrefA, TStreamCandidates{{entry1, entry2}, skWindowsMedia});
        f.Resolver = &resolver;
        TwinMain* w = OpenStation(f);
        w->actPlay->trigger();
        Fails(f);
        QCOMPARE(Started(f), (QStringList{entry1, entry2}));
        Playing(f, 128);
        Fails(f);
        QCOMPARE(w->HintPanelText(0), u"连接已断开，1秒后重新连接"_s);
        f.Clock.Advance(1000);
        QCOMPARE(Started(f), (QStringList{entry1, entry2, entry2}));
        QCOMPARE(resolver.Asked, QStringList{HrefA}); // the playlist is not fetched again
    }

    void wakingFromSleepPlaysAgain()
    {
        TMainWindowFixture f;
        TwinMain* w = OpenStation(f);
        w->ResumeAfterSleep();
        QVERIFY(Started(f).isEmpty());
        w->actPlay->trigger();
        Playing(f, 128);
        w->ResumeAfterSleep();
        QCOMPARE(Started(f), (QStringList{HrefA, HrefA}));
        QCOMPARE(w->HintPanelText(2), u"正在连接"_s);
        w->actStop->trigger();
        w->ResumeAfterSleep();
        QCOMPARE(Started(f).size(), 2);
    }
};

QTEST_MAIN(TestMainReconnect)
#include "test_main_reconnect.moc"
