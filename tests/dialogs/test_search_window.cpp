// The search window offscreen against loopback stand-ins for the directory:
// the fields it sends, the rows it shows, paging as the list scrolls, a query
// that no server answers, and what Play and Save hand to the main window.

#include "TestDirectory.h"
#include "TestHome.h"
#include "libConst.h"
#include "libRadio.h"
#include "vclSearch.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

// The main window's part, answered from the test.
struct TFakeHost final : ISearchHost
{
    bool Accept = true;
    QStringList Listened; // station name and link address
    QStringList Opened;
    bool ListenToStation(const TRadio& radio) override
    {
        Listened += radio.Text() + u' ' + radio.Links()[0]->Href();
        return Accept;
    }
    void OpenStationFile(const QString& fileName) override { Opened += fileName; }
};

struct TSearchFixture
{
    TTestHome Home;
    TTestDirectory Directory;
    TFakeHost Host;
    std::unique_ptr<TFixedDirectoryServers> Servers;
    std::unique_ptr<TwinSearch> Window;

    explicit TSearchFixture(int stations, const QStringList& servers = {})
    {
        if (!Directory.Listen())
            qFatal("the stand-in directory cannot listen");
        for (int n = 1; n <= stations; ++n)
            Directory.Stations += TTestDirectory::Station(n);
        Servers = std::make_unique<TFixedDirectoryServers>(servers + QStringList{Directory.Base()});
        TDirectorySetup setup;
        setup.Servers = Servers.get();
        setup.Limits.TimeoutMs = 300;
        Window = std::make_unique<TwinSearch>(nullptr, &Host, setup, QLocale(u"zh_CN"_s));
        Window->show();
    }
    int Rows() const { return Window->boxResults->topLevelItemCount(); }
};

} // namespace

class TestSearchWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void countryFollowsTheDesktop_data();
    void countryFollowsTheDesktop();
    void fieldsRowsAndColumns();
    void pagesInAsTheListScrolls();
    void staysResponsiveAndSaysWhenItFails();
    void playHandsTheResultOver();
    void saveWritesAndOpens();
};

void TestSearchWindow::countryFollowsTheDesktop_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("country");
    QTest::newRow("zh_CN") << u"zh_CN"_s << u"中国"_s;
    QTest::newRow("zh_TW") << u"zh_TW"_s << u"台湾"_s;
    QTest::newRow("zh_HK") << u"zh_HK"_s << u"香港"_s;
    QTest::newRow("zh_SG") << u"zh_SG"_s << u"新加坡"_s;
    QTest::newRow("en_GB") << u"en_GB"_s << u"全部国家和地区"_s;
}

void TestSearchWindow::countryFollowsTheDesktop()
{
    QFETCH(QString, locale);
    QFETCH(QString, country);
    TTestHome home;
    TFakeHost host;
    TFixedDirectoryServers none({});
    TDirectorySetup setup;
    setup.Servers = &none;
    TwinSearch window(nullptr, &host, setup, QLocale(locale));
    QCOMPARE(window.windowTitle(), u"搜索在线电台"_s);
    QCOMPARE(window.cboCountry->currentText(), country);
    QVERIFY(!window.btnPlay->isEnabled());
    QVERIFY(!window.btnSave->isEnabled());
}

void TestSearchWindow::fieldsRowsAndColumns()
{
    TSearchFixture f(3);
    f.Directory.Stations[1][u"bitrate"_s] = 0;
    f.Directory.Stations[2][u"countrycode"_s] = u"DE"_s;
    f.Directory.Stations[2][u"country"_s] = u"Germany"_s;
    f.Window->edtText->setText(u" 测试 "_s);
    f.Window->edtTag->setText(u"news"_s);
    f.Window->cboCountry->setCurrentIndex(0);
    f.Window->cboLanguage->setCurrentText(u"粤语"_s);
    // Enter in a field searches, as the button does.
    QTest::keyClick(f.Window->edtText, Qt::Key_Return);
    QVERIFY(f.Window->Searching());
    QCOMPARE(f.Window->lblStatus->text(), u"正在搜索..."_s);
    QTRY_COMPARE(f.Rows(), 3);
    QCOMPARE(f.Window->lblStatus->text(), u"找到3个电台"_s);
    QVERIFY(f.Window->btnPlay->isEnabled());

    const QUrlQuery query = f.Directory.Searches().value(0);
    QCOMPARE(query.queryItemValue(u"name"_s, QUrl::FullyDecoded), u"测试"_s);
    QCOMPARE(query.queryItemValue(u"tag"_s), u"news"_s);
    QCOMPARE(query.queryItemValue(u"language"_s), u"cantonese"_s);
    QVERIFY(!query.hasQueryItem(u"countrycode"_s));
    QCOMPARE(query.queryItemValue(u"limit"_s), QString::number(TwinSearch::PageSize));

    const auto row = [&](int i) {
        QStringList texts;
        for (int column = 0; column < 5; ++column)
            texts += f.Window->boxResults->topLevelItem(i)->text(column);
        return texts;
    };
    QCOMPARE(row(0), (QStringList{u"测试电台 1"_s, u"中国"_s, u"MP3"_s, u"128 kbps"_s, u"999"_s}));
    QCOMPARE(row(1)[3], QString());
    QCOMPARE(row(2)[1], u"Germany"_s);

    // A language the list does not offer is sent as typed.
    f.Window->cboLanguage->setCurrentText(u"teochew"_s);
    f.Window->btnSearchClick();
    QTRY_COMPARE(f.Directory.Searches().size(), 2);
    QCOMPARE(f.Directory.Searches()[1].queryItemValue(u"language"_s), u"teochew"_s);
}

void TestSearchWindow::pagesInAsTheListScrolls()
{
    TSearchFixture f(120);
    f.Window->resize(600, 300);
    f.Window->btnSearchClick();
    QTRY_COMPARE(f.Rows(), TwinSearch::PageSize);
    QTest::qWait(100);
    // Nothing more until the listener scrolls.
    QCOMPARE(f.Directory.Searches().size(), 1);
    QCOMPARE(f.Window->lblStatus->text(), u"已列出50个电台，向下滚动可以看到更多"_s);
    QScrollBar* bar = f.Window->boxResults->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    bar->setValue(bar->maximum());
    QTRY_COMPARE(f.Rows(), 2 * TwinSearch::PageSize);
    bar->setValue(bar->maximum());
    QTRY_COMPARE(f.Rows(), 120);
    QCOMPARE(f.Window->lblStatus->text(), u"找到120个电台"_s);
    QCOMPARE(f.Window->Stations().last().Name, u"测试电台 120"_s);
    QCOMPARE(f.Directory.Searches()[2].queryItemValue(u"offset"_s), u"100"_s);
    bar->setValue(bar->maximum());
    QTest::qWait(100);
    QCOMPARE(f.Directory.Searches().size(), 3);
}

void TestSearchWindow::staysResponsiveAndSaysWhenItFails()
{
    TTestDirectory stalled(TTestDirectory::Stalls);
    QVERIFY(stalled.Listen());
    TSearchFixture f(2, {stalled.Base()});
    // The stalled server holds the query while the window goes on working.
    f.Window->btnSearchClick();
    QTRY_COMPARE(stalled.Requests(), 1);
    // The click has returned while the query is still out.
    QVERIFY(f.Window->Searching());
    // After the time-out the next server answers.
    QTRY_COMPARE(f.Rows(), 2);
    QVERIFY(!f.Window->Searching());

    // No server at all: the window says so, and a later search starts afresh.
    TTestDirectory down(TTestDirectory::Fails);
    QVERIFY(down.Listen());
    TFixedDirectoryServers servers({down.Base()});
    TDirectorySetup setup;
    setup.Servers = &servers;
    TwinSearch window(nullptr, &f.Host, setup, QLocale(u"zh_CN"_s));
    window.show();
    window.btnSearchClick();
    QTRY_COMPARE(window.lblStatus->text(), Const::SDirectoryUnreachable);
    QCOMPARE(window.boxResults->topLevelItemCount(), 0);
    QVERIFY(!window.Searching());
    window.btnSearchClick();
    QTRY_COMPARE(down.Requests(), 2);
}

void TestSearchWindow::playHandsTheResultOver()
{
    TSearchFixture f(2);
    f.Window->btnSearchClick();
    QTRY_COMPARE(f.Rows(), 2);
    QCOMPARE(f.Window->boxResults->currentItem(), f.Window->boxResults->topLevelItem(0));
    QTest::keyClick(f.Window->boxResults, Qt::Key_Return);
    QCOMPARE(f.Host.Listened, QStringList{u"测试电台 1 http://127.0.0.1:9/stream1"_s});
    QTRY_COMPARE(f.Directory.Clicks().size(), 1);

    // Kept the open station instead: nothing is counted.
    f.Host.Accept = false;
    f.Window->boxResults->setCurrentItem(f.Window->boxResults->topLevelItem(1));
    QTest::mouseClick(f.Window->btnPlay, Qt::LeftButton);
    QCOMPARE(f.Host.Listened.size(), 2);
    QTest::qWait(200);
    QCOMPARE(f.Directory.Clicks(), QStringList{u"00000000-0000-0000-0000-000000000001"_s});
}

void TestSearchWindow::saveWritesAndOpens()
{
    TSearchFixture f(1);
    QTemporaryDir folder;
    f.Window->SetSaveFolder(folder.path());
    f.Window->btnSearchClick();
    QTRY_COMPARE(f.Rows(), 1);
    f.Window->btnSaveClick();
    f.Window->btnSaveClick();
    const QString first = folder.filePath(u"测试电台 1.radio"_s);
    const QString second = folder.filePath(u"测试电台 1 (2).radio"_s);
    QCOMPARE(f.Host.Opened, (QStringList{first, second}));
    TRadio radio;
    radio.LoadFromFile(second);
    QCOMPARE(radio.Links()[0]->Href(), u"http://127.0.0.1:9/stream1"_s);
    QCOMPARE(f.Window->lblStatus->text(), u"已保存到 "_s + second);
    QVERIFY(f.Directory.Clicks().isEmpty());

    // A folder that cannot take it: the window says why, nothing opens.
    f.Window->SetSaveFolder(folder.filePath(u"missing"_s));
    f.Window->btnSaveClick();
    QCOMPARE(f.Host.Opened.size(), 2);
    QVERIFY(f.Window->lblStatus->text().contains(u"missing"_s));
}

QTEST_MAIN(TestSearchWindow)
#include "test_search_window.moc"
