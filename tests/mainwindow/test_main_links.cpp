// The link list and the listening commands: which link is current and where
// that is remembered, bit rates learned from the player, deleting and adding
// links, the status bar and the context menus.

#include "MainWindowFixture.h"

#include "TestSupport.h"
#include "ctlRadioPlayer.h"
#include "libRadio.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

const QString HrefA = u"mms://127.0.0.1/a"_s;
const QString HrefB = u"mms://127.0.0.1/b"_s;
const QString HrefC = u"mms://127.0.0.1/c"_s;

// Opens a station file with links 一, 二, 三 … (the first count of them) and
// the stored current link.
TwinMain* OpenStation(TMainWindowFixture& f, int count, int current = 0)
{
    const QList<QPair<QString, QString>> all{{u"一"_s, HrefA}, {u"二"_s, HrefB}, {u"三"_s, HrefC}};
    const QString file = f.WriteStation(u"s.radio"_s, u"甲台"_s, all.mid(0, count));
    TRadio radio;
    radio.LoadFromFile(file);
    radio.SetLink(current);
    radio.SaveToFile(file);
    return f.Create({file});
}

// The Windows Media engine reports a poll.
void Report(TMainWindowFixture& f, int engineState, int bitsPerSecond, int progress = 100,
            const QString& title = QString())
{
    TFakeWindowsMedia* engine = f.Engines.WindowsMedia;
    QVERIFY(engine);
    engine->State = engineState;
    engine->BitRate = bitsPerSecond;
    engine->Progress = progress;
    engine->Title = title;
    f.Window->ctlPlayer->Poll();
}

void Playing(TMainWindowFixture& f, int kbps) { Report(f, IWindowsMediaEngine::wmppsPlaying, kbps * 1000); }

QPair<int, int> RatesInFile(const QString& file, int link = 0)
{
    TRadio radio;
    radio.LoadFromFile(file);
    return {radio.Links()[link]->BestKbps(), radio.Links()[link]->ShitKbps()};
}

QPair<int, int> Rates(const TRadioLink* link) { return {link->BestKbps(), link->ShitKbps()}; }

int StoredLinkInFile(const QString& file)
{
    TRadio radio;
    radio.LoadFromFile(file);
    return radio.StoredLink();
}

QList<int> BoldRows(const QTreeWidget* list)
{
    QList<int> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->font(0).bold())
            rows << i;
    }
    return rows;
}

int SelectedRow(const QTreeWidget* list)
{
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->indexOfTopLevelItem(selected.first());
}

QPoint RowCentre(const QTreeWidget* list, int row) { return list->visualItemRect(list->topLevelItem(row)).center(); }

// A menu's entries as the user reads them; "-" for a separator.
QStringList Entries(const QMenu* menu)
{
    QStringList entries;
    for (const QAction* action : menu->actions())
        entries << (action->isSeparator() ? u"-"_s : action->text());
    return entries;
}

} // namespace

class TestMainLinks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void learnsBitRates_data();
    void learnsBitRates();
    void failedWriteKeepsThePanels();
    void statusPanelsFollowThePlayer();
    void doubleClickMakesTheRowCurrent_data();
    void doubleClickMakesTheRowCurrent();
    void deletingALink_data();
    void deletingALink();
    void addingALink_data();
    void addingALink();
    void playWithoutLinksAsks_data();
    void playWithoutLinksAsks();
    void missingEngineOffersTheDownloadPage_data();
    void missingEngineOffersTheDownloadPage();
    void contextMenus_data();
    void contextMenus();
    void clickOnEmptySpaceKeepsTheSelection();
    void rowsFollowTheView();
    void switchingLinksFromTheMenu();
};

// The first report sets both rates, a lower one lowers the lowest, a repeat
// changes nothing. A clean document writes each change at once; a modified
// one keeps them for the next save.
void TestMainLinks::learnsBitRates_data()
{
    QTest::addColumn<bool>("modified");
    QTest::newRow("clean") << false;
    QTest::newRow("modified") << true;
}

void TestMainLinks::learnsBitRates()
{
    QFETCH(bool, modified);
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, 2);
    const QString file = w->FileName();
    if (modified) {
        f.Editors.AnswerRadio([](TRadio*) { return int(mrOk); });
        w->actEdit->trigger();
        QVERIFY(w->Modified());
    }
    const TRadioLink* link = w->Radio()->Links()[0];
    const QPair<int, int> none{0, 0};

    w->actPlay->trigger();
    Playing(f, 128);
    QCOMPARE(Rates(link), qMakePair(128, 128));
    QCOMPARE(RatesInFile(file), modified ? none : qMakePair(128, 128));
    QCOMPARE(w->boxLinks->topLevelItem(0)->text(1), u"128"_s);

    Playing(f, 96);
    QCOMPARE(Rates(link), qMakePair(128, 96));
    QCOMPARE(RatesInFile(file), modified ? none : qMakePair(128, 96));
    QCOMPARE(w->boxLinks->topLevelItem(0)->text(2), u"96"_s);

    const QByteArray marker = "not rewritten";
    f.WriteFile(u"s.radio"_s, marker);
    Playing(f, 128);
    QCOMPARE(Rates(link), qMakePair(128, 96));
    QCOMPARE(ReadFileBytes(file), marker);
    QCOMPARE(w->HintPanelText(3), u"128千比特/秒"_s);
    QCOMPARE(w->Modified(), modified);

    if (modified) {
        w->actSave->trigger();
        QCOMPARE(RatesInFile(file), qMakePair(128, 96));
    }
    QVERIFY(f.Boxes.Questions().isEmpty());

    // The station holds 16 bits: a larger rate is the largest it can hold.
    Playing(f, 70000);
    QCOMPARE(Rates(link), qMakePair(65535, 96));
    QCOMPARE(w->HintPanelText(3), u"70000千比特/秒"_s);
}

void TestMainLinks::failedWriteKeepsThePanels()
{
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, 1);
    w->actPlay->trigger();
    // A folder where the file was: the write fails even for root.
    QVERIFY(QFile::remove(w->FileName()));
    QVERIFY(QDir().mkdir(w->FileName()));

    f.Boxes.Answer(mrOk);
    Playing(f, 128);
    QCOMPARE(f.Boxes.Questions().size(), 1);
    QCOMPARE(f.Boxes.Questions().first().Icon, TMsgIcon::Error);
    QVERIFY(f.Boxes.Questions().first().Text.startsWith(u"发生未预料的错误"_s));
    QCOMPARE(w->HintPanelText(2), u"正在播放"_s);
    QCOMPARE(w->HintPanelText(3), u"128千比特/秒"_s);
    QCOMPARE(Rates(w->Radio()->Links()[0]), qMakePair(128, 128));
}

void TestMainLinks::statusPanelsFollowThePlayer()
{
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, 1);
    w->actPlay->trigger();
    QCOMPARE(w->HintPanelText(2), u"正在连接"_s);
    QCOMPARE(w->HintPanelText(3), QString());
    QCOMPARE(w->HintPanelWidth(1), 0);

    Report(f, IWindowsMediaEngine::wmppsBuffering, 0, 30);
    QCOMPARE(w->HintPanelText(2), u"正在缓冲"_s);
    QCOMPARE(w->HintPanelWidth(1), 110);
    QCOMPARE(w->barGauge->value(), 30);

    f.Engines.WindowsMedia->RaiseBuffering(false);
    QCOMPARE(w->HintPanelWidth(1), 0);
    const QString title = u"新闻联播 —— 一个比状态栏宽得多的节目标题，一直写到放不下为止"_s;
    Report(f, IWindowsMediaEngine::wmppsPlaying, 128000, 100, title);
    QCOMPARE(w->HintPanelText(0), title);
    QCOMPARE(w->pnlHint[0]->toolTip(), u"鼠标单击查看完整信息"_s);
    QCOMPARE(w->HintPanelText(3), u"128千比特/秒"_s);

    // A click anywhere on the bar shows every panel in full.
    f.Boxes.Answer(mrOk);
    QTest::mouseClick(w->pnlHint[2], Qt::LeftButton);
    QCOMPARE(f.Boxes.Texts(), QStringList{title + u"\r\n正在播放\r\n128千比特/秒"_s});

    w->actStop->trigger();
    QCOMPARE(w->HintPanelText(0), QString());
    QCOMPARE(w->HintPanelText(2), u"已经停止"_s);
    QCOMPARE(w->HintPanelText(3), QString());
    QContextMenuEvent menuRequest(QContextMenuEvent::Mouse, QPoint(5, 5), w->pnlHint[3]->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(w->pnlHint[3], &menuRequest);
    QVERIFY(w->popHint->isVisible());
    QCOMPARE(Entries(w->popHint), (QStringList{u"状态栏信息(&I)..."_s, u"-"_s, w->actBarHint->text()}));
    w->popHint->hide();
}

void TestMainLinks::doubleClickMakesTheRowCurrent_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("written");
    QTest::newRow("another row") << 1 << true;
    QTest::newRow("the current row") << 0 << false;
}

void TestMainLinks::doubleClickMakesTheRowCurrent()
{
    QFETCH(int, row);
    QFETCH(bool, written);
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, 2);
    const QByteArray marker = "not rewritten";
    f.WriteFile(u"s.radio"_s, marker);

    QTest::mouseDClick(w->boxLinks->viewport(), Qt::LeftButton, {}, RowCentre(w->boxLinks, row));

    QCOMPARE(w->Radio()->Link(), row);
    QCOMPARE(BoldRows(w->boxLinks), QList<int>{row});
    QCOMPARE(f.Engines.WindowsMedia->URL, row == 0 ? HrefA : HrefB);
    QVERIFY(!w->Modified());
    if (written)
        QCOMPARE(StoredLinkInFile(w->FileName()), row);
    else
        QCOMPARE(ReadFileBytes(w->FileName()), marker);

    // Enter in the list does the same.
    w->actStop->trigger();
    QTest::keyClick(w->boxLinks, Qt::Key_Return);
    QCOMPARE(w->ctlPlayer->State(), psConnecting);
}

// links: how many the station has; current: its current link; row: the row
// deleted; then the selected row and the current link's address afterwards.
void TestMainLinks::deletingALink_data()
{
    QTest::addColumn<int>("links");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("currentHref");
    QTest::addColumn<bool>("stops");
    QTest::newRow("the current last row") << 3 << 2 << 2 << 0 << HrefA << true;
    QTest::newRow("the current middle row") << 3 << 1 << 1 << 1 << HrefC << true;
    // The current link stays the same link when an earlier one goes.
    QTest::newRow("a row before the current") << 3 << 2 << 0 << 0 << HrefC << false;
    QTest::newRow("the only link") << 1 << 0 << 0 << -1 << QString() << true;
}

void TestMainLinks::deletingALink()
{
    QFETCH(int, links);
    QFETCH(int, current);
    QFETCH(int, row);
    QFETCH(int, selected);
    QFETCH(QString, currentHref);
    QFETCH(bool, stops);
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, links, current);
    w->actPlay->trigger();
    w->actVolume->trigger();
    w->boxLinks->setCurrentItem(w->boxLinks->topLevelItem(row));
    const QString caption = w->boxLinks->topLevelItem(row)->text(0);
    f.Boxes.Answer(mrYes);

    w->actDelLink->trigger();

    QCOMPARE(f.Boxes.Texts(), QStringList{u"您确定要删除名称为%1的收听连接吗？"_s.arg(caption)});
    QVERIFY(w->boxClient->currentWidget() == w->boxLinks);
    QCOMPARE(w->Radio()->Links().Count(), links - 1);
    QCOMPARE(w->boxLinks->topLevelItemCount(), links - 1);
    QCOMPARE(SelectedRow(w->boxLinks), selected);
    const int now = w->Radio()->Link();
    QCOMPARE(now >= 0 ? w->Radio()->Links()[now]->Href() : QString(), currentHref);
    QCOMPARE(BoldRows(w->boxLinks), now >= 0 ? QList<int>{now} : QList<int>{});
    QCOMPARE(w->ctlPlayer->State() == psStopped, stops);
    QVERIFY(w->Modified());
    QCOMPARE(w->actDelLink->isEnabled(), links > 1);
}

// Only Cancel takes the new link back; the editor's No keeps it.
void TestMainLinks::addingALink_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("kept");
    QTest::newRow("cancel") << int(mrCancel) << false;
    QTest::newRow("ok") << int(mrOk) << true;
    QTest::newRow("no") << int(mrNo) << true;
}

void TestMainLinks::addingALink()
{
    QFETCH(int, answer);
    QFETCH(bool, kept);
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, 1);
    w->actVolume->trigger();
    f.Editors.AnswerLink([answer](TRadioLink* link) {
        link->SetText(u"新的"_s);
        link->SetHref(HrefB);
        return answer;
    });

    w->actAddLink->trigger();

    QVERIFY(w->boxClient->currentWidget() == w->boxLinks);
    QCOMPARE(w->Radio()->Links().Count(), kept ? 2 : 1);
    QCOMPARE(w->boxLinks->topLevelItemCount(), kept ? 2 : 1);
    QCOMPARE(w->Modified(), kept);
    QCOMPARE(SelectedRow(w->boxLinks), kept ? 1 : 0);
    if (kept)
        QCOMPARE(w->boxLinks->topLevelItem(1)->text(0), u"新的"_s);
    QCOMPARE(BoldRows(w->boxLinks), QList<int>{0});
}

void TestMainLinks::playWithoutLinksAsks_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("played");
    QTest::newRow("no") << int(mrNo) << QString();
    QTest::newRow("yes and a link") << int(mrYes) << HrefA;
}

void TestMainLinks::playWithoutLinksAsks()
{
    QFETCH(int, answer);
    QFETCH(QString, played);
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, 0);
    f.Boxes.Answer(answer);
    if (answer == mrYes)
        f.Editors.AnswerLink([](TRadioLink* link) {
            link->SetHref(HrefA);
            return int(mrOk);
        });

    w->actPlay->trigger();

    QCOMPARE(f.Boxes.Texts(), QStringList{u"当前电台还没有设置任何可用的收听连接。您希望\r\n现在添加收听连接吗？"_s});
    QCOMPARE(f.Engines.WindowsMedia ? f.Engines.WindowsMedia->URL : QString(), played);
    QCOMPARE(w->Radio()->Links().Count(), played.isEmpty() ? 0 : 1);
}

// The player reports the engine it could not start; the window asks, as a
// modal step, and opens the engine's download page on Yes.
void TestMainLinks::missingEngineOffersTheDownloadPage_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("answer");
    QTest::newRow("Real Media, No") << int(skRealMedia) << false;
    QTest::newRow("Real Media, Yes") << int(skRealMedia) << true;
    QTest::newRow("Windows Media, Yes") << int(skWindowsMedia) << true;
}

void TestMainLinks::missingEngineOffersTheDownloadPage()
{
    QFETCH(int, kind);
    QFETCH(bool, answer);
    const auto streamKind = TStreamKind(kind);
    const QString name = streamKind == skRealMedia ? u"Real Media"_s : u"Windows Media"_s;
    TMainWindowFixture f;
    f.Engines.WindowsMediaInstalled = f.Engines.RealPlayerInstalled = false;
    TwinMain* w = OpenStation(f, 1);
    w->Radio()->Links()[0]->SetKind(streamKind);
    bool modal = false;
    f.Boxes.Answer(answer ? mrYes : mrNo, [&] { modal = w->InModal(); });

    w->actPlay->trigger();

    const QString question =
        u"收听此电台连接需要"_s + name
        + u" Player的支持。您没有安装此软件或版本需要\r\n升级。您希望我为您在浏览器中打开此软件最新版本的官方下载页面吗？"_s;
    QCOMPARE(f.Boxes.Texts(), QStringList{question});
    QCOMPARE(f.Boxes.Questions().first().Kind, TFakeMessageBoxes::YesNo);
    QVERIFY(modal);
    QCOMPARE(f.Browser.Opened, answer ? QStringList{StreamKindText(streamKind, ktDownloadPage)} : QStringList());
    QCOMPARE(w->HintPanelText(2), u"已经停止"_s);
}

void TestMainLinks::contextMenus_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QStringList>("entries");
    const QString add = u"新增(&N)..."_s;
    const QString links = u"连接(&L)"_s;
    const QString volume = u"音量(&V)"_s;
    QTest::newRow("empty space") << u"space"_s << QStringList{add, u"-"_s, links, volume};
    QTest::newRow("a row") << u"row"_s
                           << QStringList{
                                  u"播放(&P)"_s, u"-"_s, u"修改(&M)..."_s, u"复制流地址(&C)"_s, u"删除(&D)"_s, u"-"_s,
                                  links,         volume};
    QTest::newRow("volume panel") << u"volume"_s << QStringList{links, volume};
}

void TestMainLinks::contextMenus()
{
    QFETCH(QString, where);
    QFETCH(QStringList, entries);
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, 2);
    QWidget* viewport = w->boxLinks->viewport();
    if (where == u"space")
        QTest::mousePress(viewport, Qt::RightButton, {}, QPoint(10, viewport->height() - 5));
    else if (where == u"row")
        QTest::mousePress(viewport, Qt::RightButton, {}, RowCentre(w->boxLinks, 1));
    else {
        w->actVolume->trigger();
        QTest::mousePress(w->boxPlayer, Qt::RightButton, {}, QPoint(5, w->boxPlayer->height() - 5));
    }

    QVERIFY(w->popBoxs->isVisible());
    QCOMPARE(Entries(w->popBoxs), entries);
    // A right click on a row works on that row.
    QCOMPARE(SelectedRow(w->boxLinks), where == u"row" ? 1 : 0);
    w->popBoxs->hide();
}

void TestMainLinks::clickOnEmptySpaceKeepsTheSelection()
{
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, 2);
    QWidget* viewport = w->boxLinks->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, RowCentre(w->boxLinks, 1));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, RowCentre(w->boxLinks, 1));
    QCOMPARE(SelectedRow(w->boxLinks), -1);

    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(10, viewport->height() - 5));
    QCOMPARE(SelectedRow(w->boxLinks), 1);
}

void TestMainLinks::rowsFollowTheView()
{
    TMainWindowFixture f;
    const QString file = f.WriteStation(u"s.radio"_s, u"甲台"_s, {{u"一"_s, HrefA}, {QString(), HrefB}});
    TRadio radio;
    radio.LoadFromFile(file);
    radio.Links()[0]->SetBestKbps(128);
    radio.Links()[0]->SetShitKbps(64);
    radio.Links()[1]->SetKind(skRealMedia);
    radio.SaveToFile(file);
    TwinMain* w = f.Create({file});
    QTreeWidget* list = w->boxLinks;

    QVERIFY(!list->isHeaderHidden());
    const QStringList captions{u"连接名称"_s, u"最高速率"_s, u"最低速率"_s, u"编码类型"_s, u"流地址"_s};
    const QList<QStringList> rows{{u"一"_s, u"128"_s, u"64"_s, u"WM"_s, HrefA},
                                  {HrefB, QString(), QString(), u"RM"_s, HrefB}};
    for (int column = 0; column < 5; ++column) {
        QCOMPARE(list->headerItem()->text(column), captions[column]);
        for (int row = 0; row < 2; ++row)
            QCOMPARE(list->topLevelItem(row)->text(column), rows[row][column]);
    }
    QCOMPARE(list->columnWidth(0), 114);
    QCOMPARE(list->topLevelItem(0)->textAlignment(1), int(Qt::AlignCenter));

    // The list view shows the addresses only, also in a row just edited.
    w->actFullView->trigger();
    QVERIFY(list->isHeaderHidden());
    for (int column = 1; column < 5; ++column)
        QVERIFY(list->isColumnHidden(column));
    QCOMPARE(list->topLevelItem(0)->text(0), HrefA);
    f.Editors.AnswerLink([](TRadioLink* link) {
        link->SetHref(HrefC);
        return int(mrOk);
    });
    w->actEditLink->trigger();
    QCOMPARE(list->topLevelItem(0)->text(0), HrefC);
    QVERIFY(w->Modified());

    w->actCopyLink->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), HrefC);
}

// The menu's items switch the current link without touching the file.
void TestMainLinks::switchingLinksFromTheMenu()
{
    TMainWindowFixture f;
    TwinMain* w = OpenStation(f, 3, 1);
    const QByteArray before = ReadFileBytes(w->FileName());
    Q_EMIT w->subPlay->aboutToShow();
    QVERIFY(w->subLinks->menuAction()->isEnabled());
    QCOMPARE(Entries(w->subLinks), (QStringList{u"一"_s, u"二"_s, u"三"_s}));
    QVERIFY(w->subLinks->actions()[1]->isChecked());

    w->subLinks->actions()[2]->trigger();
    QCOMPARE(w->Radio()->Link(), 2);
    QCOMPARE(f.Engines.WindowsMedia->URL, HrefC);
    QCOMPARE(BoldRows(w->boxLinks), QList<int>{2});
    QVERIFY(!w->Modified());
    QCOMPARE(ReadFileBytes(w->FileName()), before);

    w->actClose->trigger();
    Q_EMIT w->subPlay->aboutToShow();
    QVERIFY(!w->subLinks->menuAction()->isEnabled());
}

QTEST_MAIN(TestMainLinks)
#include "test_main_links.moc"
