// The main window's tool bar: built at start-up from the command list and the
// layout file, written at exit, its text option kept in BarText, its commands
// in the view menu and the dock's context menu, and the customisation dialog.

#include "MainWindowFixture.h"

#include "libText.h"
#include "libToolbar.h"
#include "vclToolbar.h"
#include "vclToolbarBuild.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>

namespace {

// The bar's shown items: the buttons' command names, "|" for a separator.
QString Shown(const QToolBar* bar) { return LayoutLines(ToolbarItems(bar)).join(u' '); }

const QString DefaultLayout = u"actNew actOpen actSave actEdit actMenu | actPlay actStop actMute | actVolume "
                              u"actLinks | actSetup | actClub actHelp"_qs;

QString LayoutFile() { return ComponentFilePath(u"winMain"_qs, u"barTool"_qs); }

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestMainToolbar : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstStartBuildsTheDefaultAndExitWritesIt()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        QCOMPARE(Shown(w->barTool), DefaultLayout);
        QCOMPARE(ToolbarTextOption(w->barTool), 1);
        // Every candidate has its button, the hidden ones too, with the
        // command's picture; the menu items show the same pictures.
        for (int i = 0; i < 15; ++i) {
            QAction* command = w->actList[i];
            const QAction* button = w->barTool->findChild<QAction*>(u"btn"_qs + command->objectName());
            QVERIFY2(button, qPrintable(command->objectName()));
            QCOMPARE(ButtonCommand(button), command);
            QVERIFY(!command->icon().isNull());
            QCOMPARE(button->icon().cacheKey(), command->icon().cacheKey());
        }
        QVERIFY(w->actOpenLib->icon().isNull());
        QVERIFY(!w->barTool->findChild<QAction*>(u"btnactSaveAs"_qs)->isVisible());
        QCOMPARE(w->barTool->findChild<QAction*>(u"btnactCopyLink"_qs)->iconText(), u"复制"_qs);
        QVERIFY(!QFile::exists(LayoutFile()));

        f.Destroy();
        QCOMPARE(FileBytes(LayoutFile()), QByteArray("actNew\r\nactOpen\r\nactSave\r\nactEdit\r\nactMenu\r\n|\r\n"
                                                     "actPlay\r\nactStop\r\nactMute\r\n|\r\nactVolume\r\nactLinks\r\n"
                                                     "|\r\nactSetup\r\n|\r\nactClub\r\nactHelp\r\n"));
        QCOMPARE(f.StoredPreference(Pref::BarText).toInt(), 1);
    }

    void startAppliesTheLayoutFile()
    {
        TMainWindowFixture f;
        QDir().mkpath(QFileInfo(LayoutFile()).absolutePath());
        QFile file(LayoutFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("actHelp\r\nactOpenLib\r\nactNew\r\n");
        file.close();
        TwinMain* w = f.Create();
        QCOMPARE(Shown(w->barTool), u"actHelp actNew"_qs);
        QCOMPARE(w->barTool->actions().size(), 15);
        f.Destroy();
        QCOMPARE(FileBytes(LayoutFile()), QByteArray("actHelp\r\nactNew\r\n"));

        // A window that never started has an empty bar, which must not
        // replace the user's layout.
        f.Window = std::make_unique<TwinMain>(f.Services());
        f.Destroy();
        QCOMPARE(FileBytes(LayoutFile()), QByteArray("actHelp\r\nactNew\r\n"));
    }

    void barTextPreference_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("option");
        QTest::addColumn<Qt::ToolButtonStyle>("style");
        QTest::newRow("none: 1") << QVariant() << 1 << Qt::ToolButtonTextBesideIcon;
        QTest::newRow("0") << QVariant(0) << 0 << Qt::ToolButtonIconOnly;
        QTest::newRow("2") << QVariant(2) << 2 << Qt::ToolButtonTextUnderIcon;
        // Hand-edited values show and tick as their nearest option.
        QTest::newRow("above 2") << QVariant(9) << 2 << Qt::ToolButtonTextUnderIcon;
        QTest::newRow("negative") << QVariant(-4) << 0 << Qt::ToolButtonIconOnly;
    }
    void barTextPreference()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, option);
        QFETCH(Qt::ToolButtonStyle, style);
        TMainWindowFixture f;
        if (stored.isValid())
            f.Preference(Pref::BarText, stored.toInt());
        TwinMain* w = f.Create();
        QCOMPARE(ToolbarTextOption(w->barTool), option);
        QCOMPARE(w->barTool->toolButtonStyle(), style);
        w->subBarText->aboutToShow();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(w->subBarText->actions()[i]->isChecked(), i == option);
        f.Destroy();
        QCOMPARE(f.StoredPreference(Pref::BarText).toInt(), option);
    }

    // The layout file that cannot be written costs nothing else of the closing.
    void unwritableLayoutFileKeepsTheOtherClosingSteps()
    {
        TMainWindowFixture f;
        const QString station = f.WriteStation(u"a.radio"_qs, u"甲台"_qs, {});
        TwinMain* w = f.Create({station});
        w->barPlayer->setValue(61);
        SetToolbarTextOption(2, w->barTool);
        QVERIFY(QDir().mkpath(LayoutFile()));
        f.Boxes.Answer(mrOk);
        f.Destroy();
        QCOMPARE(f.Boxes.Questions().size(), 1);
        QVERIFY(f.Boxes.Questions().first().Text.startsWith(u"发生未预料的错误:\r\n"_qs));
        QCOMPARE(f.StoredPreference(Pref::Volume).toInt(), 61);
        QCOMPARE(f.StoredPreference(Pref::BarText).toInt(), 2);
        QVERIFY(FileBytes(ComponentFilePath(u"winMain"_qs, u"subRecent"_qs)).startsWith(ToGbk(station)));
    }

    void viewMenuAndDockMenu()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        QCOMPARE(w->subView->actions().first(), w->subDock->menuAction());
        QCOMPARE(w->subDock->title(), u"工具栏(&T)"_qs);
        QCOMPARE(w->subBarText->title(), u"文字选项(&X)"_qs);
        const QList<QAction*> items = w->subDock->actions();
        QCOMPARE(items.size(), 7);
        QCOMPARE(items[0], w->actBarTool);
        QVERIFY(items[1]->isSeparator());
        QCOMPARE(items[2], w->subBarText->menuAction());
        QCOMPARE(items[3], w->actBarLock);
        QCOMPARE(items[4], w->actBarReset);
        QVERIFY(items[5]->isSeparator());
        QCOMPARE(items[6], w->actCust);
        QCOMPARE(w->popDock->actions(), items);

        QStringList captions;
        for (const QAction* item : w->subBarText->actions())
            captions.append(item->text());
        QCOMPARE(captions, ToolbarTextOptionNames());
        w->subBarText->actions()[2]->trigger();
        QCOMPARE(ToolbarTextOption(w->barTool), 2);
        QCOMPARE(w->barTool->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        // Changed elsewhere, ticked afresh when the menu opens.
        SetToolbarTextOption(0, w->barTool);
        w->subBarText->aboutToShow();
        QVERIFY(w->subBarText->actions()[0]->isChecked());

        // A right click on either bar of the dock opens popDock.
        for (QWidget* dock : {static_cast<QWidget*>(w->menuBar()), static_cast<QWidget*>(w->barTool)}) {
            dock->customContextMenuRequested(QPoint(2, 2));
            QTRY_VERIFY(w->popDock->isVisible());
            w->popDock->hide();
        }
    }

    void showAndLock()
    {
        TMainWindowFixture f;
        f.Preference(Pref::BarLock, true);
        TwinMain* w = f.Create();
        QVERIFY(!w->barTool->isMovable());
        w->actBarLock->trigger();
        QVERIFY(w->barTool->isMovable());
        w->actBarTool->trigger();
        QVERIFY(!w->barTool->isVisible());
        w->actBarTool->trigger();
        QVERIFY(w->barTool->isVisible());
    }

    void resetCommand()
    {
        TMainWindowFixture f;
        f.Preference(Pref::BarText, 2);
        TwinMain* w = f.Create();
        w->barTool->findChild<QAction*>(u"btnactNew"_qs)->setVisible(false);
        SaveToolbar(w->barTool);
        QVERIFY(QFile::exists(LayoutFile()));
        w->actBarReset->trigger();
        QCOMPARE(Shown(w->barTool), DefaultLayout);
        QCOMPARE(ToolbarTextOption(w->barTool), 0);
        QVERIFY(!QFile::exists(LayoutFile()));
        f.Destroy();
        QCOMPARE(f.StoredPreference(Pref::BarText).toInt(), 0);
        QVERIFY(QFile::exists(LayoutFile()));
    }

    // The dialog is modal on the live bar; the file changes only at exit.
    void customiseWorksOnTheBar()
    {
        TMainWindowFixture f;
        TwinMain* w = f.Create();
        bool seen = false;
        QTimer::singleShot(0, w, [&] {
            auto* dialog = qobject_cast<TwinToolbar*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            seen = true;
            QVERIFY(w->InModal());
            QCOMPARE(dialog->parentWidget(), w);
            dialog->boxShow->setCurrentRow(0);
            QTest::mouseClick(dialog->btnDelete, Qt::LeftButton);
            QCOMPARE(Shown(w->barTool), QString(DefaultLayout).remove(u"actNew "_qs));
            QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
        });
        w->actCust->trigger();
        QVERIFY(seen);
        QVERIFY(!w->InModal());
        QVERIFY(!QFile::exists(LayoutFile()));
        f.Destroy();
        QVERIFY(!FileBytes(LayoutFile()).contains("actNew"));
    }
};

QTEST_MAIN(TestMainToolbar)
#include "test_main_toolbar.moc"
