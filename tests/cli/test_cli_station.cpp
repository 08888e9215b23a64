// The station commands of kestrel-radio-cli, run as a user runs them.

#include "TestSupport.h"
#include "libRadio.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

TProgramRun Run(const QStringList& args) { return RunProgram(BinaryPath(u"src/cli/kestrel-radio-cli"_s), args); }

} // namespace

class TestCliStation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void info();
    void infoFailures_data();
    void infoFailures();
    void save();
    void exportFormats_data();
    void exportFormats();
    void kind_data();
    void kind();
    void usageErrors_data();
    void usageErrors();
};

void TestCliStation::info()
{
    const TProgramRun run = Run({u"info"_s, TestDataPath(u"station.radio"_s)});
    QCOMPARE(run.Exit, 0);
    QVERIFY(run.Err.isEmpty());
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(run.Out, &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonObject station = document.object();
    QCOMPARE(station.keys().size(), 9);
    QCOMPARE(station[u"Text"_s].toString(), u"中国之声"_s);
    QCOMPARE(station[u"DisplayText"_s].toString(), u"中国之声"_s);
    QCOMPARE(station[u"Href"_s].toString(), u"http://www.example.cn/"_s);
    QCOMPARE(station[u"Kind"_s].toString(), u"新闻"_s);
    QCOMPARE(station[u"Lang"_s].toString(), u"普通话"_s);
    QCOMPARE(station[u"Land"_s].toString(), u"中国"_s);
    QCOMPARE(station[u"Menu"_s].toString(), u"http://www.example.cn/menu"_s);
    // Stored 7 with three links: read through the model, it is 0.
    QCOMPARE(station[u"Link"_s].toInt(-9), 0);

    const QJsonArray links = station[u"Links"_s].toArray();
    QCOMPARE(links.size(), 3);
    const QJsonObject first = links[0].toObject();
    QCOMPARE(first.keys().size(), 6);
    QCOMPARE(first[u"Text"_s].toString(), u"主线路"_s);
    QCOMPARE(first[u"Kind"_s].toString(), u"wm"_s);
    QVERIFY(first[u"BestKbps"_s].isDouble());
    QCOMPARE(first[u"BestKbps"_s].toInt(), 48);
    QCOMPARE(first[u"ShitKbps"_s].toInt(), 24);
    const QJsonObject second = links[1].toObject();
    QCOMPARE(second[u"Text"_s].toString(), QString());
    QCOMPARE(second[u"DisplayText"_s].toString(), u"rtsp://live.example.cn/cnr1.rm"_s);
    QCOMPARE(second[u"Kind"_s].toString(), u"rm"_s);
    QCOMPARE(second[u"BestKbps"_s].toInt(-1), 0);
    const QJsonObject third = links[2].toObject();
    QCOMPARE(third[u"Text"_s].toString(), u"带\"引号\"\\的名字"_s);
    QCOMPARE(third[u"Href"_s].toString(), u"http://live.example.cn/a?b=1&c=2"_s);
}

void TestCliStation::infoFailures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    QTest::newRow("wrong root") << TestDataPath(u"lowercase-root.radio"_s) << u"不是正确的电台文件格式\n"_s;
    const QString missing = TestDataPath(u"没有这个文件.radio"_s);
    QTest::newRow("missing file") << missing << u"找不到指定的电台文件:\r\n"_s + missing + u'\n';
}

void TestCliStation::infoFailures()
{
    QFETCH(QString, file);
    QFETCH(QString, message);
    const TProgramRun run = Run({u"info"_s, file});
    QCOMPARE(run.Exit, 1);
    QVERIFY(run.Out.isEmpty());
    QCOMPARE(QString::fromUtf8(run.Err), message);
}

void TestCliStation::save()
{
    QTemporaryDir dir;
    const QString out = dir.filePath(u"副本.radio"_s);
    const QString in = TestDataPath(u"station.radio"_s);
    const QByteArray before = ReadFileBytes(in);
    const TProgramRun run = Run({u"save"_s, in, out});
    QCOMPARE(run.Exit, 0);
    QVERIFY(run.Err.isEmpty());
    QCOMPARE(ReadFileBytes(in), before);
    // The current link is normalised, the unnamed link carries its address.
    QByteArray expected = before;
    expected.replace(R"(Link="7")", R"(Link="0")");
    expected.replace(R"(<Link Href="rtsp)", R"(<Link Text="rtsp://live.example.cn/cnr1.rm" Href="rtsp)");
    QCOMPARE(ReadFileBytes(out), expected);

    const TProgramRun failed = Run({u"save"_s, in, dir.filePath(u"没有/副本.radio"_s)});
    QCOMPARE(failed.Exit, 1);
    QVERIFY(failed.Err.startsWith("Cannot create file \""));
}

void TestCliStation::exportFormats_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("saveFormat");
    QTest::addColumn<QString>("name");
    QTest::newRow("wax") << u"wax"_s << int(sfASX) << u"中国之声.wax"_s;
    QTest::newRow("ram") << u"ram"_s << int(sfRAM) << u"中国之声.ram"_s;
    QTest::newRow("m3u") << u"m3u"_s << int(sfM3U) << u"中国之声.m3u8"_s;
    QTest::newRow("pls") << u"pls"_s << int(sfPLS) << u"no-extension"_s;
}

void TestCliStation::exportFormats()
{
    QFETCH(QString, format);
    QFETCH(int, saveFormat);
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString in = TestDataPath(u"station.radio"_s);
    const QString out = dir.filePath(name);
    const TProgramRun run = Run({u"export"_s, format, in, out});
    QCOMPARE(run.Exit, 0);
    QVERIFY(run.Err.isEmpty());
    // The file name is used unchanged; the content is the station's export.
    TRadio radio;
    radio.LoadFromFile(in);
    QCOMPARE(ReadFileBytes(out), radio.SaveToData(TSaveFormat(saveFormat)));
}

void TestCliStation::kind_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QByteArray>("output");
    QTest::newRow("mms") << u"MMS://a/b"_s << QByteArray("0\n");
    QTest::newRow("rtsp") << u"rtsp://a/b"_s << QByteArray("1\n");
    QTest::newRow("https") << u"  https://a/b"_s << QByteArray("-1\n");
    QTest::newRow("ftp") << u"ftp://a/b"_s << QByteArray("-2\n");
    QTest::newRow("empty") << QString() << QByteArray("-2\n");
}

void TestCliStation::kind()
{
    QFETCH(QString, url);
    QFETCH(QByteArray, output);
    const TProgramRun run = Run({u"kind"_s, url});
    QCOMPARE(run.Exit, 0);
    QCOMPARE(run.Out, output);
}

void TestCliStation::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("info without a file") << QStringList{u"info"_s};
    QTest::newRow("info with two files") << QStringList{u"info"_s, u"a"_s, u"b"_s};
    QTest::newRow("save without OUT") << QStringList{u"save"_s, u"a.radio"_s};
    QTest::newRow("unknown export format") << QStringList{u"export"_s, u"asx"_s, u"a.radio"_s, u"b"_s};
    QTest::newRow("export without OUT") << QStringList{u"export"_s, u"ram"_s, u"a.radio"_s};
    QTest::newRow("import without OUT") << QStringList{u"import"_s, u"a.pls"_s};
    QTest::newRow("kind without URL") << QStringList{u"kind"_s};
    QTest::newRow("unknown command") << QStringList{u"open"_s};
}

void TestCliStation::usageErrors()
{
    QFETCH(QStringList, args);
    const TProgramRun run = Run(args);
    QCOMPARE(run.Exit, 2);
    QVERIFY(run.Out.isEmpty());
    QCOMPARE(run.Err.count('\n'), 1);
    QVERIFY(run.Err.endsWith('\n'));
}

QTEST_GUILESS_MAIN(TestCliStation)
#include "test_cli_station.moc"
