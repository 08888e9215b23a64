// The options dialog over a fake window and a fake desktop installation.

#include "FakeDesktopInstall.h"
#include "FakeMessageBoxes.h"
#include "TestHome.h"
#include "libOptions.h"
#include "libRegistry.h"
#include "vclSetup.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

class TFakeWindow final : public IWindowOptions
{
public:
    TWindowOptions Current;
    QList<TWindowOptions> Applied;
    TWindowOptions Options() const override { return Current; }
    void ApplyOptions(const TWindowOptions& options) override
    {
        Applied << options;
        Current = options;
    }
};

struct TSetupFixture
{
    TTestHome Home;
    TFakeMessageBoxes Boxes;
    TFakeWindow Window;
    TFakeDesktopInstall Install;
    QAction CheckUpdate{u"检查更新版本(&C)"_s};
    QAction Download{u"下载安装程序(&D)"_s};
    QAction Associate{u"修复电台文件关联(&S)"_s};
    std::unique_ptr<TwinSetup> Dialog;

    TwinSetup* Open()
    {
        Dialog =
            std::make_unique<TwinSetup>(nullptr, Window, Install, TSetupCommands{&CheckUpdate, &Download, &Associate});
        Dialog->show();
        return Dialog.get();
    }
    QVariant Stored(const QString& key) const
    {
        return QSettings(Home.ConfigFile(), TExeRegistry::Format()).value(key);
    }
};

} // namespace

class TestSetup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void loadsWhatTheWindowAndTheDesktopHold()
    {
        TSetupFixture f;
        f.Window.Current.TopMost = true;
        f.Window.Current.InsTray = false;
        f.Window.Current.AutoPlay = true;
        f.Window.Current.MSNTitle = false;
        f.Window.Current.MSNTitleMode = 1;
        f.Window.Current.Notify = false;
        f.Window.Current.Reconnect = false;
        f.Install.Session = true;
        {
            TExeRegistry registry;
            QVERIFY(registry.OpenProgramKey());
            registry.WriteBool(u"AutoMini"_s, true);
        }
        TwinSetup* d = f.Open();
        QCOMPARE(d->windowTitle(), u"设置选项"_s);
        QVERIFY(d->chkTopMost->isChecked());
        QVERIFY(!d->chkInsTray->isChecked());
        QVERIFY(d->chkAutoPlay->isChecked());
        QVERIFY(!d->chkMSNTitle->isChecked());
        QVERIFY(d->chkMSNAct->isChecked());
        QVERIFY(!d->chkNotify->isChecked());
        QVERIFY(!d->chkReconnect->isChecked());
        QVERIFY(d->chkAutoRun->isChecked());
        QVERIFY(d->chkAutoMini->isChecked());
        // Greyed with the box, the choice kept.
        QVERIFY(!d->chkMSNAct->isEnabled());
        QVERIFY(!d->chkMSNRadio->isEnabled());
        QVERIFY(!d->btnDO->isEnabled());
    }

    // OK without a change writes nothing anywhere.
    void okWithoutChangesWritesNothing()
    {
        TSetupFixture f;
        TwinSetup* d = f.Open();
        d->btnOK->click();
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QVERIFY(f.Window.Applied.isEmpty());
        QVERIFY(f.Install.Calls.isEmpty());
        QVERIFY(!f.Stored(u"AutoMini"_s).isValid());
    }

    void applyWritesEverySetting()
    {
        TSetupFixture f;
        TwinSetup* d = f.Open();
        QTest::mouseClick(d->chkAutoMini, Qt::LeftButton);
        QVERIFY(d->btnDO->isEnabled());
        d->chkAutoRun->click();
        d->chkTopMost->click();
        // Unticking the title greys the modes and keeps the chosen one.
        d->chkMSNAct->click();
        d->chkMSNTitle->click();
        QVERIFY(!d->chkMSNAct->isEnabled());
        QVERIFY(d->chkMSNAct->isChecked());
        d->btnDO->click();
        QVERIFY(!d->btnDO->isEnabled());
        QCOMPARE(f.Stored(u"AutoMini"_s).toInt(), 1);
        QCOMPARE(f.Install.Calls, QStringList{u"session on"_s});
        QCOMPARE(f.Window.Applied.size(), 1);
        const TWindowOptions applied = f.Window.Applied.first();
        QVERIFY(applied.TopMost);
        QVERIFY(!applied.MSNTitle);
        QCOMPARE(applied.MSNTitleMode, quint8(1));
        QVERIFY(applied.Reconnect); // untouched: as the window had it
        // The last box of the listening group turns reconnecting off.
        QTest::mouseClick(d->chkReconnect, Qt::LeftButton);
        QVERIFY(d->btnDO->isEnabled());
        d->btnDO->click();
        QVERIFY(!f.Window.Applied.last().Reconnect);
        QCOMPARE(d->chkReconnect->parentWidget(), d->chkNotify->parentWidget());

        // Shown again from the store the next time, though no window used it.
        f.Dialog.reset();
        TwinSetup* again = f.Open();
        QVERIFY(again->chkAutoMini->isChecked());
        // Unticked, the entry goes, whatever the desktop held.
        again->chkAutoRun->click();
        QVERIFY(!again->chkAutoRun->isChecked());
        again->btnOK->click();
        QCOMPARE(f.Install.Calls.last(), u"session off"_s);
    }

    void installButtons()
    {
        TSetupFixture f;
        TwinSetup* d = f.Open();
        QVERIFY(d->btnInstall->isEnabled());
        for (QCheckBox* box : {d->chkDESKTOP, d->chkPROGRAM, d->chkQKLUNCH}) {
            QVERIFY(d->btnInstall->isEnabled());
            box->click();
        }
        QVERIFY(!d->btnInstall->isEnabled());
        d->chkQKLUNCH->click();
        QVERIFY(d->btnInstall->isEnabled());
        d->chkDESKTOP->click();

        // A failing kind is reported; the next one is still installed and the
        // dialog stays open.
        f.Install.FailingKind = 1;
        f.Boxes.Answer(mrOk);
        d->btnInstall->click();
        QCOMPARE(f.Install.Calls, (QStringList{u"shortcut 1"_s, u"shortcut 2"_s}));
        QCOMPARE(f.Boxes.Texts().size(), 1);
        QVERIFY(f.Boxes.Texts().first().contains(u"无法创建快捷方式"_s));
        QVERIFY(d->isVisible());
    }

    // The buttons run the window's commands; a disabled one does nothing.
    void commandButtons()
    {
        TSetupFixture f;
        TwinSetup* d = f.Open();
        int associate = 0, check = 0, download = 0;
        QObject::connect(&f.Associate, &QAction::triggered, [&] { ++associate; });
        QObject::connect(&f.CheckUpdate, &QAction::triggered, [&] { ++check; });
        QObject::connect(&f.Download, &QAction::triggered, [&] { ++download; });
        d->btnAssociate->click();
        d->Button3->click();
        d->Button1->click();
        f.CheckUpdate.setEnabled(false);
        d->Button3->click();
        QCOMPARE(associate, 1);
        QCOMPARE(check, 1);
        QCOMPARE(download, 1);
    }
};

QTEST_MAIN(TestSetup)
#include "test_setup.moc"
