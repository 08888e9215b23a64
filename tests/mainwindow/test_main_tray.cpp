// The tray icon's menu, the window's minimise and restore, the tip and the
// messenger record, with and without a system tray.

#include "MainWindowFixture.h"

#include "libNowPlaying.h"
#include "vclShell.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

const QString HrefA = u"mms://127.0.0.1/a"_s;

TwinMain* OpenStation(TMainWindowFixture& f, bool withLinks = true)
{
    QList<QPair<QString, QString>> links;
    if (withLinks)
        links = {{u"一"_s, HrefA}, {u"二"_s, u"mms://127.0.0.1/b"_s}};
    return f.Create({f.WriteStation(u"s.radio"_s, u"甲台"_s, links)});
}

void Report(TMainWindowFixture& f, int engineState, const QString& title = QString())
{
    TFakeWindowsMedia* engine = f.Engines.WindowsMedia;
    QVERIFY(engine);
    engine->State = engineState;
    engine->BitRate = 128000;
    engine->Title = title;
    f.Window->ctlPlayer->Poll();
}

QString RecordText(const QByteArray& record)
{
    QString text;
    for (int i = 0; i + 1 < record.size(); i += 2) {
        const char16_t unit = char16_t(quint8(record[i]) | quint8(record[i + 1]) << 8);
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

// A tray for the whole test, as a desktop with a notification area has.
struct TTrayScope
{
    explicit TTrayScope(bool available) { OverrideSystemTrayAvailable(available); }
    ~TTrayScope() { OverrideSystemTrayAvailable(std::nullopt); }
};

} // namespace

class TestMainTray : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void menuMirrorsTheCommandsWithoutShortcutTexts()
    {
        TTrayScope tray(true);
        TMainWindowFixture f;
        TwinMain* w = OpenStation(f);
        QStringList items;
        for (QAction* item : w->popTray->actions())
            items << (item->isSeparator() ? u"|"_s : item->menu() ? item->menu()->objectName() : item->objectName());
        QCOMPARE(items, (QStringList{u"popRecent"_s, u"actOpen"_s, u"|"_s, u"popLinks"_s, u"|"_s, u"actPlay"_s,
                                     u"actStop"_s, u"actMute"_s, u"|"_s, u"actShow"_s, u"actExit"_s}));
        for (QAction* item : w->popTray->actions())
            QVERIFY(item->shortcut().isEmpty());
        QCOMPARE(w->actPlay->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Return));

        // The items run the commands and show their state.
        QAction* mute = w->popTray->findChild<QAction*>(u"actMute"_s);
        QVERIFY(mute && mute->isCheckable());
        mute->trigger();
        QVERIFY(w->actMute->isChecked());
        QVERIFY(mute->isChecked());
        w->actMute->trigger();
        QVERIFY(!mute->isChecked());
        QAction* play = w->popTray->findChild<QAction*>(u"actPlay"_s);
        play->trigger();
        QVERIFY(f.Engines.WindowsMedia);
        QCOMPARE(w->ctlPlayer->State(), psConnecting);
        // Ctrl+Enter still plays in the window.
        w->actStop->trigger();
        w->boxLinks->setFocus();
        QTest::keyClick(w->boxLinks, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(w->ctlPlayer->State(), psConnecting);
        QVERIFY(play->isEnabled());
        w->actClose->trigger();
        QVERIFY(!play->isEnabled());
    }

    void submenusAreRefilledBeforeOpening()
    {
        TTrayScope tray(true);
        TMainWindowFixture f;
        TwinMain* w = OpenStation(f);
        w->popTrayPopup();
        QCOMPARE(w->popLinks->title(), u"甲台"_s);
        QVERIFY(w->popLinks->menuAction()->isEnabled());
        QCOMPARE(w->popLinks->actions().size(), 2);
        QVERIFY(w->popLinks->actions()[0]->isChecked());
        // A recent file of the station itself, copied with caption and hint.
        QCOMPARE(w->popRecent->actions().size(), w->subRecent->actions().size());
        QCOMPARE(w->popRecent->actions()[0]->statusTip(), w->FileName());

        // The second link chosen from the tray plays it.
        w->boxLinks->setCurrentItem(w->boxLinks->topLevelItem(0));
        w->popLinks->actions()[1]->trigger();
        QCOMPARE(w->Radio()->Link(), 1);
        QCOMPARE(f.Engines.WindowsMedia->URL, u"mms://127.0.0.1/b"_s);

        w->actClose->trigger();
        w->popTrayPopup();
        QCOMPARE(w->popLinks->title(), u"没有打开任何电台"_s);
        QVERIFY(!w->popLinks->menuAction()->isEnabled());
    }

    void minimiseHidesOnlyWithATray_data()
    {
        QTest::addColumn<bool>("trayExists");
        QTest::addColumn<bool>("iconOn");
        QTest::addColumn<bool>("hidden");
        QTest::newRow("tray and icon") << true << true << true;
        QTest::newRow("icon off") << true << false << false;
        QTest::newRow("no tray") << false << true << false;
    }
    void minimiseHidesOnlyWithATray()
    {
        QFETCH(bool, trayExists);
        QFETCH(bool, iconOn);
        QFETCH(bool, hidden);
        TTrayScope tray(trayExists);
        TMainWindowFixture f;
        f.Preference(u"InsTray"_s, iconOn);
        TwinMain* w = f.Create();
        QVERIFY(w->isVisible());
        w->setWindowState(Qt::WindowMinimized);
        QTest::qWait(20);
        QCOMPARE(w->isHidden(), hidden);

        if (!hidden)
            return;
        // A click on the icon brings it back; a second one sends it away again.
        TTrayIcon* icon = TrayIcon();
        QVERIFY(icon);
        Q_EMIT icon->LeftClicked();
        QVERIFY(w->isVisible());
        QVERIFY(!w->isMinimized());
        Q_EMIT icon->LeftClicked();
        QTest::qWait(20);
        QVERIFY(w->isHidden());
        w->actShow->trigger();
        QVERIFY(w->isVisible());
    }

    // Turning the icon off and on again makes a new icon; its clicks and
    // menu reach the window too.
    void iconMadeLaterIsConnected()
    {
        TTrayScope tray(true);
        TMainWindowFixture f;
        f.Preference(u"InsTray"_s, false);
        TwinMain* w = f.Create();
        w->actInsTray->trigger();
        TTrayIcon* icon = TrayIcon();
        QVERIFY(icon);
        QCOMPARE(icon->Icon()->contextMenu(), w->popTray);
        w->hide();
        Q_EMIT icon->LeftClicked();
        QVERIFY(w->isVisible());
    }

    void tipAndMessengerRecords()
    {
        TTrayScope tray(true);
        TMainWindowFixture f;
        f.Preference(u"MSNTitle"_s, true);
        f.Preference(u"MSNTitleMode"_s, 0);
        TwinMain* w = OpenStation(f);
        // Stopped: the caption, also with the status bar hidden.
        w->actBarHint->trigger();
        QCOMPARE(TrayIcon()->Icon()->toolTip(), w->windowTitle());

        const QString show = u"\\0Music\\01\\0甲台\\0WMContentID"_s;
        const QString withdraw = u"\\0Music\\00\\0\\0\\0\\0\\0"_s;
        w->actPlay->trigger();
        Report(f, IWindowsMediaEngine::wmppsPlaying, u"早间新闻"_s);
        QCOMPARE(RecordText(f.Messenger.Records.last()), show);
        QCOMPARE(TrayIcon()->Icon()->toolTip(), u"早间新闻\r\n正在播放\r\n128千比特/秒"_s);
        w->actStop->trigger();
        QCOMPARE(RecordText(f.Messenger.Records.last()), withdraw);

        // The programme as the title: without one the record is withdrawn
        // although the station plays.
        TWindowOptions options = w->Options();
        options.MSNTitleMode = 1;
        w->ApplyOptions(options);
        w->actPlay->trigger();
        Report(f, IWindowsMediaEngine::wmppsPlaying);
        QCOMPARE(w->ctlPlayer->State(), psPlaying);
        QCOMPARE(RecordText(f.Messenger.Records.last()), withdraw);
        Report(f, IWindowsMediaEngine::wmppsPlaying, u"早间新闻"_s);
        QCOMPARE(RecordText(f.Messenger.Records.last()), u"\\0Music\\01\\0早间新闻\\0WMContentID"_s);

        // The program withdraws its message when it ends.
        f.Destroy();
        QCOMPARE(RecordText(f.Messenger.Records.last()), withdraw);
    }
};

QTEST_MAIN(TestMainTray)
#include "test_main_tray.moc"
