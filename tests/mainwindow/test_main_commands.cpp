// The window's command list as the tool bar, the tray and the options dialog
// use it: order, names, pictures, tags, and the options applied on the live
// window.

#include "MainWindowFixture.h"

#include "libNowPlaying.h"
#include "vclSetup.h"
#include "vclShell.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include <QAction>
#include <QScrollArea>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTreeWidget>

class TestMainCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void listOrderPicturesAndTags()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        // The tool bar's candidates, then the first command without a picture.
        const QList<QPair<QString, int>> candidates = {
            {u"actNew"_qs, 1},      {u"actOpen"_qs, 1},  {u"actSave"_qs, 1},    {u"actSaveAs"_qs, 0},
            {u"actCopyLink"_qs, 0}, {u"actEdit"_qs, 1},  {u"actMenu"_qs, 1},    {u"actPlay"_qs, -1},
            {u"actStop"_qs, 1},     {u"actMute"_qs, 1},  {u"actVolume"_qs, -1}, {u"actLinks"_qs, 1},
            {u"actSetup"_qs, -1},   {u"actClub"_qs, -1}, {u"actHelp"_qs, 1},
        };
        QVERIFY(w->actList.size() > candidates.size());
        for (int i = 0; i < candidates.size(); ++i) {
            const QAction* action = w->actList[i];
            QCOMPARE(action->objectName(), candidates[i].first);
            QCOMPARE(action->property("picture").toInt(), i);
            QCOMPARE(action->property("tag").toInt(), candidates[i].second);
        }
        QCOMPARE(w->actList[candidates.size()]->objectName(), u"actOpenLib"_qs);
        QCOMPARE(w->actList[candidates.size() + 1]->objectName(), u"actSearchLib"_qs);
        for (qsizetype i = candidates.size(); i < w->actList.size(); ++i)
            QCOMPARE(w->actList[i]->property("picture").toInt(), -1);

        // Every named member is the command of its own name, once.
        const QList<QAction*> members = {
            w->actNew,     w->actOpen,     w->actSave,    w->actSaveAs,      w->actClose,    w->actEdit,
            w->actExit,    w->actPlay,     w->actStop,    w->actAddLink,     w->actEditLink, w->actCopyLink,
            w->actDelLink, w->actFullView, w->actMute,    w->actVolume,      w->actLinks,    w->actHome,
            w->actMenu,    w->actBarTool,  w->actBarLock, w->actBarReset,    w->actCust,     w->actBarHint,
            w->actTopMost, w->actInsTray,  w->actShow,    w->actCheckUpdate, w->actDownload, w->actAssociate,
            w->actSetup,   w->actHelp,     w->actKestrel, w->actClub,        w->actOpenLib,  w->actSearchLib,
            w->actAbout};
        QCOMPARE(members.size(), w->actList.size());
        for (QAction* action : members) {
            QVERIFY(action);
            QCOMPARE(f.Command(action->objectName()), action);
        }
        QCOMPARE(f.Command(u"actCopyLink"_qs)->toolTip(), u"复制"_qs);
        QCOMPARE(f.Command(u"actClub"_qs)->toolTip(), u"听友会"_qs);
    }

    // The panel switch goes by the command that was used.
    void panelCommandsBySender()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        f.Command(u"actVolume"_qs)->trigger();
        QCOMPARE(w->Panel(), 0);
        QCOMPARE(w->boxClient->currentWidget(), static_cast<QWidget*>(w->boxMixer));
        f.Command(u"actLinks"_qs)->trigger();
        QCOMPARE(w->Panel(), 1);
        QCOMPARE(w->boxClient->currentWidget(), static_cast<QWidget*>(w->boxLinks));
    }

    // The options dialog's way in: options out, applied through the commands,
    // kept at exit.
    void optionsAppliedOnTheLiveWindow()
    {
        TMainWindowFixture f;
        OverrideSystemTrayAvailable(true);
        TwinMain* w = f.Create();
        IWindowOptions& target = *w;
        TWindowOptions options = target.Options();
        QCOMPARE(options, TWindowOptions());
        QSignalSpy topMost(w->actTopMost, &QAction::triggered);
        options.TopMost = true;
        options.InsTray = false;
        options.AutoPlay = true;
        options.MSNTitleMode = 7; // anything but 1 is the station name
        options.Reconnect = false;
        target.ApplyOptions(options);
        QCOMPARE(topMost.count(), 1);
        QVERIFY(w->actTopMost->isChecked());
        QVERIFY(!w->actInsTray->isChecked());
        options.MSNTitleMode = 0;
        QCOMPARE(target.Options(), options);
        target.ApplyOptions(options);
        QCOMPARE(topMost.count(), 1); // unchanged: not toggled again
        f.Destroy();
        OverrideSystemTrayAvailable(std::nullopt);
        QCOMPARE(f.StoredPreference(u"TopMost"_qs).toInt(), 1);
        QCOMPARE(f.StoredPreference(u"InsTray"_qs).toInt(), 0);
        QCOMPARE(f.StoredPreference(u"AutoPlay"_qs).toInt(), 1);
        QCOMPARE(f.StoredPreference(u"Reconnect"_qs).toInt(), 0);
    }

    // The options dialog opens modally on the live window: a hand-over waits
    // meanwhile, and what it applies reaches the window's commands.
    void optionsDialogOnTheLiveWindow()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        bool sawModal = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TwinSetup*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            sawModal = w->InModal();
            QVERIFY(!dialog->chkTopMost->isChecked());
            dialog->chkTopMost->click();
            dialog->btnOK->click();
        });
        f.Command(u"actSetup"_qs)->trigger();
        QVERIFY(sawModal);
        QVERIFY(!w->InModal());
        QVERIFY(w->actTopMost->isChecked());
    }

    // The status bar shows what the now-playing model says.
    void statusBarFollowsTheModel()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        QCOMPARE(w->HintPanelText(2), w->NowPlaying()->Panels().Texts[2]);
        QCOMPARE(w->NowPlaying()->Tip(), w->windowTitle());
    }
};

QTEST_MAIN(TestMainCommands)
#include "test_main_commands.moc"
