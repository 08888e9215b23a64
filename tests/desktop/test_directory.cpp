// The station directory's client: reading what its servers send, the
// stations and files a result makes, and searches against loopback stand-ins
// for its servers, down, stalled and answering.

#include "TestDirectory.h"
#include "TestHome.h"
#include "TestSupport.h"
#include "libDirectory.h"
#include "libError.h"
#include "libRadio.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QByteArray Json(const QJsonArray& entries) { return QJsonDocument(entries).toJson(QJsonDocument::Compact); }

QJsonObject With(QJsonObject station, const QString& key, const QJsonValue& value)
{
    station[key] = value;
    return station;
}

// Runs a search to its end on the test's event loop.
struct TRun
{
    TDirectory& Directory;
    std::unique_ptr<TDirectorySearch> Search;
    bool Finished = false;

    TRun(TDirectory& directory, const TDirectoryQuery& query) : Directory(directory), Search(directory.Search(query))
    {
        QSignalSpy finished(Search.get(), &TDirectorySearch::Finished);
        Finished = finished.wait(20000) && finished.size() == 1;
    }
};

} // namespace

class TestDirectory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readPage_data();
    void readPage();
    void fieldsAndSearchPath();
    void radioFromResult();
    void fileBaseNames_data();
    void fileBaseNames();
    void savingNeverReplaces();
    void defaultCountry_data();
    void defaultCountry();
    void userAgentAndOverride();
    void searchesAndPages();
    void failingServerThenNext();
    void stalledServerPastTimeout();
    void noServerAnswers();
    void clickRegistration();
    void cancelledSearch();
};

void TestDirectory::readPage_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("received");
    QTest::addColumn<QStringList>("urls");

    const QJsonObject one = TTestDirectory::Station(1);
    QTest::newRow("a plain page") << Json({one, TTestDirectory::Station(2)}) << true << 2
                                  << QStringList{u"http://127.0.0.1:9/stream1"_s, u"http://127.0.0.1:9/stream2"_s};
    QTest::newRow("an empty page") << "[]"_ba << true << 0 << QStringList();
    // Not every station has been resolved by the directory.
    QTest::newRow("no resolved address: the one entered")
        << Json({With(one, u"url_resolved"_s, u""_s)}) << true << 1 << QStringList{u"http://127.0.0.1:9/listen1.pls"_s};
    QTest::newRow("mms kept") << Json({With(one, u"url_resolved"_s, u"mms://media.example.cn/live"_s)}) << true << 1
                              << QStringList{u"mms://media.example.cn/live"_s};
    // A stranger's entry must not hand a local file to an engine.
    QTest::newRow("no stream address: dropped, but counted")
        << Json({With(With(one, u"url_resolved"_s, u"file:///etc/passwd"_s), u"url"_s, u"javascript:alert(1)"_s),
                 TTestDirectory::Station(2)})
        << true << 2 << QStringList{u"http://127.0.0.1:9/stream2"_s};
    QTest::newRow("entries that are no objects") << "[1,\"x\",null,[]]"_ba << true << 4 << QStringList();
    QTest::newRow("an object, not a list") << "{\"error\":\"x\"}"_ba << false << 0 << QStringList();
    QTest::newRow("a maintenance page") << "<html>down</html>"_ba << false << 0 << QStringList();
    QTest::newRow("cut short") << Json({one}).chopped(5) << false << 0 << QStringList();
    QTest::newRow("nothing") << QByteArray() << false << 0 << QStringList();
}

void TestDirectory::readPage()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, valid);
    QFETCH(int, received);
    QFETCH(QStringList, urls);
    const TDirectoryPage page = ReadDirectoryPage(json);
    QCOMPARE(page.Valid, valid);
    QCOMPARE(page.Received, received);
    QStringList read;
    for (const TDirectoryStation& station : page.Stations)
        read += station.Url;
    QCOMPARE(read, urls);
}

void TestDirectory::fieldsAndSearchPath()
{
    // The fields as the directory's servers and older ones send them.
    QJsonObject odd = TTestDirectory::Station(7);
    odd[u"name"_s] = u"  中国之声 \t"_s;
    odd[u"bitrate"_s] = u"64"_s;
    odd[u"votes"_s] = -3;
    odd[u"countrycode"_s] = u"cn"_s;
    odd[u"homepage"_s] = u"javascript:void(0)"_s;
    odd.remove(u"codec"_s);
    const TDirectoryPage page = ReadDirectoryPage(Json({odd}));
    QCOMPARE(page.Stations.size(), 1);
    const TDirectoryStation& station = page.Stations.first();
    QCOMPARE(station.Uuid, u"00000000-0000-0000-0000-000000000007"_s);
    QCOMPARE(station.Name, u"中国之声"_s);
    QCOMPARE(station.Bitrate, 64);
    QCOMPARE(station.Votes, 0);
    QCOMPARE(station.CountryCode, u"CN"_s);
    QCOMPARE(station.Country, u"China"_s);
    QCOMPARE(station.Language, u"chinese,mandarin"_s);
    QVERIFY(station.Homepage.isEmpty());
    QVERIFY(station.Codec.isEmpty());

    TDirectoryQuery query;
    query.Name = u" 音乐 & 新闻 "_s;
    query.CountryCode = u"tw"_s;
    query.Offset = 100;
    query.Limit = 50;
    const QString path = DirectorySearchPath(query);
    QVERIFY2(path.startsWith(u"/json/stations/search?"), qPrintable(path));
    const QUrlQuery fields(QUrl(path).query(QUrl::FullyEncoded));
    QCOMPARE(fields.queryItemValue(u"name"_s, QUrl::FullyDecoded), u"音乐 & 新闻"_s);
    QCOMPARE(fields.queryItemValue(u"countrycode"_s), u"TW"_s);
    QCOMPARE(fields.queryItemValue(u"offset"_s), u"100"_s);
    QCOMPARE(fields.queryItemValue(u"limit"_s), u"50"_s);
    QCOMPARE(fields.queryItemValue(u"hidebroken"_s), u"true"_s);
    // Empty fields do not narrow the search.
    QVERIFY(!fields.hasQueryItem(u"tag"_s));
    QVERIFY(!fields.hasQueryItem(u"language"_s));
}

void TestDirectory::radioFromResult()
{
    TDirectoryStation station = ReadDirectoryPage(Json({TTestDirectory::Station(3)})).Stations.value(0);
    TRadio radio;
    radio.Links().Add()->SetHref(u"http://old.example.cn/"_s);
    MakeDirectoryRadio(station, radio);
    QCOMPARE(radio.Text(), u"测试电台 3"_s);
    QCOMPARE(radio.Href(), u"http://example.cn/3"_s);
    QCOMPARE(radio.Lang(), u"chinese,mandarin"_s);
    QCOMPARE(radio.Land(), u"China"_s);
    QCOMPARE(radio.Links().Count(), 1);
    const TRadioLink* link = radio.Links()[0];
    QCOMPARE(link->Href(), u"http://127.0.0.1:9/stream3"_s);
    QCOMPARE(link->Kind(), skWindowsMedia);
    QCOMPARE(link->BestKbps(), 128);
    QCOMPARE(link->ShitKbps(), 128);
    QCOMPARE(radio.Link(), 0);

    // An unknown rate teaches nothing; an rtsp stream needs the other engine.
    station.Bitrate = 0;
    station.Url = u"rtsp://media.example.cn/live"_s;
    MakeDirectoryRadio(station, radio);
    QCOMPARE(radio.Links()[0]->Kind(), skRealMedia);
    QCOMPARE(radio.Links()[0]->BestKbps(), 0);
    QCOMPARE(radio.Links()[0]->ShitKbps(), 0);
    station.Bitrate = 100000;
    MakeDirectoryRadio(station, radio);
    QCOMPARE(radio.Links()[0]->BestKbps(), 65535);
}

void TestDirectory::fileBaseNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("base");
    QTest::newRow("plain") << u"中国之声"_s << u"中国之声"_s;
    QTest::newRow("a slash and its kin") << u"AC/DC: \"Live\" <1>|*?\\"_s << u"AC_DC_ _Live_ _1_____"_s;
    QTest::newRow("control characters") << u"a\tb\nc"_s << u"a_b_c"_s;
    QTest::newRow("trimmed") << u"  FM 97.4  "_s << u"FM 97.4"_s;
    // A leading dot would hide the file in the user's folder.
    QTest::newRow("leading dots") << u"..hidden"_s << u"__hidden"_s;
    QTest::newRow("nothing left") << u"   "_s << u"_"_s;
}

void TestDirectory::fileBaseNames()
{
    QFETCH(QString, name);
    QFETCH(QString, base);
    QCOMPARE(StationFileBaseName(name), base);
    // Long names are cut at a whole character, leaving room for a suffix.
    const QString longName = StationFileBaseName(QString(300, u'电') + u"😀"_s);
    QVERIFY(longName.toUtf8().size() <= 200);
    QVERIFY(!longName.back().isHighSurrogate());
}

void TestDirectory::savingNeverReplaces()
{
    QTemporaryDir folder;
    QFile existing(folder.filePath(u"测试电台 1.radio"_s));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("the user's own");
    existing.close();

    const TDirectoryStation station = ReadDirectoryPage(Json({TTestDirectory::Station(1)})).Stations.value(0);
    const QString second = SaveDirectoryStation(station, folder.path());
    const QString third = SaveDirectoryStation(station, folder.path());
    QCOMPARE(second, folder.filePath(u"测试电台 1 (2).radio"_s));
    QCOMPARE(third, folder.filePath(u"测试电台 1 (3).radio"_s));
    QCOMPARE(ReadFileBytes(existing.fileName()), "the user's own"_ba);
    TRadio read;
    read.LoadFromFile(third);
    QCOMPARE(read.Text(), u"测试电台 1"_s);
    QCOMPARE(read.Links()[0]->Href(), u"http://127.0.0.1:9/stream1"_s);

    // A folder that cannot take the file says so and leaves nothing behind.
    QVERIFY_THROWS_EXCEPTION(EProgramError, SaveDirectoryStation(station, folder.filePath(u"missing"_s)));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 3);
}

void TestDirectory::defaultCountry_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("country");
    QTest::newRow("zh_CN") << u"zh_CN"_s << u"CN"_s;
    QTest::newRow("zh_TW") << u"zh_TW"_s << u"TW"_s;
    QTest::newRow("zh_HK") << u"zh_HK"_s << u"HK"_s;
    QTest::newRow("zh_SG") << u"zh_SG"_s << u"SG"_s;
    QTest::newRow("another language") << u"en_US"_s << u""_s;
    QTest::newRow("C") << u"C"_s << u""_s;
}

void TestDirectory::defaultCountry()
{
    QFETCH(QString, locale);
    QFETCH(QString, country);
    QCOMPARE(DefaultDirectoryCountry(QLocale(locale)), country);
    QCOMPARE(DirectoryCountries().first().Code, QString());
}

void TestDirectory::userAgentAndOverride()
{
    QCOMPARE(DirectoryUserAgent(), "Kestrel/2.0.0.800 (io.github.kestrelradio.Kestrel)"_ba);

    const QByteArray saved = qgetenv("KESTREL_RADIO_BROWSER");
    const struct
    {
        QByteArray Value;
        QString Server;
    } cases[] = {
        {"http://127.0.0.1:8124", u"http://127.0.0.1:8124"_s},
        {" https://mirror.example.cn/api// ", u"https://mirror.example.cn/api"_s},
        {"file:///tmp", QString()},
        {"127.0.0.1:8124", QString()},
        {"http://127.0.0.1:8124/?a=1", QString()},
        {"", QString()},
    };
    for (const auto& row : cases) {
        qputenv("KESTREL_RADIO_BROWSER", row.Value);
        QCOMPARE(DirectoryServerOverride(), row.Server);
    }
    qputenv("KESTREL_RADIO_BROWSER", saved);
}

void TestDirectory::searchesAndPages()
{
    TTestDirectory server;
    QVERIFY(server.Listen());
    for (int n = 1; n <= 120; ++n)
        server.Stations += TTestDirectory::Station(n);
    server.Stations += With(TTestDirectory::Station(999), u"name"_s, u"别的电台"_s);
    // The variable names the only server when no list is handed in.
    const QByteArray saved = qgetenv("KESTREL_RADIO_BROWSER");
    qputenv("KESTREL_RADIO_BROWSER", server.Base().toUtf8());
    TDirectory directory;
    qputenv("KESTREL_RADIO_BROWSER", saved);

    TDirectoryQuery query;
    query.Name = u"测试"_s;
    query.CountryCode = u"CN"_s;
    QList<int> pages;
    QStringList names;
    for (;;) {
        TRun run(directory, query);
        QVERIFY(run.Finished);
        QVERIFY(run.Search->Succeeded());
        pages += run.Search->Page().Received;
        for (const TDirectoryStation& station : run.Search->Page().Stations)
            names += station.Name;
        if (!run.Search->HasMore())
            break;
        query.Offset += run.Search->Page().Received;
    }
    QCOMPARE(pages, (QList<int>{50, 50, 20}));
    QCOMPARE(names.size(), 120);
    QCOMPARE(names.first(), u"测试电台 1"_s);
    QCOMPARE(names.last(), u"测试电台 120"_s);
    QCOMPARE(directory.Server(), server.Base());

    const QList<QUrlQuery> searches = server.Searches();
    QCOMPARE(searches.size(), 3);
    QCOMPARE(searches[2].queryItemValue(u"offset"_s), u"100"_s);
    QCOMPARE(searches[0].queryItemValue(u"name"_s, QUrl::FullyDecoded), u"测试"_s);
    QCOMPARE(searches[0].queryItemValue(u"countrycode"_s), u"CN"_s);
    for (const QByteArray& agent : server.UserAgents())
        QCOMPARE(agent, DirectoryUserAgent());
}

void TestDirectory::failingServerThenNext()
{
    TTestDirectory down(TTestDirectory::Fails);
    TTestDirectory garbage(TTestDirectory::Garbage);
    TTestDirectory up;
    QVERIFY(down.Listen() && garbage.Listen() && up.Listen());
    up.Stations = {TTestDirectory::Station(1)};
    TFixedDirectoryServers servers({down.Base(), garbage.Base(), up.Base()});
    TDirectorySetup setup;
    setup.Servers = &servers;
    TDirectory directory(setup);

    TRun first(directory, TDirectoryQuery());
    QVERIFY(first.Finished);
    QVERIFY(first.Search->Succeeded());
    QCOMPARE(first.Search->Page().Stations.size(), 1);
    QCOMPARE(directory.Server(), up.Base());
    // The server that answered is asked first from then on.
    TRun second(directory, TDirectoryQuery());
    QVERIFY(second.Search->Succeeded());
    QCOMPARE(down.Requests(), 1);
    QCOMPARE(garbage.Requests(), 1);
    QCOMPARE(up.Requests(), 2);
}

void TestDirectory::stalledServerPastTimeout()
{
    TTestDirectory stalled(TTestDirectory::Stalls);
    TTestDirectory up;
    QVERIFY(stalled.Listen() && up.Listen());
    up.Stations = {TTestDirectory::Station(1), TTestDirectory::Station(2)};
    TFixedDirectoryServers servers({stalled.Base(), up.Base()});
    TDirectorySetup setup;
    setup.Servers = &servers;
    setup.Limits.TimeoutMs = 300;
    TDirectory directory(setup);

    QElapsedTimer clock;
    clock.start();
    TRun run(directory, TDirectoryQuery());
    QVERIFY(run.Finished);
    QVERIFY(run.Search->Succeeded());
    QCOMPARE(run.Search->Page().Stations.size(), 2);
    QCOMPARE(stalled.Requests(), 1);
    QVERIFY2(clock.elapsed() >= 250 && clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
}

void TestDirectory::noServerAnswers()
{
    TTestDirectory down(TTestDirectory::Fails);
    TTestDirectory stalled(TTestDirectory::Stalls);
    QVERIFY(down.Listen() && stalled.Listen());
    TFixedDirectoryServers servers({down.Base(), stalled.Base()});
    TDirectorySetup setup;
    setup.Servers = &servers;
    setup.Limits.TimeoutMs = 300;
    TDirectory directory(setup);
    TRun run(directory, TDirectoryQuery());
    QVERIFY(run.Finished);
    QVERIFY(!run.Search->Succeeded());
    QVERIFY(!run.Search->HasMore());
    QVERIFY(directory.Server().isEmpty());

    // No server at all fails the same way.
    TFixedDirectoryServers none({});
    setup.Servers = &none;
    TDirectory empty(setup);
    TRun nothing(empty, TDirectoryQuery());
    QVERIFY(nothing.Finished);
    QVERIFY(!nothing.Search->Succeeded());
}

void TestDirectory::clickRegistration()
{
    TTestDirectory server;
    QVERIFY(server.Listen());
    server.Stations = {TTestDirectory::Station(5)};
    TFixedDirectoryServers servers({server.Base()});
    TDirectorySetup setup;
    setup.Servers = &servers;
    TDirectory directory(setup);
    // Before any server answered there is nowhere to tell.
    directory.RegisterClick(u"00000000-0000-0000-0000-000000000005"_s);

    TRun run(directory, TDirectoryQuery());
    QVERIFY(run.Search->Succeeded());
    const QString uuid = run.Search->Page().Stations.value(0).Uuid;
    directory.RegisterClick(uuid);
    // Nothing that is no uuid goes into the path.
    directory.RegisterClick(u"../../etc"_s);
    directory.RegisterClick(QString());
    QTRY_COMPARE(server.Clicks(), QStringList{uuid});
    QTest::qWait(200);
    QCOMPARE(server.Clicks(), QStringList{uuid});
    QCOMPARE(server.UserAgents().last(), DirectoryUserAgent());
}

void TestDirectory::cancelledSearch()
{
    TTestDirectory stalled(TTestDirectory::Stalls);
    QVERIFY(stalled.Listen());
    TFixedDirectoryServers servers({stalled.Base()});
    TDirectorySetup setup;
    setup.Servers = &servers;
    auto directory = std::make_unique<TDirectory>(setup);
    TDirectorySearch* search = directory->Search(TDirectoryQuery());
    QSignalSpy finished(search, &TDirectorySearch::Finished);
    QTRY_COMPARE(stalled.Requests(), 1);
    delete search;
    // A search still running goes with its directory.
    QSignalSpy second(directory->Search(TDirectoryQuery()), &TDirectorySearch::Finished);
    QTRY_COMPARE(stalled.Requests(), 2);
    directory.reset();
    QTest::qWait(100);
    QCOMPARE(finished.size(), 0);
    QCOMPARE(second.size(), 0);
}

QTEST_GUILESS_MAIN(TestDirectory)
#include "test_directory.moc"
