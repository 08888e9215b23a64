// Start-up and shutdown of the main window: preferences, the first station,
// hand-over, and a shutdown that keeps going when one of its steps fails.

#include "MainWindowFixture.h"

#include "ctlRadioPlayer.h"
#include "libError.h"
#include "libRadio.h"
#include "libShell.h"
#include "libText.h"
#include "vclShell.h"

#include <QAction>
#include <QSettings>
#include <QSlider>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTreeWidget>

class TestMainStartup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstRunOpensTheDefaultStation();
    void argumentWinsOverTheRememberedStation();
    void missingRememberedStationOpensNothingQuietly();
    void volumePreferenceIsLimited_data();
    void volumePreferenceIsLimited();
    void preferencesSurviveARestart();
    void unreadableStoreKeepsTheDesignStates();
    void wronglyTypedValuesReadAsMissing();
    void startsInTheTrayOnlyWhenOneExists_data();
    void startsInTheTrayOnlyWhenOneExists();
    void forwardedFilesOpenOnlyTheFirst();
    void shutdownGoesOnAfterAFailedStep();
    void exceptionsReachTheErrorBox();
};

void TestMainStartup::firstRunOpensTheDefaultStation()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    QVERIFY(w->Radio());
    QCOMPARE(w->FileName(), DefaultStationFile());
    QCOMPARE(w->windowTitle(), w->Radio()->DisplayText() + QStringLiteral(" - Kestrel收音机"));
    QCOMPARE(w->barPlayer->value(), 88);
    QVERIFY(w->boxClient->currentWidget() == w->boxLinks);
    QVERIFY(w->isVisible());
    QVERIFY(f.Boxes.Questions().isEmpty());
    // The player's state shows before it has reported anything.
    QCOMPARE(w->HintPanelText(2), QStringLiteral("已经停止"));
}

void TestMainStartup::argumentWinsOverTheRememberedStation()
{
    TMainWindowFixture f;
    const QString remembered = f.WriteStation(QStringLiteral("a.radio"), QStringLiteral("甲台"), {});
    const QString given = f.WriteStation(QStringLiteral("b.radio"), QStringLiteral("乙台"), {});
    f.Preference(QStringLiteral("Radio"), remembered);

    TwinMain* w = f.Create({given});
    QCOMPARE(w->FileName(), given);
    QCOMPARE(w->Radio()->Text(), QStringLiteral("乙台"));
    f.Destroy();

    QCOMPARE(f.Create()->FileName(), given);
    QCOMPARE(f.Window->Radio()->Text(), QStringLiteral("乙台"));
}

void TestMainStartup::missingRememberedStationOpensNothingQuietly()
{
    TMainWindowFixture f;
    const QString gone = f.Home.Path() + QStringLiteral("/gone.radio");
    f.Preference(QStringLiteral("Radio"), gone);
    TwinMain* w = f.Create();
    QVERIFY(!w->Radio());
    QCOMPARE(w->FileName(), gone);
    QCOMPARE(w->windowTitle(), QStringLiteral("Kestrel收音机"));
    QVERIFY(!w->actSave->isEnabled());
    QVERIFY(f.Boxes.Questions().isEmpty());
}

void TestMainStartup::volumePreferenceIsLimited_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("applied");
    QTest::newRow("above") << 150 << 100;
    QTest::newRow("below") << -5 << 0;
    QTest::newRow("inside") << 40 << 40;
}

void TestMainStartup::volumePreferenceIsLimited()
{
    QFETCH(int, stored);
    QFETCH(int, applied);
    TMainWindowFixture f;
    f.Preference(QStringLiteral("Volume"), stored);
    TwinMain* w = f.Create();
    QCOMPARE(w->barPlayer->value(), applied);
    QCOMPARE(w->ctlPlayer->Volume(), applied);
    f.Destroy();
    QCOMPARE(f.StoredPreference(QStringLiteral("Volume")).toInt(), applied);
}

void TestMainStartup::preferencesSurviveARestart()
{
    TMainWindowFixture f;
    f.Preference(QStringLiteral("AutoMini"), true);
    f.Preference(QStringLiteral("InsTray"), false);
    f.Preference(QStringLiteral("Panel"), 5);
    f.Preference(QStringLiteral("MSNTitleMode"), 1);
    TwinMain* w = f.Create();
    QVERIFY(w->isVisible()); // no tray icon wanted, so never started hidden
    w->actBarHint->trigger();
    w->actFullView->trigger();
    w->actBarLock->trigger();
    w->barPlayer->setValue(33);
    f.Destroy();

    QSettings settings(f.Home.ConfigFile(), TExeRegistry::Format());
    QCOMPARE(settings.value(QStringLiteral("BarHint")).toInt(), 0);
    QCOMPARE(settings.value(QStringLiteral("Columns")).toInt(), 0);
    QCOMPARE(settings.value(QStringLiteral("BarLock")).toInt(), 1);
    QCOMPARE(settings.value(QStringLiteral("Panel")).toInt(), 5); // passed through unchanged
    QCOMPARE(settings.value(QStringLiteral("MSNTitleMode")).toInt(), 1);
    QCOMPARE(settings.value(QStringLiteral("Volume")).toInt(), 33);

    w = f.Create();
    QVERIFY(!w->actBarHint->isChecked());
    QVERIFY(!w->barHint->isVisible());
    QVERIFY(!w->actFullView->isChecked());
    QVERIFY(w->actBarLock->isChecked());
    QVERIFY(!w->actInsTray->isChecked());
    QCOMPARE(w->barPlayer->value(), 33);
    f.Destroy();
    // The options dialog owns AutoMini; the window never writes it.
    QCOMPARE(f.StoredPreference(QStringLiteral("AutoMini")).toInt(), 1);
}

void TestMainStartup::unreadableStoreKeepsTheDesignStates()
{
    TMainWindowFixture f;
    f.Preference(QStringLiteral("Volume"), 20);
    QFile::remove(f.Home.ConfigFile());
    QVERIFY(QDir().mkpath(f.Home.ConfigFile())); // a folder where the file should be

    TwinMain* w = f.Create();
    QVERIFY(!w->Radio());
    QVERIFY(w->FileName().isEmpty());
    QCOMPARE(w->barPlayer->value(), 88);
    QCOMPARE(w->ctlPlayer->Volume(), 88); // what the slider shows is what plays
    QVERIFY(w->actInsTray->isChecked());
    QVERIFY(w->actBarHint->isChecked());
    QVERIFY(!w->actTopMost->isChecked());
    f.Destroy();
    QVERIFY(QFileInfo(f.Home.ConfigFile()).isDir());
}

void TestMainStartup::wronglyTypedValuesReadAsMissing()
{
    TMainWindowFixture f;
    const QString a = f.WriteStation(QStringLiteral("a.radio"), QStringLiteral("甲台"), {});
    const QString b = f.WriteStation(QStringLiteral("b.radio"), QStringLiteral("乙台"), {});
    f.Create({a});
    f.Destroy();
    // Hand-edited: text where numbers belong, a number where text belongs.
    f.Preference(QStringLiteral("Volume"), QStringLiteral("50"));
    f.Preference(QStringLiteral("Columns"), QStringLiteral("yes"));
    f.Preference(QStringLiteral("Theme"), 7);
    {
        TExeRegistry registry;
        QVERIFY(registry.OpenProgramKey(QStringLiteral("winMain")));
        registry.WriteString(QStringLiteral("X"), QStringLiteral("left"));
        registry.WriteInteger(QStringLiteral("W"), 500);
    }

    TwinMain* w = f.Create({b});
    QVERIFY(f.Boxes.Questions().isEmpty());
    QVERIFY(w->isVisible());
    QCOMPARE(w->FileName(), b);
    QCOMPARE(w->barPlayer->value(), 88);
    QCOMPARE(w->ctlPlayer->Volume(), 88);
    QVERIFY(w->actFullView->isChecked());
    QCOMPARE(w->width(), 500); // the values after the damaged one still count
    f.Destroy();
    QCOMPARE(f.StoredPreference(QStringLiteral("Radio")).toString(), b);
    QCOMPARE(ReadListFile(ComponentFilePath(QStringLiteral("winMain"), QStringLiteral("subRecent"))),
             (QStringList{b, a}));
}

void TestMainStartup::startsInTheTrayOnlyWhenOneExists_data()
{
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<bool>("insTray");
    QTest::addColumn<bool>("visible");
    QTest::newRow("tray, icon wanted") << true << true << false;
    QTest::newRow("tray, no icon wanted") << true << false << true;
    QTest::newRow("no tray") << false << true << true;
}

void TestMainStartup::startsInTheTrayOnlyWhenOneExists()
{
    QFETCH(bool, trayAvailable);
    QFETCH(bool, insTray);
    QFETCH(bool, visible);
    OverrideSystemTrayAvailable(trayAvailable);
    TMainWindowFixture f;
    f.Preference(QStringLiteral("AutoMini"), true);
    f.Preference(QStringLiteral("InsTray"), insTray);
    TwinMain* w = f.Create();
    QCOMPARE(w->isVisible(), visible);
    if (!visible) {
        // Hidden in the tray: a click on the icon brings the window back.
        QVERIFY(TrayIcon());
        Q_EMIT TrayIcon()->LeftClicked();
        QVERIFY(w->isVisible());
    }
    f.Destroy();
    OverrideSystemTrayAvailable(std::nullopt);
}

void TestMainStartup::forwardedFilesOpenOnlyTheFirst()
{
    TMainWindowFixture f;
    const QString a = f.WriteStation(QStringLiteral("a.radio"), QStringLiteral("甲台"), {});
    const QString b = f.WriteStation(QStringLiteral("b.radio"), QStringLiteral("乙台"), {});
    TwinMain* w = f.Create();
    w->OpenForwardedFiles({a, b});
    QCOMPARE(w->FileName(), a);

    // A file that cannot be opened changes nothing and says nothing.
    w->OpenForwardedFiles({f.Home.Path() + QStringLiteral("/gone.radio")});
    QCOMPARE(w->FileName(), a);
    QVERIFY(f.Boxes.Questions().isEmpty());
    w->OpenForwardedFiles({});
    QCOMPARE(w->FileName(), a);
    // An empty argument names nothing; the next one is the first file.
    w->OpenForwardedFiles({QString(), b});
    QCOMPARE(w->FileName(), b);
}

void TestMainStartup::shutdownGoesOnAfterAFailedStep()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    w->barPlayer->setValue(61);
    // The recent-files list cannot be written where a folder stands.
    QVERIFY(QDir().mkpath(ComponentFilePath(QStringLiteral("winMain"), QStringLiteral("subRecent"))));
    f.Boxes.Answer(mrOk); // the first failure, shown once
    f.Destroy();

    QCOMPARE(f.Boxes.Questions().size(), 1);
    QCOMPARE(f.Boxes.Questions().first().Icon, TMsgIcon::Error);
    QVERIFY(f.Boxes.Questions().first().Text.startsWith(QStringLiteral("发生未预料的错误:\r\n")));
    QCOMPARE(f.StoredPreference(QStringLiteral("Volume")).toInt(), 61);
    QSettings settings(f.Home.ConfigFile(), TExeRegistry::Format());
    QVERIFY(settings.childGroups().contains(QStringLiteral("winMain"))); // the placement too
}

void TestMainStartup::exceptionsReachTheErrorBox()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    f.Boxes.Answer(mrOk);
    w->Guarded([] { throw EProgramError(QStringLiteral("磁盘已满")); });
    QCOMPARE(f.Boxes.Texts(), QStringList{QStringLiteral("发生未预料的错误:\r\n磁盘已满")});
    QCOMPARE(f.Boxes.Questions().first().Icon, TMsgIcon::Error);
}

QTEST_MAIN(TestMainStartup)
#include "test_main_startup.moc"
