// The search command of kestrel-radio-cli against a loopback stand-in for the
// station directory, named by KESTREL_RADIO_BROWSER, as a user runs it.

#include "TestDirectory.h"
#include "TestSupport.h"
#include "libRadio.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

TProgramRun Search(const QString& server, const QStringList& args)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"KESTREL_RADIO_BROWSER"_s, server);
    return RunProgramServing(BinaryPath(u"src/cli/kestrel-radio-cli"_s), QStringList{u"search"_s} + args, environment);
}

QList<QJsonObject> Lines(const QByteArray& out)
{
    QList<QJsonObject> lines;
    for (const QByteArray& line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            qWarning("not a JSON object: %s", line.constData());
        else
            lines += document.object(); // a bad line fails the count
    }
    return lines;
}

} // namespace

class TestCliSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resultsAsJsonLines();
    void pagesUpToTheLimit();
    void saveNamesFiles();
    void noServerAnswers();
    void usageErrors_data();
    void usageErrors();
};

void TestCliSearch::resultsAsJsonLines()
{
    TTestDirectory directory;
    QVERIFY(directory.Listen());
    QJsonObject unknown = TTestDirectory::Station(2);
    unknown.remove(u"bitrate"_s);
    unknown[u"url_resolved"_s] = u""_s;
    directory.Stations = {TTestDirectory::Station(1), unknown, TTestDirectory::Station(3)};
    directory.Stations[2][u"name"_s] = u"别的"_s;

    const TProgramRun run = Search(directory.Base(), {u"测试"_s, u"--country"_s, u"cn"_s});
    QCOMPARE(run.Exit, 0);
    QVERIFY2(run.Err.isEmpty(), run.Err.constData());
    const QList<QJsonObject> lines = Lines(run.Out);
    QCOMPARE(lines.size(), 2);
    const QJsonObject& first = lines[0];
    QCOMPARE(first.keys(), (QStringList{u"bitrate"_s, u"codec"_s, u"country"_s, u"countrycode"_s, u"homepage"_s,
                                        u"language"_s, u"name"_s, u"url"_s, u"uuid"_s, u"votes"_s}));
    QCOMPARE(first[u"name"_s].toString(), u"测试电台 1"_s);
    QCOMPARE(first[u"url"_s].toString(), u"http://127.0.0.1:9/stream1"_s);
    QCOMPARE(first[u"homepage"_s].toString(), u"http://example.cn/1"_s);
    QCOMPARE(first[u"country"_s].toString(), u"China"_s);
    QCOMPARE(first[u"countrycode"_s].toString(), u"CN"_s);
    QCOMPARE(first[u"language"_s].toString(), u"chinese,mandarin"_s);
    QCOMPARE(first[u"codec"_s].toString(), u"MP3"_s);
    QVERIFY(first[u"bitrate"_s].isDouble());
    QCOMPARE(first[u"bitrate"_s].toInt(), 128);
    QVERIFY(first[u"votes"_s].isDouble());
    QCOMPARE(first[u"votes"_s].toInt(), 999);
    QCOMPARE(first[u"uuid"_s].toString(), u"00000000-0000-0000-0000-000000000001"_s);
    // Unresolved: the address as entered; no rate known: 0.
    QCOMPARE(lines[1][u"url"_s].toString(), u"http://127.0.0.1:9/listen2.pls"_s);
    QCOMPARE(lines[1][u"bitrate"_s].toInt(-1), 0);

    const QList<QUrlQuery> searches = directory.Searches();
    QCOMPARE(searches.size(), 1);
    QCOMPARE(searches[0].queryItemValue(u"countrycode"_s), u"CN"_s);
    QCOMPARE(searches[0].queryItemValue(u"limit"_s), u"50"_s);
    QVERIFY(directory.UserAgents()[0].startsWith("Kestrel/"));

    // No result is no failure.
    const TProgramRun none = Search(directory.Base(), {u"没有这个电台"_s});
    QCOMPARE(none.Exit, 0);
    QVERIFY(none.Out.isEmpty());
}

void TestCliSearch::pagesUpToTheLimit()
{
    TTestDirectory directory;
    QVERIFY(directory.Listen());
    for (int n = 1; n <= 260; ++n)
        directory.Stations += TTestDirectory::Station(n);
    const TProgramRun run = Search(directory.Base(), {u"测试"_s, u"--limit"_s, u"230"_s});
    QCOMPARE(run.Exit, 0);
    const QList<QJsonObject> lines = Lines(run.Out);
    QCOMPARE(lines.size(), 230);
    QCOMPARE(lines.last()[u"name"_s].toString(), u"测试电台 230"_s);
    QList<QString> limits;
    for (const QUrlQuery& search : directory.Searches())
        limits += search.queryItemValue(u"offset"_s) + u'+' + search.queryItemValue(u"limit"_s);
    QCOMPARE(limits, (QList<QString>{u"0+100"_s, u"100+100"_s, u"200+30"_s}));
}

void TestCliSearch::saveNamesFiles()
{
    TTestDirectory directory;
    QVERIFY(directory.Listen());
    QJsonObject slash = TTestDirectory::Station(1);
    slash[u"name"_s] = u"AC/DC: 测试?"_s;
    QJsonObject twin = TTestDirectory::Station(2);
    twin[u"name"_s] = slash[u"name"_s];
    directory.Stations = {slash, twin, TTestDirectory::Station(3)};
    QTemporaryDir home;
    const QString folder = home.filePath(u"电台"_s);
    QVERIFY(QDir().mkpath(folder));
    // A file already there under the third result's name is the user's.
    QFile existing(folder + u"/测试电台 3.radio"_s);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("mine");
    existing.close();

    const TProgramRun run = Search(directory.Base(), {u"测试"_s, u"--save"_s, folder});
    QCOMPARE(run.Exit, 0);
    QCOMPARE(Lines(run.Out).size(), 3);
    const QStringList written = QString::fromUtf8(run.Err).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(written, (QStringList{folder + u"/AC_DC_ 测试_.radio"_s, folder + u"/AC_DC_ 测试_ (2).radio"_s,
                                   folder + u"/测试电台 3 (2).radio"_s}));
    QCOMPARE(ReadFileBytes(existing.fileName()), "mine"_ba);
    TRadio radio;
    radio.LoadFromFile(written[1]);
    QCOMPARE(radio.Text(), u"AC/DC: 测试?"_s);
    QCOMPARE(radio.Href(), u"http://example.cn/2"_s);
    QCOMPARE(radio.Land(), u"China"_s);
    QCOMPARE(radio.Links().Count(), 1);
    QCOMPARE(radio.Links()[0]->Href(), u"http://127.0.0.1:9/stream2"_s);
    QCOMPARE(radio.Links()[0]->BestKbps(), 128);

    // A folder that is missing is made.
    const TProgramRun made = Search(directory.Base(), {u"测试电台 3"_s, u"--save"_s, home.filePath(u"new/sub"_s)});
    QCOMPARE(made.Exit, 0);
    QVERIFY(QFile::exists(home.filePath(u"new/sub/测试电台 3.radio"_s)));
}

void TestCliSearch::noServerAnswers()
{
    TTestDirectory down(TTestDirectory::Fails);
    QVERIFY(down.Listen());
    for (const QString& server : {down.Base(), u"http://127.0.0.1:9"_s}) {
        const TProgramRun run = Search(server, {u"测试"_s});
        QCOMPARE(run.Exit, 1);
        QVERIFY(run.Out.isEmpty());
        QVERIFY2(QString::fromUtf8(run.Err).startsWith(u"搜索失败"), run.Err.constData());
    }
}

void TestCliSearch::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no text") << QStringList();
    QTest::newRow("two texts") << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("unknown option") << QStringList{u"a"_s, u"--tag"_s, u"news"_s};
    QTest::newRow("country of three letters") << QStringList{u"a"_s, u"--country"_s, u"CHN"_s};
    QTest::newRow("limit 0") << QStringList{u"a"_s, u"--limit"_s, u"0"_s};
    QTest::newRow("limit not a number") << QStringList{u"a"_s, u"--limit"_s, u"ten"_s};
    QTest::newRow("save without folder") << QStringList{u"a"_s, u"--save"_s};
}

void TestCliSearch::usageErrors()
{
    QFETCH(QStringList, args);
    // Refused before anything is asked: the closed port would fail with 1.
    const TProgramRun run = Search(u"http://127.0.0.1:9"_s, args);
    QCOMPARE(run.Exit, 2);
    QVERIFY(run.Out.isEmpty());
    QVERIFY(!run.Err.isEmpty());
}

QTEST_GUILESS_MAIN(TestCliSearch)
#include "test_cli_search.moc"
