// Station document commands of the main window: the unsaved-changes question,
// open, save, new, close, export, the recent-files list and the window state.

#include "MainWindowFixture.h"

#include "TestSupport.h"
#include "libConst.h"
#include "libRadio.h"
#include "libShell.h"
#include "libText.h"

#include <QAction>
#include <QFontMetrics>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

const QString SProduct = QStringLiteral("Kestrel收音机");
const QString SAskSave = QStringLiteral("当前电台内容已发生改变或尚未保存到文件。您希望将\r\n它保存到文件吗？");

QString RecentListFile() { return ComponentFilePath(QStringLiteral("winMain"), QStringLiteral("subRecent")); }

// An editor answer that renames the station and accepts.
TFakeEditors::TRadioAnswer Rename(const QString& name)
{
    return [name](TRadio* radio) {
        radio->SetText(name);
        return int(mrOk);
    };
}

// Makes the open document modified through the station editor.
void Modify(TMainWindowFixture& f, const QString& name)
{
    f.Editors.AnswerRadio(Rename(name));
    f.Window->actEdit->trigger();
    QVERIFY(f.Window->Modified());
}

} // namespace

class TestMainDocument : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void unsavedChangesQuestion_data();
    void unsavedChangesQuestion();
    void newStationCancelledLeavesTheDocument();
    void saveAsForcesTheExtensionAndRemembersTheFolder();
    void failedSaveKeepsTheChanges();
    void saveBesideAnotherExtensionAsks();
    void failedOpenKeepsTheDocument_data();
    void failedOpenKeepsTheDocument();
    void openDialogRemembersItsFolder();
    void autoPlayStartsTheOpenedStation();
    void recentFilesOneEntryPerPathAndEightAtMost();
    void recentItemsOpenTheirPath();
    void recentListFileLoadedWholeAndWrittenAtExit();
    void exportWritesTheChosenKind_data();
    void exportWritesTheChosenKind();
    void exportFailureReachesTheErrorBox();
    void commandStatesFollowTheDocument();
    void exitAsksAboutUnsavedChanges_data();
    void exitAsksAboutUnsavedChanges();
};

void TestMainDocument::unsavedChangesQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("saveDialog"); // empty: no save dialog; {""}: cancelled
    QTest::addColumn<bool>("opened");
    QTest::newRow("cancel keeps everything") << int(mrCancel) << QStringList{} << false;
    QTest::newRow("no drops the changes") << int(mrNo) << QStringList{} << true;
    QTest::newRow("yes, save dialog cancelled") << int(mrYes) << QStringList{QString()} << false;
    QTest::newRow("yes, saved first") << int(mrYes) << QStringList{QStringLiteral("kept")} << true;
}

void TestMainDocument::unsavedChangesQuestion()
{
    QFETCH(int, answer);
    QFETCH(QStringList, saveDialog);
    QFETCH(bool, opened);
    TMainWindowFixture f;
    const QString other = f.WriteStation(QStringLiteral("other.radio"), QStringLiteral("乙台"), {});
    TwinMain* w = f.Create();

    // A new station: modified and without a file, so saving needs the dialog.
    f.Editors.AnswerRadio(Rename(QStringLiteral("甲台")));
    f.Editors.AnswerLink([](TRadioLink*) { return int(mrCancel); });
    w->actNew->trigger();
    QVERIFY(f.Boxes.Questions().isEmpty()); // the started station was clean
    QVERIFY(w->FileName().isEmpty());
    QCOMPARE(w->windowTitle(), QStringLiteral("甲台* - ") + SProduct);

    f.Boxes.Answer(answer);
    for (const QString& name : saveDialog)
        f.FileDialogs.Answer(name.isEmpty() ? name : f.Home.Path() + u'/' + name);
    if (opened)
        f.FileDialogs.Answer(other);
    w->actOpen->trigger();

    QCOMPARE(f.Boxes.Texts(), QStringList{SAskSave});
    QCOMPARE(f.Boxes.Questions().first().Kind, TFakeMessageBoxes::YesNoCancel);
    QCOMPARE(f.FileDialogs.PendingAnswers(), 0);
    QCOMPARE(f.FileDialogs.Calls().size(), saveDialog.size() + (opened ? 1 : 0));
    if (opened) {
        QCOMPARE(w->FileName(), other);
        QCOMPARE(w->Radio()->Text(), QStringLiteral("乙台"));
        QVERIFY(!w->Modified());
    } else {
        QVERIFY(w->FileName().isEmpty());
        QCOMPARE(w->Radio()->Text(), QStringLiteral("甲台"));
        QVERIFY(w->Modified());
        QCOMPARE(w->windowTitle(), QStringLiteral("甲台* - ") + SProduct);
    }
    if (!saveDialog.value(0).isEmpty()) {
        TRadio saved;
        saved.LoadFromFile(f.Home.Path() + QStringLiteral("/kept.radio"));
        QCOMPARE(saved.Text(), QStringLiteral("甲台"));
    }
}

void TestMainDocument::newStationCancelledLeavesTheDocument()
{
    TMainWindowFixture f;
    const QString a = f.WriteStation(QStringLiteral("a.radio"), QStringLiteral("甲台"), {});
    TwinMain* w = f.Create({a});
    Modify(f, QStringLiteral("改过的甲台"));

    f.Boxes.Answer(mrNo);
    f.Editors.AnswerRadio([](TRadio* radio) {
        radio->SetText(QStringLiteral("不要的"));
        return int(mrCancel);
    });
    w->actNew->trigger();
    QCOMPARE(f.Boxes.Texts(), QStringList{SAskSave});
    QCOMPARE(f.Editors.RadioCalls, 2);
    QCOMPARE(w->FileName(), a);
    QCOMPARE(w->Radio()->Text(), QStringLiteral("改过的甲台"));
    QVERIFY(w->Modified());
    QCOMPARE(w->windowTitle(), QStringLiteral("改过的甲台* - ") + SProduct);
}

void TestMainDocument::saveAsForcesTheExtensionAndRemembersTheFolder()
{
    TMainWindowFixture f;
    const QString a = f.WriteStation(QStringLiteral("a.radio"), QStringLiteral("甲台"), {});
    TwinMain* w = f.Create({a});
    Modify(f, QStringLiteral("CRI.FM"));
    QCOMPARE(w->windowTitle(), QStringLiteral("CRI.FM* - ") + SProduct);

    const QString folder = f.Home.Path() + QStringLiteral("/存档");
    QVERIFY(QDir().mkpath(folder));
    f.FileDialogs.Answer(folder + QStringLiteral("/abc"));
    w->actSaveAs->trigger();
    const TFileDialogRequest first = f.FileDialogs.Calls().at(0).Request;
    QVERIFY(f.FileDialogs.Calls().at(0).Save);
    QCOMPARE(first.ProposedName, QStringLiteral("CRI.radio"));
    QCOMPARE(first.Filter, QStringLiteral("电台文件 (*.radio)"));
    QCOMPARE(first.StartFolder, StationFolder());
    // The dialog adds the extension itself, so its overwrite question sees abc.radio.
    QCOMPARE(first.DefaultSuffix, QStringLiteral("radio"));
    QVERIFY(first.AskOverwrite);

    const QString written = folder + QStringLiteral("/abc.radio");
    QVERIFY(QFileInfo(written).isFile());
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/abc")));
    QCOMPARE(w->FileName(), written);
    QVERIFY(!w->Modified());
    QCOMPARE(w->RecentFiles().first(), written);
    QCOMPARE(w->windowTitle(), QStringLiteral("CRI.FM - ") + SProduct);
    QCOMPARE(ApplicationTitle(), w->windowTitle());

    // The next dialog starts where the last file went, until that folder is gone.
    f.FileDialogs.Answer(QString());
    w->actSaveAs->trigger();
    QCOMPARE(f.FileDialogs.Calls().at(1).Request.StartFolder, folder + u'/');
    QVERIFY(QDir(folder).removeRecursively());
    f.FileDialogs.Answer(QString());
    w->actSaveAs->trigger();
    QCOMPARE(f.FileDialogs.Calls().at(2).Request.StartFolder, StationFolder());
    QCOMPARE(w->FileName(), written);
    QVERIFY(f.Boxes.Questions().isEmpty());
}

void TestMainDocument::failedSaveKeepsTheChanges()
{
    TMainWindowFixture f;
    const QString a = f.WriteStation(QStringLiteral("sub/a.radio"), QStringLiteral("甲台"), {});
    TwinMain* w = f.Create({a});
    Modify(f, QStringLiteral("乙台"));
    QVERIFY(QDir(f.Home.Path() + QStringLiteral("/sub")).removeRecursively());

    f.Boxes.Answer(mrOk);
    w->actSave->trigger(); // a known file: no dialog
    QVERIFY(f.FileDialogs.Calls().isEmpty());
    QCOMPARE(f.Boxes.Questions().size(), 1);
    QCOMPARE(f.Boxes.Questions().first().Icon, TMsgIcon::Error);
    QVERIFY(f.Boxes.Texts().first().contains(a));
    QVERIFY(w->Modified());
    QCOMPARE(w->FileName(), a);
    QCOMPARE(w->windowTitle(), QStringLiteral("乙台* - ") + SProduct);
}

void TestMainDocument::saveBesideAnotherExtensionAsks()
{
    TMainWindowFixture f;
    const QString bak = f.WriteStation(QStringLiteral("station.bak"), QStringLiteral("备份台"), {});
    const QString radio = f.WriteStation(QStringLiteral("station.radio"), QStringLiteral("正式台"), {});
    const QByteArray kept = ReadFileBytes(radio);
    TwinMain* w = f.Create({bak});
    Modify(f, QStringLiteral("改过的备份台"));

    // Save writes a station file beside the backup: never over one unasked.
    f.Boxes.Answer(mrNo);
    w->actSave->trigger();
    QCOMPARE(f.Boxes.Texts(), QStringList{Const::SAskReplaceFile.arg(radio)});
    QCOMPARE(ReadFileBytes(radio), kept);
    QVERIFY(w->Modified());
    QCOMPARE(w->FileName(), bak);

    f.Boxes.Answer(mrYes);
    w->actSave->trigger();
    QCOMPARE(w->FileName(), radio);
    QVERIFY(!w->Modified());
    TRadio saved;
    saved.LoadFromFile(radio);
    QCOMPARE(saved.Text(), QStringLiteral("改过的备份台"));
}

void TestMainDocument::failedOpenKeepsTheDocument_data()
{
    QTest::addColumn<bool>("missing"); // else a blank file
    QTest::addColumn<bool>("silent");
    QTest::newRow("missing, shown") << true << false;
    QTest::newRow("blank, shown") << false << false;
    QTest::newRow("missing, silent") << true << true;
    QTest::newRow("blank, silent") << false << true;
}

void TestMainDocument::failedOpenKeepsTheDocument()
{
    QFETCH(bool, missing);
    QFETCH(bool, silent);
    TMainWindowFixture f;
    const QString a = f.WriteStation(QStringLiteral("a.radio"), QStringLiteral("甲台"), {});
    const QString bad = missing ? f.Home.Path() + QStringLiteral("/gone.radio")
                                : f.WriteFile(QStringLiteral("blank.radio"), QByteArray("\r\n"));
    TwinMain* w = f.Create({a});
    const QStringList recent = w->RecentFiles();

    if (!silent)
        f.Boxes.Answer(mrOk);
    w->OpenRadioFile(bad, silent);
    QStringList expected;
    if (!silent)
        expected << (missing ? Const::SRadioFileNotFound.arg(bad) : Const::SBadRadioFile);
    QCOMPARE(f.Boxes.Texts(), expected);
    if (!silent)
        QCOMPARE(f.Boxes.Questions().first().Icon, TMsgIcon::Error);
    QCOMPARE(w->FileName(), a);
    QCOMPARE(w->Radio()->Text(), QStringLiteral("甲台"));
    QCOMPARE(w->RecentFiles(), recent);
}

void TestMainDocument::openDialogRemembersItsFolder()
{
    TMainWindowFixture f;
    const QString b = f.WriteStation(QStringLiteral("台/b.radio"), QStringLiteral("乙台"), {});
    TwinMain* w = f.Create();
    f.FileDialogs.Answer(b);
    f.FileDialogs.Answer(QString());
    w->actOpen->trigger();
    w->actOpen->trigger(); // cancelled: nothing changes
    QCOMPARE(f.FileDialogs.Calls().size(), 2);
    QVERIFY(!f.FileDialogs.Calls().at(0).Save);
    // Station files stay the first, chosen filter; playlists follow.
    const QStringList filters = f.FileDialogs.Calls().at(0).Request.Filter.split(u";;"_s);
    QCOMPARE(filters.first(), QStringLiteral("电台文件 (*.radio)"));
    QCOMPARE(filters.at(1), QStringLiteral("播放列表 (*.pls *.m3u *.m3u8 *.wax *.asx *.wvx *.ram *.xspf)"));
    QCOMPARE(filters.last(), QStringLiteral("所有文件 (*)"));
    QCOMPARE(f.FileDialogs.Calls().at(0).Request.StartFolder, StationFolder());
    QCOMPARE(f.FileDialogs.Calls().at(1).Request.StartFolder, QFileInfo(b).absolutePath() + u'/');
    QCOMPARE(w->FileName(), b);
}

void TestMainDocument::autoPlayStartsTheOpenedStation()
{
    TMainWindowFixture f;
    const QString a = f.WriteStation(QStringLiteral("a.radio"), QStringLiteral("甲台"),
                                     {{QStringLiteral("一"), QStringLiteral("mms://a/")}});
    f.Preference(QStringLiteral("AutoPlay"), true);
    f.Create({a});
    QVERIFY(f.Engines.Calls().contains(QStringLiteral("wm.SetURL(mms://a/)")));
}

void TestMainDocument::recentFilesOneEntryPerPathAndEightAtMost()
{
    TMainWindowFixture f;
    f.Preference(QStringLiteral("Radio"), f.Home.Path() + QStringLiteral("/gone.radio"));
    TwinMain* w = f.Create();
    QVERIFY(w->RecentFiles().isEmpty());
    Q_EMIT w->subRadio->aboutToShow();
    QVERIFY(!w->subRecent->menuAction()->isEnabled());

    const QString upper = f.WriteStation(QStringLiteral("A.radio"), QStringLiteral("大"), {});
    const QString lower = f.WriteStation(QStringLiteral("a.radio"), QStringLiteral("小"), {});
    w->OpenRadioFile(upper, false);
    w->OpenRadioFile(lower, false);
    w->OpenRadioFile(lower, false);
    // Two files that differ only by case are two entries on Linux.
    QCOMPARE(w->RecentFiles(), (QStringList{lower, upper}));
    Q_EMIT w->subRadio->aboutToShow();
    QVERIFY(w->subRecent->menuAction()->isEnabled());

    // Deep folders, so the captions must be shortened to fit the menu.
    const QString deep = QStringLiteral("很长的文件夹名称第一层/很长的文件夹名称第二层/很长的文件夹名称第三层/");
    QStringList opened{lower};
    for (int i = 1; i <= 8; ++i) {
        opened.prepend(f.WriteStation(deep + QStringLiteral("电台%1.radio").arg(i), QString::number(i), {}));
        w->OpenRadioFile(opened.first(), false);
    }
    QCOMPARE(w->RecentFiles(), opened.first(8)); // the oldest, a.radio, dropped

    const QFontMetrics metrics = w->menuBar()->fontMetrics();
    const QAction* top = w->subRecent->actions().first();
    QCOMPARE(top->statusTip(), opened.first());
    QVERIFY(top->text().endsWith(QStringLiteral("/电台8.radio")));
    QVERIFY(top->text().contains(QStringLiteral(".../")));
    QVERIFY(metrics.horizontalAdvance(top->text()) <= 300);
}

void TestMainDocument::recentItemsOpenTheirPath()
{
    TMainWindowFixture f;
    const QString a = f.WriteStation(QStringLiteral("R&B/a.radio"), QStringLiteral("甲台"), {});
    const QString b = f.WriteStation(QStringLiteral("b.radio"), QStringLiteral("乙台"), {});
    TwinMain* w = f.Create({a});
    // A name relative to the working folder is kept as the file it meant.
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(f.Home.Path());
    w->OpenRadioFile(QStringLiteral("b.radio"), false);
    QDir::setCurrent(cwd);
    QCOMPARE(w->FileName(), b);
    QAction* itemA = w->subRecent->actions().at(1);
    QVERIFY(itemA->text().contains(QStringLiteral("R&&B"))); // shown as "R&B", not a mnemonic
    itemA->trigger();
    QCOMPARE(w->FileName(), a);
    QCOMPARE(w->RecentFiles().first(), a);

    // A vanished file: the error box, and the entry stays until the next start.
    QVERIFY(QFile::remove(b));
    f.Boxes.Answer(mrOk);
    w->subRecent->actions().at(1)->trigger();
    QCOMPARE(f.Boxes.Texts(), QStringList{Const::SRadioFileNotFound.arg(b)});
    QCOMPARE(w->FileName(), a);
    QCOMPARE(w->RecentFiles(), (QStringList{a, b}));
}

void TestMainDocument::recentListFileLoadedWholeAndWrittenAtExit()
{
    TMainWindowFixture f;
    QStringList stored;
    for (int i = 1; i <= 10; ++i)
        stored << f.WriteStation(QStringLiteral("电台%1.radio").arg(i), QString::number(i), {});
    const QString gone = f.Home.Path() + QStringLiteral("/不在了.radio");
    WriteListFile(RecentListFile(), QStringList{stored.first(5)} << gone << stored.mid(5));
    const QString first = f.WriteStation(QStringLiteral("起始.radio"), QStringLiteral("起始"), {});

    TwinMain* w = f.Create({first});
    QCOMPARE(w->RecentFiles(), QStringList{first} + stored); // the missing line is dropped
    const QString added = f.WriteStation(QStringLiteral("新的.radio"), QStringLiteral("新"), {});
    w->OpenRadioFile(added, false);
    const QStringList expected = QStringList{added, first} + stored; // twelve, none cut
    QCOMPARE(w->RecentFiles(), expected);
    f.Destroy();

    QCOMPARE(ReadFileBytes(RecentListFile()), ToGbk(expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
}

void TestMainDocument::exportWritesTheChosenKind_data()
{
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("proposed");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("format");
    QTest::newRow("asx chosen, wax written") << u"CRI.FM"_s << u"WAX"_s << u"x.asx"_s << u"CRI.wax"_s << u"x.wax"_s
                                             << u"Windows Media Metafile (*.wax *.asx *.wvx)"_s << int(sfASX);
    QTest::newRow("ram added") << u"CRI.FM"_s << u"RAM"_s << u"y"_s << u"CRI.ram"_s << u"y.ram"_s
                               << u"RealPlayer RAM File (*.ram)"_s << int(sfRAM);
    QTest::newRow("m3u replaces") << u"CRI.FM"_s << u"M3U"_s << u"z.txt"_s << u"CRI.m3u"_s << u"z.m3u"_s
                                  << u"M3U Playlist (*.m3u)"_s << int(sfM3U);
    QTest::newRow("pls kept, slash kept out of the name") << u"AC/DC"_s << u"PLS"_s << u"w.pls"_s << u"AC_DC.pls"_s
                                                          << u"w.pls"_s << u"PLS Playlist (*.pls)"_s << int(sfPLS);
}

void TestMainDocument::exportWritesTheChosenKind()
{
    QFETCH(QString, station);
    QFETCH(QString, item);
    QFETCH(QString, chosen);
    QFETCH(QString, proposed);
    QFETCH(QString, written);
    QFETCH(QString, filter);
    QFETCH(int, format);
    TMainWindowFixture f;
    const QString a = f.WriteStation(QStringLiteral("a.radio"), QStringLiteral("CRI.FM"),
                                     {{QStringLiteral("一"), QStringLiteral("mms://a/")}});
    TwinMain* w = f.Create({a});
    Modify(f, station);
    const QStringList recent = w->RecentFiles();
    QAction* sender = item == u"WAX"_s   ? w->btnSaveWAX
                      : item == u"RAM"_s ? w->btnSaveRAM
                      : item == u"M3U"_s ? w->btnSaveM3U
                                         : w->btnSavePLS;

    f.FileDialogs.Answer(f.Home.Path() + u'/' + chosen);
    sender->trigger();
    const TFileDialogRequest request = f.FileDialogs.Calls().first().Request;
    QCOMPARE(request.ProposedName, proposed);
    QCOMPARE(request.Filter, filter);
    QCOMPARE(request.StartFolder, StationFolder());
    QCOMPARE(ReadFileBytes(f.Home.Path() + u'/' + written), w->Radio()->SaveToData(TSaveFormat(format)));
    if (written != chosen)
        QVERIFY(!QFileInfo::exists(f.Home.Path() + u'/' + chosen));
    // An export is not a save.
    QVERIFY(w->Modified());
    QCOMPARE(w->FileName(), a);
    QCOMPARE(w->RecentFiles(), recent);
    QVERIFY(f.Boxes.Questions().isEmpty());
}

void TestMainDocument::exportFailureReachesTheErrorBox()
{
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    f.FileDialogs.Answer(f.Home.Path() + QStringLiteral("/没有的文件夹/x"));
    f.Boxes.Answer(mrOk);
    w->btnSaveRAM->trigger();
    QCOMPARE(f.Boxes.Questions().size(), 1);
    QVERIFY(f.Boxes.Texts().first().startsWith(QStringLiteral("发生未预料的错误:\r\n")));
}

void TestMainDocument::commandStatesFollowTheDocument()
{
    TMainWindowFixture f;
    const QString a = f.WriteStation(QStringLiteral("a.radio"), QStringLiteral("甲台"),
                                     {{QStringLiteral("一"), QStringLiteral("mms://a/")}});
    TwinMain* w = f.Create({a});
    w->Radio()->SetHref(QStringLiteral("http://example.org/"));
    w->boxLinks->clearSelection();
    w->UpdateWindowState();
    const QList<QAction*> withDocument{w->actEdit, w->actSave,  w->actSaveAs,  w->actPlay,
                                       w->actStop, w->actClose, w->actAddLink, w->actHome};
    const QList<QAction*> withSelection{w->actDelLink, w->actEditLink, w->actCopyLink};
    for (QAction* action : withDocument)
        QVERIFY2(action->isEnabled(), qPrintable(action->text()));
    QVERIFY(!w->actMenu->isEnabled()); // no programme guide
    for (QAction* action : withSelection)
        QVERIFY(!action->isEnabled());

    QCOMPARE(w->boxLinks->topLevelItemCount(), 1);
    w->boxLinks->topLevelItem(0)->setSelected(true);
    w->UpdateWindowState();
    for (QAction* action : withSelection)
        QVERIFY2(action->isEnabled(), qPrintable(action->text()));

    w->actClose->trigger();
    QVERIFY(!w->Radio());
    QVERIFY(w->FileName().isEmpty());
    QCOMPARE(w->boxLinks->topLevelItemCount(), 0);
    for (QAction* action : withDocument + withSelection)
        QVERIFY2(!action->isEnabled(), qPrintable(action->text()));
    QCOMPARE(w->windowTitle(), SProduct);
    QCOMPARE(ApplicationTitle(), SProduct);
}

void TestMainDocument::exitAsksAboutUnsavedChanges_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::newRow("cancel stays") << int(mrCancel) << false;
    QTest::newRow("no closes") << int(mrNo) << true;
}

void TestMainDocument::exitAsksAboutUnsavedChanges()
{
    QFETCH(int, answer);
    QFETCH(bool, closed);
    TMainWindowFixture f;
    TwinMain* w = f.Create();
    Modify(f, QStringLiteral("乙台"));
    f.Boxes.Answer(answer);
    w->actExit->trigger();
    QCOMPARE(f.Boxes.Texts(), QStringList{SAskSave});
    QCOMPARE(w->isVisible(), !closed);
    QVERIFY(w->Modified());
}

QTEST_MAIN(TestMainDocument)
#include "test_main_document.moc"
