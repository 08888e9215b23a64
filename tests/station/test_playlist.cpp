// The playlist readers on the quirk fixtures (tests/station/data/playlists),
// what they refuse, how a format is told, and the station made from a list.

#include "TestSupport.h"
#include "libConst.h"
#include "libError.h"
#include "libPlaylist.h"
#include "libRadio.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TPlaylistFormat)

namespace {

QString Fixture(const QString& name) { return TestDataPath(u"playlists/"_s + name); }

TPlaylist ReadFixture(const QString& name, const QString& base)
{
    const QString path = Fixture(name);
    if (base.isEmpty())
        return ReadPlaylistFile(path);
    const QByteArray data = ReadFileBytes(path);
    return ReadPlaylist(data, PlaylistFormatOf(data, path), QUrl(base));
}

QString Failure(const std::function<void()>& read)
{
    try {
        read();
    } catch (const EProgramError& error) {
        return error.Message();
    }
    return u"(no failure)"_s;
}

} // namespace

class TestPlaylist : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readers_data();
    void readers();
    void refusals_data();
    void refusals();
    void formatOf_data();
    void formatOf();
    void stationFromPlaylist();
    void stationRefusals();
    void limits();
    void exportsReadBack_data();
    void exportsReadBack();
};

void TestPlaylist::readers_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("base"); // empty: the file's own location
    QTest::addColumn<TPlaylistFormat>("format");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<bool>("hls");

    const auto row = [](const char* file, TPlaylistFormat format, const QString& title, const QStringList& addresses,
                        const QStringList& titles, const QString& base = QString(), bool hls = false) {
        QTest::newRow(file) << QString::fromUtf8(file) << base << format << title << addresses << titles << hls;
    };
    using F = TPlaylistFormat;
    row("pls-standard.pls", F::PLS, {}, {u"http://live.example.cn:8000/cnr1"_s, u"http://backup.example.cn/cnr1"_s},
        {u"中国之声 主线路"_s, u"中国之声 备用"_s});
    row("pls-number-of-events.pls", F::PLS, {}, {u"http://a.example.cn/one"_s, u"http://b.example.cn/two"_s},
        {u"第一"_s, u"第二"_s});
    row("pls-lowercase-keys.pls", F::PLS, {}, {u"http://a.example.cn/lower"_s}, {u"小写"_s});
    row("pls-cr-only.pls", F::PLS, {}, {u"http://a.example.cn/one"_s, u"http://a.example.cn/two"_s},
        {u"一"_s, u"二"_s});
    row("pls-no-final-line-end.pls", F::PLS, {}, {u"http://a.example.cn/last"_s}, {QString()});
    row("pls-bom.pls", F::PLS, {}, {u"http://a.example.cn/bom"_s}, {u"带BOM的标题"_s});
    row("pls-gbk.pls", F::PLS, {}, {u"http://a.example.cn/gbk"_s}, {u"经济之声（镕）"_s});
    row("pls-without-section.pls", F::PLS, {}, {u"http://a.example.cn/nosection"_s}, {u"无节名"_s});
    row("m3u-extended.m3u", F::M3U, u"音乐之声"_s, {u"http://a.example.cn/music"_s, u"http://b.example.cn/music"_s},
        {u"音乐之声 - 主线路"_s, u"音乐之声 - 备用"_s});
    row("m3u-plain.m3u", F::M3U, {},
        {u"http://a.example.cn/plain1"_s, u"mms://a.example.cn/plain2"_s, u"rtsp://a.example.cn/plain3.rm"_s},
        {QString(), QString(), QString()});
    row("m3u-relative.m3u8", F::M3U, {},
        {u"http://radio.example.cn/lists/live/stream.mp3"_s, u"http://radio.example.cn/root.aac"_s,
         u"http://other.example.cn/abs"_s},
        {u"相对"_s, u"根"_s, u"绝对"_s}, u"http://radio.example.cn/lists/all.m3u8"_s);
    row("m3u-hls.m3u8", F::M3U, {},
        {u"http://radio.example.cn/hls/low/index.m3u8"_s, u"http://radio.example.cn/hls/high/index.m3u8"_s},
        {QString(), QString()}, u"http://radio.example.cn/hls/master.m3u8"_s, true);
    row("m3u-iptv-attributes.m3u", F::M3U, {}, {u"http://a.example.cn/iptv"_s}, {u"甲乙台"_s});
    row("m3u-gbk.m3u", F::M3U, {}, {u"http://a.example.cn/bjnews"_s}, {u"北京新闻广播"_s});
    row("asx-mixed-case.asx", F::ASX, u"大小写混用"_s, {u"mms://a.example.cn/live"_s, u"http://b.example.cn/live"_s},
        {u"主线路"_s, u"备用"_s});
    row("asx-bare-ampersand.asx", F::ASX, u"台&nbsp;名"_s, {u"http://a.example.cn/live?id=1&type=asf"_s}, {QString()});
    row("asx-gbk-export.wax", F::ASX, u"中国之声"_s, {u"mms://a.example.cn/cnr1"_s, u"rtsp://b.example.cn/cnr1.rm"_s},
        {QString(), QString()});
    row("asx-declared-gb2312.asx", F::ASX, u"镕基广播"_s, {u"http://a.example.cn/gb2312"_s}, {QString()});
    row("asx-truncated.asx", F::ASX, u"截断"_s, {u"http://a.example.cn/cut"_s}, {QString()});
    row("ram-stop.ram", F::RAM, {}, {u"rtsp://a.example.cn/one.rm"_s, u"pnm://a.example.cn/two.ra"_s},
        {QString(), QString()});
    row("xspf-tracks.xspf", F::XSPF, u"XSPF电台"_s,
        {u"http://a.example.cn/x1"_s, u"http://b.example.cn/x1"_s, u"file:///home/user/music/local.ogg"_s},
        {u"第一首"_s, u"第一首"_s, u"本地文件"_s});
}

void TestPlaylist::readers()
{
    QFETCH(QString, file);
    QFETCH(QString, base);
    QFETCH(TPlaylistFormat, format);
    QFETCH(QString, title);
    QFETCH(QStringList, addresses);
    QFETCH(QStringList, titles);
    QFETCH(bool, hls);

    const TPlaylist playlist = ReadFixture(file, base);
    QCOMPARE(playlist.Format, format);
    QCOMPARE(playlist.Title, title);
    QStringList readAddresses;
    QStringList readTitles;
    for (const TPlaylistEntry& entry : playlist.Entries) {
        readAddresses += entry.Address;
        readTitles += entry.Title;
    }
    QCOMPARE(readAddresses, addresses);
    QCOMPARE(readTitles, titles);
    QCOMPARE(playlist.Hls, hls);
}

void TestPlaylist::refusals_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    QTest::newRow("internal DTD") << Fixture(u"asx-internal-dtd.asx"_s) << Const::SPlaylistDtd;
    QTest::newRow("HTML page") << Fixture(u"asx-wrong-root.asx"_s) << Const::SPlaylistBadRoot.arg(u"ASX"_s);
    QTest::newRow("plain text") << Fixture(u"not-a-playlist.txt"_s) << Const::SPlaylistUnknownFormat;
    const QString missing = Fixture(u"missing.pls"_s);
    QTest::newRow("missing file") << missing << Const::SPlaylistNotFound.arg(missing);
    QTest::newRow("folder") << TestDataPath(u"playlists"_s)
                            << Const::SPlaylistUnreadable.arg(TestDataPath(u"playlists"_s), Const::SNotRegularFile);
}

void TestPlaylist::refusals()
{
    QFETCH(QString, file);
    QFETCH(QString, message);
    QCOMPARE(Failure([&] { ReadPlaylistFile(file); }), message);
}

void TestPlaylist::formatOf_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("contentType");
    QTest::addColumn<TPlaylistFormat>("format");
    using F = TPlaylistFormat;
    const QByteArray address = "http://a.example.cn/x\n";
    QTest::newRow("content beats the extension")
        << QByteArray("[playlist]\nFile1=x\n") << u"a.m3u"_s << QString() << F::PLS;
    QTest::newRow("XSPF root after a comment")
        << QByteArray("<?xml version='1.0'?><!-- x --><playlist version='1'>") << u"list"_s << QString() << F::XSPF;
    QTest::newRow("content type beats the extension")
        << address << u"http://a.example.cn/list.m3u"_s << u"audio/x-scpls; charset=utf-8"_s << F::PLS;
    QTest::newRow("extension of an address, not its query")
        << address << u"http://a.example.cn/listen.ASX?x=a.pls"_s << QString() << F::ASX;
    QTest::newRow("extension of a host is none")
        << QByteArray("<html>") << u"http://a.example.cn"_s << QString() << F::None;
    QTest::newRow("lines of addresses") << address << u"listen"_s << QString() << F::M3U;
    QTest::newRow("File1 lines") << QByteArray("; c\nfile1=http://x/\n") << u"listen"_s << QString() << F::PLS;
    QTest::newRow("text") << QByteArray("hello\n") << u"listen.txt"_s << u"text/plain"_s << F::None;
}

void TestPlaylist::formatOf()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, name);
    QFETCH(QString, contentType);
    QFETCH(TPlaylistFormat, format);
    QCOMPARE(PlaylistFormatOf(data, name, contentType), format);
}

void TestPlaylist::stationFromPlaylist()
{
    // Named by the file; every stream entry a link, each kind by its scheme.
    TRadio radio;
    ImportPlaylistFile(Fixture(u"m3u-plain.m3u"_s), radio);
    QCOMPARE(radio.Text(), u"m3u-plain"_s);
    QCOMPARE(radio.Links().Count(), 3);
    QCOMPARE(radio.Links()[0]->Kind(), skWindowsMedia);
    QCOMPARE(radio.Links()[1]->Kind(), skWindowsMedia);
    QCOMPARE(radio.Links()[2]->Kind(), skRealMedia);
    QCOMPARE(radio.Links()[2]->Href(), u"rtsp://a.example.cn/plain3.rm"_s);
    QCOMPARE(radio.Link(), 0);

    // Named by the title; a local file is no stream; entry titles name links.
    TRadio xspf;
    ImportPlaylistFile(Fixture(u"xspf-tracks.xspf"_s), xspf);
    QCOMPARE(xspf.Text(), u"XSPF电台"_s);
    QCOMPARE(xspf.Links().Count(), 2);
    QCOMPARE(xspf.Links()[1]->Href(), u"http://b.example.cn/x1"_s);
    QCOMPARE(xspf.Links()[1]->Text(), u"第一首"_s);

    // A title that only repeats the address is no name.
    TPlaylist playlist;
    playlist.Entries.append({u"http://a.example.cn/same"_s, u"http://a.example.cn/same"_s});
    TRadio same;
    PlaylistToRadio(playlist, u"甲"_s, same);
    QCOMPARE(same.Links()[0]->Text(), QString());
    QCOMPARE(same.Text(), u"甲"_s);
}

void TestPlaylist::stationRefusals()
{
    // Refused before anything changes: the station is left as it was.
    TRadio radio;
    radio.SetText(u"原样"_s);
    QCOMPARE(Failure([&] { ImportPlaylistFile(Fixture(u"m3u-hls.m3u8"_s), radio); }), Const::SPlaylistIsHls);
    TPlaylist local = ReadPlaylistFile(Fixture(u"xspf-tracks.xspf"_s));
    local.Entries.remove(0, 2);
    QCOMPARE(Failure([&] { PlaylistToRadio(local, u"x"_s, radio); }), Const::SPlaylistNoStreams);
    QCOMPARE(radio.Text(), u"原样"_s);
    QCOMPARE(radio.Links().Count(), 0);
}

void TestPlaylist::limits()
{
    QByteArray lines;
    for (int i = 0; i < MaxPlaylistEntries; ++i)
        lines += "http://a.example.cn/" + QByteArray::number(i) + '\n';
    QCOMPARE(ReadPlaylist(lines, TPlaylistFormat::M3U).Entries.size(), MaxPlaylistEntries);
    lines += "http://a.example.cn/one-too-many\n";
    QCOMPARE(Failure([&] { ReadPlaylist(lines, TPlaylistFormat::M3U); }),
             Const::SPlaylistTooManyEntries.arg(MaxPlaylistEntries));

    // Numbered entries count as they appear, before they are put in order.
    QByteArray pls = "[playlist]\n";
    for (int i = 0; i <= MaxPlaylistEntries; ++i)
        pls += "Title" + QByteArray::number(i) + "=x\n";
    QCOMPARE(Failure([&] { ReadPlaylist(pls, TPlaylistFormat::PLS); }),
             Const::SPlaylistTooManyEntries.arg(MaxPlaylistEntries));

    QCOMPARE(Failure([&] { ReadPlaylist(QByteArray(MaxPlaylistBytes + 1, '#'), TPlaylistFormat::M3U); }),
             Const::SPlaylistTooLarge.arg(MaxPlaylistBytes));
    const QByteArray deep = "<asx>" + QByteArray("<a>").repeated(16) + QByteArray("</a>").repeated(16) + "</asx>";
    QCOMPARE(Failure([&] { ReadPlaylist(deep, TPlaylistFormat::ASX); }), Const::SPlaylistTooDeep);
    const QByteArray attributes = "<asx><entry" + QByteArray(" a=''").repeated(1001) + "/></asx>";
    QCOMPARE(Failure([&] { ReadPlaylist(attributes, TPlaylistFormat::ASX); }), Const::SPlaylistTooManyAttributes);
}

void TestPlaylist::exportsReadBack_data()
{
    QTest::addColumn<int>("format");
    for (const TExportFormat& format : ExportFormats())
        QTest::newRow(qPrintable(format.Name)) << int(format.Format);
}

void TestPlaylist::exportsReadBack()
{
    // What the program exports, it reads back: the same addresses in order,
    // GBK names included.
    QFETCH(int, format);
    TRadio radio;
    radio.SetText(u"镕基之声"_s);
    const QStringList addresses{u"http://a.example.cn/live?a=1&b=2"_s, u"mms://b.example.cn/live"_s,
                                u"rtsp://c.example.cn/live.rm"_s};
    for (const QString& address : addresses)
        radio.Links().Add()->SetHref(address);
    QTemporaryDir dir;
    const TExportFormat* row = nullptr;
    for (const TExportFormat& candidate : ExportFormats())
        if (candidate.Format == format)
            row = &candidate;
    const QString file = dir.filePath(u"镕基之声"_s + row->Ext);
    radio.SaveToFile(file, TSaveFormat(format));

    TRadio back;
    ImportPlaylistFile(file, back);
    QCOMPARE(back.Text(), u"镕基之声"_s);
    QStringList read;
    for (int i = 0; i < back.Links().Count(); ++i)
        read += back.Links()[i]->Href();
    QCOMPARE(read, addresses);
    QCOMPARE(back.Links()[2]->Kind(), skRealMedia);
}

QTEST_GUILESS_MAIN(TestPlaylist)
#include "test_playlist.moc"
