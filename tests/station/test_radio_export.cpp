// The playlist exports: the exact bytes of RAM, ASX, M3U and PLS files, and
// the table of export formats the window and the tool share.

#include "libRadio.h"
#include "libText.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A station with links of both kinds, one address with "&", one link without
// an address, and a name with a character GBK lacks.
void FillStation(TRadio& radio)
{
    radio.SetText(u"音乐之声 😀"_s);
    radio.SetHref(u"http://www.example.cn/"_s);
    radio.SetKind(u"音乐"_s);
    radio.SetLang(u"中文"_s);
    radio.SetLand(u"中国"_s);
    radio.SetMenu(u"http://www.example.cn/menu?a=1&b=2"_s);
    TRadioLink* link = radio.Links().Add();
    link->SetText(u"主线路"_s);
    link->SetHref(u"mms://live.example.cn/music?a=1&b=2"_s);
    link = radio.Links().Add();
    link->SetHref(u"rtsp://live.example.cn/music.rm"_s);
    link->SetKind(skRealMedia);
    radio.Links().Add();
}

QByteArray CrLf(std::initializer_list<QByteArray> lines)
{
    QByteArray data;
    for (const QByteArray& line : lines)
        data += line + "\r\n";
    return data;
}

// GBK bytes spelled out, so that the test does not lean on the converter.
const QByteArray Zhongguo = "\xd6\xd0\xb9\xfa";                       // 中国
const QByteArray Zhongwen = "\xd6\xd0\xce\xc4";                       // 中文
const QByteArray Yinyue = "\xd2\xf4\xc0\xd6";                         // 音乐
const QByteArray Yinyuezhisheng = "\xd2\xf4\xc0\xd6\xd6\xae\xc9\xf9"; // 音乐之声
const QByteArray Product = "Kestrel\xca\xd5\xd2\xf4\xbb\xfa";         // Kestrel收音机

} // namespace

class TestRadioExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exports_data();
    void exports();
    void writtenToFile();
    void exportFormatTable_data();
    void exportFormatTable();
};

void TestRadioExport::exports_data()
{
    QTest::addColumn<bool>("full");
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray abstract = Zhongguo + "-" + Zhongwen + "-" + Yinyue;
    QTest::newRow("RAM") << true << int(sfRAM)
                         << CrLf({"# " + Yinyuezhisheng + " ?", "# " + abstract, "# http://www.example.cn/",
                                  "# http://www.example.cn/menu?a=1&b=2", "# " + Product,
                                  "mms://live.example.cn/music?a=1&b=2", "rtsp://live.example.cn/music.rm", ""});
    QTest::newRow("ASX") << true << int(sfASX)
                         << CrLf({R"(<asx version = "3.0">)", "<title>" + Yinyuezhisheng + " ?</title>",
                                  "<abstract>" + abstract + "</abstract>", "<author>" + Product + "</author>",
                                  R"(<moreinfo href="http://www.example.cn/menu?a=1&b=2" target="_blank" />)",
                                  "<entry>", R"(<ref href="mms://live.example.cn/music?a=1&b=2" />)",
                                  R"(<ref href="rtsp://live.example.cn/music.rm" />)", R"(<ref href="" />)", "</entry>",
                                  "</asx>"});
    QTest::newRow("M3U") << true << int(sfM3U)
                         << CrLf({"#EXTM3U", u"#EXTINF:-1,音乐之声 😀 - 主线路"_s.toUtf8(),
                                  "mms://live.example.cn/music?a=1&b=2",
                                  u"#EXTINF:-1,音乐之声 😀 - rtsp://live.example.cn/music.rm"_s.toUtf8(),
                                  "rtsp://live.example.cn/music.rm",
                                  u"#EXTINF:-1,音乐之声 😀 - 未命名的收听连接"_s.toUtf8(), ""});
    QTest::newRow("PLS") << true << int(sfPLS)
                         << CrLf({"[playlist]", "File1=mms://live.example.cn/music?a=1&b=2",
                                  u"Title1=音乐之声 😀 - 主线路"_s.toUtf8(), "Length1=-1",
                                  "File2=rtsp://live.example.cn/music.rm",
                                  u"Title2=音乐之声 😀 - rtsp://live.example.cn/music.rm"_s.toUtf8(), "Length2=-1",
                                  "File3=", u"Title3=音乐之声 😀 - 未命名的收听连接"_s.toUtf8(), "Length3=-1",
                                  "NumberOfEntries=3", "Version=2"});

    // Unnamed, no links, only a programme guide.
    const QByteArray unnamed = "\xce\xb4\xc3\xfc\xc3\xfb\xb5\xc4\xb5\xe7\xcc\xa8"; // 未命名的电台
    QTest::newRow("RAM, bare station") << false << int(sfRAM)
                                       << CrLf(
                                              {"# " + unnamed, "# --", "# http://www.example.cn/menu", "# " + Product});
    QTest::newRow("ASX, bare station") << false << int(sfASX)
                                       << CrLf({R"(<asx version = "3.0">)", "<title>" + unnamed + "</title>",
                                                "<abstract>--</abstract>", "<author>" + Product + "</author>",
                                                R"(<moreinfo href="http://www.example.cn/menu" target="_blank" />)",
                                                "<entry>", "</entry>", "</asx>"});
    QTest::newRow("M3U, bare station") << false << int(sfM3U) << CrLf({"#EXTM3U"});
    QTest::newRow("PLS, bare station") << false << int(sfPLS) << CrLf({"[playlist]", "NumberOfEntries=0", "Version=2"});
}

void TestRadioExport::exports()
{
    QFETCH(bool, full);
    QFETCH(int, format);
    QFETCH(QByteArray, expected);
    TRadio radio;
    if (full)
        FillStation(radio);
    else
        radio.SetMenu(u"http://www.example.cn/menu"_s);
    QCOMPARE(radio.SaveToData(TSaveFormat(format)), expected);
}

void TestRadioExport::writtenToFile()
{
    // The file replaces an older, longer one completely.
    QTemporaryDir dir;
    const QString fileName = dir.filePath(u"音乐之声.ram"_s);
    {
        QFile old(fileName);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(10000, 'x'));
    }
    TRadio radio;
    FillStation(radio);
    radio.SaveToFile(fileName, sfRAM);
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), radio.SaveToData(sfRAM));
}

// Every word the tool documents finds its format; anything else, even a
// written extension or another spelling, is refused.
void TestRadioExport::exportFormatTable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("format"); // -1: refused
    QTest::addColumn<QString>("ext");
    QTest::newRow("wax") << u"wax"_s << int(sfASX) << u".wax"_s;
    QTest::newRow("ram") << u"ram"_s << int(sfRAM) << u".ram"_s;
    QTest::newRow("m3u") << u"m3u"_s << int(sfM3U) << u".m3u"_s;
    QTest::newRow("pls") << u"pls"_s << int(sfPLS) << u".pls"_s;
    QTest::newRow("asx is read, not written") << u"asx"_s << -1 << QString();
    QTest::newRow("capitals") << u"WAX"_s << -1 << QString();
    QTest::newRow("with the dot") << u".ram"_s << -1 << QString();
    QTest::newRow("the station format") << u"radio"_s << -1 << QString();
    QTest::newRow("empty") << QString() << -1 << QString();
}

void TestRadioExport::exportFormatTable()
{
    QFETCH(QString, name);
    QFETCH(int, format);
    QFETCH(QString, ext);
    const TExportFormat* found = FindExportFormat(name);
    QCOMPARE(found != nullptr, format >= 0);
    if (!found)
        return;
    QCOMPARE(int(found->Format), format);
    QCOMPARE(found->Ext, ext);
    // The save dialog offers the extension that is written, and the menu
    // item names it.
    QVERIFY(found->Patterns.split(u';').contains(u'*' + ext));
    QVERIFY(found->Caption.contains(u'*' + ext));
}

QTEST_GUILESS_MAIN(TestRadioExport)
#include "test_radio_export.moc"
