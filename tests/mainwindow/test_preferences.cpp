#include "TestHome.h"
#include "libPreferences.h"
#include "libRegistry.h"
#include "libShell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

class TestPreferences : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void defaults()
    {
        TTestHome home;
        const TPreferences prefs;
        QCOMPARE(prefs.Flag(Pref::MSNTitle), true);
        QCOMPARE(prefs.Flag(Pref::AutoPlay), false);
        QCOMPARE(prefs.Number(Pref::Panel), 2);
        QCOMPARE(prefs.Number(Pref::Volume), 88);
        QCOMPARE(prefs.Number(Pref::BarText), 1);
        QCOMPARE(prefs.Text(Pref::Theme), u"Default"_qs);
        QCOMPARE(prefs.Text(Pref::Radio), DefaultStationFile());
        QCOMPARE(prefs.Flag(Pref::Notify), true);
        QCOMPARE(prefs.Flag(Pref::Reconnect), true);
    }

    // A hand-edited file: each damaged value falls back to its own default,
    // and the good ones around it are kept.
    void damagedValuesCountAsMissing()
    {
        TTestHome home;
        QDir().mkpath(QFileInfo(home.ConfigFile()).absolutePath());
        QFile file(home.ConfigFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("AutoPlay=yes please\nPanel=links\nVolume=40\nTopMost=1\nTheme=OfficeXP\nBarText=2\n");
        file.close();
        TExeRegistry registry;
        QVERIFY(registry.OpenProgramKey());
        const TPreferences prefs = TPreferences::Read(registry);
        QCOMPARE(prefs.Flag(Pref::AutoPlay), false);
        QCOMPARE(prefs.Number(Pref::Panel), 2);
        QCOMPARE(prefs.Number(Pref::Volume), 40);
        QCOMPARE(prefs.Flag(Pref::TopMost), true);
        QCOMPARE(prefs.Text(Pref::Theme), u"OfficeXP"_qs);
        QCOMPARE(prefs.Number(Pref::BarText), 2);
    }

    // What is written reads back the same; AutoMini belongs to the options
    // dialog and is never written here.
    void roundTrip()
    {
        TTestHome home;
        TPreferences prefs;
        prefs.Set(Pref::AutoPlay, true);
        prefs.Set(Pref::MSNTitleMode, 1);
        prefs.Set(Pref::Columns, false);
        prefs.Set(Pref::Volume, 12);
        prefs.Set(Pref::Radio, u"/站/经济之声.radio"_qs);
        prefs.Set(Pref::AutoMini, true);
        prefs.Set(Pref::Reconnect, false);
        {
            TExeRegistry registry;
            QVERIFY(registry.OpenProgramKey());
            prefs.Write(registry);
            registry.CloseKey();
        }
        QSettings stored(home.ConfigFile(), TExeRegistry::Format());
        QVERIFY(!stored.contains(Pref::AutoMini));
        TExeRegistry registry;
        QVERIFY(registry.OpenProgramKey());
        const TPreferences back = TPreferences::Read(registry);
        for (const TPreference& row : MainPreferences()) {
            if (!row.WrittenAtExit)
                continue;
            QCOMPARE(back.Text(row.Key), prefs.Text(row.Key));
        }
        QCOMPARE(back.Flag(Pref::AutoMini), false);
    }

    void unknownKeyRefused()
    {
        TPreferences prefs;
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, prefs.Set(u"Voluem"_qs, 3));
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
