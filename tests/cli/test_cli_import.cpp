// The import command of kestrel-radio-cli on each kind of playlist, run as a
// user runs it; the quirk fixtures are the station library's.

#include "TestSupport.h"
#include "libConst.h"
#include "libRadio.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

TProgramRun Run(const QStringList& args) { return RunProgram(BinaryPath(u"src/cli/kestrel-radio-cli"_s), args); }

QString Fixture(const QString& name) { return SourcePath(u"tests/station/data/playlists/"_s + name); }

} // namespace

class TestCliImport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachKind_data();
    void eachKind();
    void failures_data();
    void failures();
};

void TestCliImport::eachKind_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("links"); // "address|shown name|kind"
    QTest::newRow("pls") << u"pls-gbk.pls"_s << u"pls-gbk"_s
                         << QStringList{u"http://a.example.cn/gbk|经济之声（镕）|wm"_s};
    QTest::newRow("m3u") << u"m3u-extended.m3u"_s << u"音乐之声"_s
                         << QStringList{u"http://a.example.cn/music|音乐之声 - 主线路|wm"_s,
                                        u"http://b.example.cn/music|音乐之声 - 备用|wm"_s};
    QTest::newRow("m3u iptv") << u"m3u-iptv-attributes.m3u"_s << u"m3u-iptv-attributes"_s
                              << QStringList{u"http://a.example.cn/iptv|甲乙台|wm"_s};
    // Relative entries of a local file are local files: not links.
    QTest::newRow("m3u8") << u"m3u-relative.m3u8"_s << u"m3u-relative"_s
                          << QStringList{u"http://other.example.cn/abs|绝对|wm"_s};
    QTest::newRow("asx") << u"asx-mixed-case.asx"_s << u"大小写混用"_s
                         << QStringList{u"mms://a.example.cn/live|主线路|wm"_s, u"http://b.example.cn/live|备用|wm"_s};
    QTest::newRow("wax") << u"asx-gbk-export.wax"_s << u"中国之声"_s
                         << QStringList{u"mms://a.example.cn/cnr1|mms://a.example.cn/cnr1|wm"_s,
                                        u"rtsp://b.example.cn/cnr1.rm|rtsp://b.example.cn/cnr1.rm|rm"_s};
    // pnm is no address the engines open: not a link.
    QTest::newRow("ram") << u"ram-stop.ram"_s << u"ram-stop"_s
                         << QStringList{u"rtsp://a.example.cn/one.rm|rtsp://a.example.cn/one.rm|rm"_s};
    QTest::newRow("xspf") << u"xspf-tracks.xspf"_s << u"XSPF电台"_s
                          << QStringList{u"http://a.example.cn/x1|第一首|wm"_s, u"http://b.example.cn/x1|第一首|wm"_s};
}

void TestCliImport::eachKind()
{
    QFETCH(QString, file);
    QFETCH(QString, name);
    QFETCH(QStringList, links);
    QTemporaryDir dir;
    const QString out = dir.filePath(u"新电台.radio"_s);
    const TProgramRun run = Run({u"import"_s, Fixture(file), out});
    QCOMPARE(run.Err, QByteArray());
    QCOMPARE(run.Exit, 0);
    QVERIFY(run.Out.isEmpty());

    TRadio radio;
    radio.LoadFromFile(out);
    QCOMPARE(radio.Text(), name);
    QStringList read;
    for (int i = 0; i < radio.Links().Count(); ++i) {
        const TRadioLink& link = *radio.Links()[i];
        read += link.Href() + u'|' + link.DisplayText() + u'|' + StreamKindText(link.Kind(), ktCode);
    }
    QCOMPARE(read, links);
    QCOMPARE(radio.Link(), 0);
}

void TestCliImport::failures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("out"); // relative to a fresh folder
    QTest::addColumn<QString>("message");
    QTest::newRow("HLS") << Fixture(u"m3u-hls.m3u8"_s) << u"a.radio"_s << Const::SPlaylistIsHls;
    QTest::newRow("not a playlist") << Fixture(u"not-a-playlist.txt"_s) << u"a.radio"_s
                                    << Const::SPlaylistUnknownFormat;
    QTest::newRow("DTD") << Fixture(u"asx-internal-dtd.asx"_s) << u"a.radio"_s << Const::SPlaylistDtd;
    QTest::newRow("OUT in a missing folder") << Fixture(u"pls-standard.pls"_s) << u"missing/a.radio"_s << QString();
}

void TestCliImport::failures()
{
    QFETCH(QString, file);
    QFETCH(QString, out);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const TProgramRun run = Run({u"import"_s, file, dir.filePath(out)});
    QCOMPARE(run.Exit, 1);
    if (!message.isEmpty())
        QCOMPARE(QString::fromUtf8(run.Err), message + u'\n');
    else
        QVERIFY(!run.Err.isEmpty());
    QVERIFY(!QFileInfo::exists(dir.filePath(out)));
}

QTEST_GUILESS_MAIN(TestCliImport)
#include "test_cli_import.moc"
