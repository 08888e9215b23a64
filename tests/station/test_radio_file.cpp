// The station file: reading (quirks, hostile files, failures), the exact bytes
// written, round trips and the safety of saving.

#include "TestSupport.h"
#include "libConst.h"
#include "libError.h"
#include "libRadio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void WriteAll(const QString& fileName, const QByteArray& data)
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

// The message of a failed read, or "" when the read succeeded.
QString LoadError(TRadio& radio, const QByteArray& data)
{
    try {
        radio.LoadFromData(data);
        return {};
    } catch (const EProgramError& error) {
        return error.Message();
    }
}

const QByteArray Declaration = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)";

} // namespace

class TestRadioFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readQuirks();
    void integerAttributes_data();
    void integerAttributes();
    void kindRule_data();
    void kindRule();
    void encodings_data();
    void encodings();
    void readFailures_data();
    void readFailures();
    void hugeAttributeValue();
    void manyAttributes();
    void missingFile();
    void unreadableFile();
    void writeEmptyStation();
    void writeNormalises();
    void roundTripKeepsEveryCharacter();
    void controlCharactersStayReadable();
    void failedSaveKeepsOldFile();
    void saveThroughSymlink();
    void saveToMissingFolder();
    void defaultStationFile();
};

void TestRadioFile::readQuirks()
{
    // Byte-order mark, CR LF, indentation, a comment before the root, a
    // child of another name, kinds in odd spellings, an oversized bit rate.
    TRadio radio;
    radio.LoadFromFile(TestDataPath(u"quirks.radio"_s));
    QCOMPARE(radio.Text(), u"中国之声"_s);
    QCOMPARE(radio.Href(), u"http://www.example.cn/"_s);
    QCOMPARE(radio.Kind(), u"新闻"_s);
    QCOMPARE(radio.Lang(), u"普通话"_s);
    QCOMPARE(radio.Land(), u"中国"_s);
    QCOMPARE(radio.Menu(), u"http://www.example.cn/节目单?a=1&b=2"_s);
    QCOMPARE(radio.StoredLink(), 5);
    QCOMPARE(radio.Link(), 0);
    QCOMPARE(radio.Links().Count(), 4);

    const TRadioLink* first = radio.Links()[0];
    QCOMPARE(first->Text(), u"主线路"_s);
    QCOMPARE(first->Kind(), skWindowsMedia);
    QCOMPARE(first->ShitKbps(), 24);
    QCOMPARE(first->BestKbps(), 48);
    // The name is read before the address, so a name equal to the address
    // stays an explicit name.
    const TRadioLink* second = radio.Links()[1];
    QCOMPARE(second->Text(), u"rtsp://live.example.cn/cnr1.rm"_s);
    QCOMPARE(second->Kind(), skRealMedia);
    const TRadioLink* third = radio.Links()[2];
    QCOMPARE(third->Text(), QString());
    QCOMPARE(third->DisplayText(), u"http://live.example.cn/cnr1.mp3"_s);
    QCOMPARE(third->Kind(), skWindowsMedia);
    QCOMPARE(third->BestKbps(), 4464);
    QCOMPARE(third->ShitKbps(), 65535);
    const TRadioLink* fourth = radio.Links()[3];
    QCOMPARE(fourth->Text(), QString());
    QCOMPARE(fourth->DisplayText(), Const::SUnnamedLink);
    QCOMPARE(radio.Links().UpdateCount(), 0);
}

void TestRadioFile::integerAttributes_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("link");
    QTest::addColumn<int>("kbps");
    QTest::newRow("empty") << QString() << 0 << 0;
    QTest::newRow("not a number") << u"abc"_s << 0 << 0;
    QTest::newRow("spaces around") << u" 5 "_s << 5 << 5;
    QTest::newRow("plus sign") << u"+7"_s << 7 << 7;
    QTest::newRow("fraction") << u"1.5"_s << 0 << 0;
    QTest::newRow("low 16 bits") << u"70000"_s << 70000 << 4464;
    QTest::newRow("negative") << u"-1"_s << -1 << 65535;
    QTest::newRow("beyond 32 bits") << u"2147483648"_s << 0 << 0;
}

void TestRadioFile::integerAttributes()
{
    QFETCH(QString, value);
    QFETCH(int, link);
    QFETCH(int, kbps);
    const QString xml = uR"(<Radio Link="%1"><Link BestKbps="%1" ShitKbps="%1"/></Radio>)"_s.arg(value);
    TRadio radio;
    radio.LoadFromData(xml.toUtf8());
    QCOMPARE(radio.StoredLink(), link);
    QCOMPARE(int(radio.Links()[0]->BestKbps()), kbps);
    QCOMPARE(int(radio.Links()[0]->ShitKbps()), kbps);
}

void TestRadioFile::kindRule_data()
{
    QTest::addColumn<QByteArray>("attribute");
    QTest::addColumn<int>("kind");
    QTest::newRow("rm") << QByteArray(R"(Kind="rm")") << 1;
    QTest::newRow("rm with spaces") << QByteArray(R"(Kind=" rm ")") << 1;
    QTest::newRow("RM in capitals") << QByteArray(R"(Kind="RM")") << 0;
    QTest::newRow("wm") << QByteArray(R"(Kind="wm")") << 0;
    QTest::newRow("other") << QByteArray(R"(Kind="real")") << 0;
    QTest::newRow("missing") << QByteArray() << 0;
}

void TestRadioFile::kindRule()
{
    QFETCH(QByteArray, attribute);
    QFETCH(int, kind);
    TRadio radio;
    radio.LoadFromData("<Radio><Link " + attribute + "/></Radio>");
    QCOMPARE(int(radio.Links()[0]->Kind()), kind);
}

void TestRadioFile::encodings_data()
{
    QTest::addColumn<QByteArray>("data");
    // 镕 is in GBK but not in GB2312.
    const QString xml = uR"(<Radio Text="中国之声"><Link Href="mms://a/中镕"/></Radio>)"_s;
    QTest::newRow("UTF-8") << xml.toUtf8();
    QTest::newRow("UTF-8 with BOM") << "\xef\xbb\xbf" + xml.toUtf8();
    QStringEncoder gbk("GBK");
    QTest::newRow("GBK declared") << R"(<?xml version="1.0" encoding="GBK"?>)" + QByteArray(gbk.encode(xml));
    // Chinese Windows tools declare gb2312 and write code page 936.
    QTest::newRow("gb2312 declared, GBK written")
        << R"(<?xml version="1.0" encoding="gb2312"?>)" + QByteArray(gbk.encode(xml));
    QTest::newRow("EUC-CN declared, GBK written")
        << R"(<?xml version="1.0" encoding="EUC-CN"?>)" + QByteArray(gbk.encode(xml));
    QTest::newRow("GBK declared over several lines")
        << "<?xml version=\"1.0\"\r\n  encoding\r\n=\r\n'gbk'?>" + QByteArray(gbk.encode(xml));
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QTest::newRow("UTF-16 with BOM") << QByteArray(utf16.encode(xml));
}

void TestRadioFile::encodings()
{
    QFETCH(QByteArray, data);
    TRadio radio;
    radio.LoadFromData(data);
    QCOMPARE(radio.Text(), u"中国之声"_s);
    QCOMPARE(radio.Links()[0]->Href(), u"mms://a/中镕"_s);
}

void TestRadioFile::readFailures_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("message");
    const QString notXml = u"电台文件不是正确的XML格式(第"_s;
    QTest::newRow("empty file") << QByteArray() << Const::SBadRadioFile;
    QTest::newRow("blank file") << QByteArray(" \r\n\t") << Const::SBadRadioFile;
    QTest::newRow("root in lower case") << QByteArray("<radio Text=\"a\"/>") << Const::SBadRadioFile;
    QTest::newRow("root with a prefix") << QByteArray("<x:Radio xmlns:x=\"urn:x\"/>") << Const::SBadRadioFile;
    QTest::newRow("comment inside the root")
        << QByteArray("<Radio><Link/><!-- note --></Radio>") << Const::SNodeNotElement;
    QTest::newRow("text inside the root") << QByteArray("<Radio>hello<Link/></Radio>") << Const::SNodeNotElement;
    QTest::newRow("blank CDATA inside the root")
        << QByteArray("<Radio><![CDATA[ ]]></Radio>") << Const::SNodeNotElement;
    QTest::newRow("instruction inside the root") << QByteArray("<Radio><?x y?></Radio>") << Const::SNodeNotElement;
    // A broken document is reported as broken even after a comment.
    QTest::newRow("comment, then broken") << QByteArray("<Radio><!-- note --><Link></Radio>") << notXml;
    QTest::newRow("truncated") << QByteArray("<Radio Text=\"a\"><Link Href=\"mms://a") << notXml;
    QTest::newRow("invalid UTF-8") << QByteArray("<Radio Text=\"\xff\xfe\xc3\"/>") << notXml;
    QTest::newRow("undeclared entity") << QByteArray("<Radio Text=\"&zz;\"/>") << notXml;
    QTest::newRow("two roots") << QByteArray("<Radio/><Radio/>") << notXml;
    QTest::newRow("unknown encoding") << QByteArray("<?xml version=\"1.0\" encoding=\"x-nope\"?><Radio/>")
                                      << Const::SRadioFileBadEncoding.arg(u"x-nope"_s);
    // Bytes the declared encoding cannot decode are refused, not replaced:
    // a replacement would be saved over the original the next time.
    QTest::newRow("GBK lead byte without its trail")
        << QByteArray("<?xml version=\"1.0\" encoding=\"GBK\"?><Radio Text=\"a\xa1\x30"
                      "b\"/>")
        << Const::SRadioFileBadEncoding.arg(u"GBK"_s);
    QTest::newRow("gb2312 lead byte without its trail")
        << QByteArray("<?xml version=\"1.0\" encoding=\"gb2312\"?><Radio><Link Href=\"mms://a/\xd6\x22/></Radio>")
        << Const::SRadioFileBadEncoding.arg(u"gb2312"_s);
    QTest::newRow("gb2312 cut inside the last character")
        << QByteArray("<?xml version=\"1.0\" encoding=\"gb2312\"?><Radio Text=\"a\"/>\xd6")
        << Const::SRadioFileBadEncoding.arg(u"gb2312"_s);
    QTest::newRow("Shift_JIS byte outside the set")
        << QByteArray("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><Radio Text=\"a\x80"
                      "b\"/>")
        << Const::SRadioFileBadEncoding.arg(u"Shift_JIS"_s);
    // A station has links and links have nothing inside. Reading on through
    // deeper nesting costs the reader memory per level; the refusal comes at
    // the first level too deep, so a file cut off later says so too.
    QTest::newRow("element inside a link")
        << QByteArray("<Radio><Link><Href/></Link></Radio>") << Const::SRadioFileTooDeep;
    const int levels = 100000;
    QTest::newRow("deeply nested") << "<Radio>" + QByteArray("<a>").repeated(levels)
                                          + QByteArray("</a>").repeated(levels) + "</Radio>"
                                   << Const::SRadioFileTooDeep;
    QTest::newRow("deeply nested, never closed")
        << "<Radio>" + QByteArray("<a>").repeated(levels) << Const::SRadioFileTooDeep;
    QTest::newRow("billion laughs") << QByteArray(
        "<?xml version=\"1.0\"?><!DOCTYPE Radio [<!ENTITY a \"aaaaaaaaaa\">"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
        "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\"><!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
        "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\"><!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">]>"
        "<Radio Text=\"&g;\"><Link Text=\"&g;\"/></Radio>")
                                    << Const::SRadioFileDtd;
    QTest::newRow("external entity in content")
        << QByteArray("<!DOCTYPE Radio [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><Radio Text=\"a\">&x;</Radio>")
        << Const::SRadioFileDtd;
    QTest::newRow("external entity in a link")
        << QByteArray("<!DOCTYPE Radio [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><Radio><Link Text=\"&x;\"/></Radio>")
        << Const::SRadioFileDtd;
}

void TestRadioFile::readFailures()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, message);
    TRadio radio;
    radio.SetText(u"原来的电台");
    radio.Links().Add()->SetHref(u"mms://old");
    const QString error = LoadError(radio, data);
    QVERIFY2(error.startsWith(message), qPrintable(error));
    QVERIFY(!error.contains(u"root:"));
    // A failed read leaves the station as it was.
    QCOMPARE(radio.Text(), u"原来的电台"_s);
    QCOMPARE(radio.Links().Count(), 1);
    QCOMPARE(radio.Links()[0]->Href(), u"mms://old"_s);
}

void TestRadioFile::hugeAttributeValue()
{
    // A 50 MB name reads like any other; memory stays proportional to it.
    QByteArray data = "<Radio Text=\"";
    data += QByteArray(50 * 1024 * 1024, 'a');
    data += "\"><Link Href=\"mms://a\"/></Radio>";
    TRadio radio;
    radio.LoadFromData(data);
    QCOMPARE(radio.Text().size(), 50 * 1024 * 1024);
    QCOMPARE(radio.Links().Count(), 1);
}

void TestRadioFile::manyAttributes()
{
    // 50 MB of distinct attributes on the root: Qt's check for repeated names
    // would take hours; the file is refused at once instead.
    QByteArray data;
    data.reserve(51 * 1024 * 1024);
    data += "<Radio";
    for (int i = 0; data.size() < 50 * 1024 * 1024; ++i)
        data += " a" + QByteArray::number(i) + "=\"v\"";
    data += "/>";
    TRadio radio;
    QCOMPARE(LoadError(radio, data), Const::SRadioFileTooManyAttributes);
    // The same in UTF-16, where the bytes of a character can look like "=".
    QByteArray wide = "\xff\xfe";
    for (char c : data.first(1024 * 1024))
        wide += QByteArray(1, c) + '\0';
    wide += QByteArray("/\0>\0", 4);
    QCOMPARE(LoadError(radio, wide), Const::SRadioFileTooManyAttributes);

    // Extra attributes in a normal number are simply ignored.
    QByteArray some = "<Radio Text=\"a\"";
    for (int i = 0; i < 200; ++i)
        some += " x" + QByteArray::number(i) + "=\"v\"";
    some += "/>";
    QCOMPARE(LoadError(radio, some), QString());
    QCOMPARE(radio.Text(), u"a"_s);
}

void TestRadioFile::missingFile()
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(u"没有这个文件.radio"_s);
    TRadio radio;
    radio.SetText(u"原来的电台");
    try {
        radio.LoadFromFile(fileName);
        QFAIL("reading a missing file succeeded");
    } catch (const EProgramError& error) {
        QCOMPARE(error.Message(), u"找不到指定的电台文件:\r\n"_s + fileName);
    }
    QCOMPARE(radio.Text(), u"原来的电台"_s);
}

void TestRadioFile::unreadableFile()
{
    // A folder and a device: neither is read (/dev/zero would never end).
    QTemporaryDir dir;
    for (const QString& fileName : {dir.path(), u"/dev/zero"_s}) {
        TRadio radio;
        try {
            radio.LoadFromFile(fileName);
            QFAIL("reading something that is no file succeeded");
        } catch (const EProgramError& error) {
            QCOMPARE(error.Message(), u"无法读取电台文件:\r\n"_s + fileName + u"\r\n不是普通文件"_s);
        }
    }
}

void TestRadioFile::writeEmptyStation()
{
    // No links: no Link attribute, no children; unnamed: the placeholder.
    TRadio radio;
    radio.SetLink(3);
    QCOMPARE(radio.SaveToData(), Declaration + R"(<Radio Text="未命名的电台"/>)");
    TRadio back;
    back.LoadFromData(radio.SaveToData());
    QCOMPARE(back.Text(), QString());
    QCOMPARE(back.Links().Count(), 0);
    QCOMPARE(back.Link(), -1);
}

void TestRadioFile::writeNormalises()
{
    // The three normalisations of a round trip: an out-of-range current link
    // is written as 0, an unnamed link carries its address as name, an
    // unknown kind is written as "wm". Attribute order is fixed, ShitKbps
    // before BestKbps, and empty values are left out.
    TRadio radio;
    radio.LoadFromFile(TestDataPath(u"quirks.radio"_s));
    const QByteArray expected =
        Declaration
        + R"(<Radio Text="中国之声" Href="http://www.example.cn/" Kind="新闻" Lang="普通话" Land="中国" )"
          R"(Menu="http://www.example.cn/节目单?a=1&amp;b=2" Link="0">)"
          R"(<Link Text="主线路" Href="mms://live.example.cn/cnr1" Kind="wm" ShitKbps="24" BestKbps="48"/>)"
          R"(<Link Text="rtsp://live.example.cn/cnr1.rm" Href="rtsp://live.example.cn/cnr1.rm" Kind="rm"/>)"
          R"(<Link Text="http://live.example.cn/cnr1.mp3" Href="http://live.example.cn/cnr1.mp3" Kind="wm" )"
          R"(ShitKbps="65535" BestKbps="4464"/>)"
          R"(<Link Text="未命名的收听连接" Kind="wm"/></Radio>)";
    QCOMPARE(radio.SaveToData(), expected);

    TRadio back;
    back.LoadFromData(expected);
    QCOMPARE(back.Links()[2]->Text(), u"http://live.example.cn/cnr1.mp3"_s);
    QCOMPARE(back.Links()[2]->DisplayText(), radio.Links()[2]->DisplayText());
    QCOMPARE(back.Links()[3]->Text(), QString());
    // Written again, nothing changes any more.
    QCOMPARE(back.SaveToData(), expected);
}

void TestRadioFile::roundTripKeepsEveryCharacter()
{
    const QString special = u"A&B \"引号\" 'q' <x> \u3000全角\u3000 制表\t换行\n回车\r 😀 &amp;"_s;
    TRadio radio;
    radio.SetText(special);
    radio.SetHref(u"http://www.example.cn/?a=1&b=\"2\"<3>&c=中"_s);
    radio.SetKind(special);
    radio.SetLang(special);
    radio.SetLand(special);
    radio.SetMenu(u"http://www.example.cn/节目单?x=<&>"_s);
    TRadioLink* link = radio.Links().Add();
    link->SetText(special);
    link->SetHref(u"mms://live.example.cn/电台?a=1&b=2"_s);
    link->SetKind(skRealMedia);
    link->SetBestKbps(65535);
    link->SetShitKbps(1);
    radio.Links().Add()->SetText(u"\u3000"_s);
    radio.SetLink(1);

    QTemporaryDir dir;
    const QString fileName = dir.filePath(u"特殊字符.radio"_s);
    radio.SaveToFile(fileName);
    TRadio back;
    back.LoadFromFile(fileName);
    QCOMPARE(back.Text(), radio.Text());
    QCOMPARE(back.Href(), radio.Href());
    QCOMPARE(back.Kind(), radio.Kind());
    QCOMPARE(back.Lang(), radio.Lang());
    QCOMPARE(back.Land(), radio.Land());
    QCOMPARE(back.Menu(), radio.Menu());
    QCOMPARE(back.Link(), 1);
    QCOMPARE(back.Links().Count(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(back.Links()[i]->Text(), radio.Links()[i]->Text());
        QCOMPARE(back.Links()[i]->Href(), radio.Links()[i]->Href());
        QCOMPARE(back.Links()[i]->Kind(), radio.Links()[i]->Kind());
        QCOMPARE(back.Links()[i]->BestKbps(), radio.Links()[i]->BestKbps());
        QCOMPARE(back.Links()[i]->ShitKbps(), radio.Links()[i]->ShitKbps());
    }
}

void TestRadioFile::controlCharactersStayReadable()
{
    // XML cannot carry most control characters; they are dropped on writing
    // rather than making the file unreadable.
    TRadio radio;
    radio.SetText(u"电\x01台\x1f名"_s);
    radio.Links().Add()->SetText(u"a\x0b"
                                 "b"_s);
    TRadio back;
    back.LoadFromData(radio.SaveToData());
    QCOMPARE(back.Text(), u"电台名"_s);
    QCOMPARE(back.Links()[0]->Text(), u"ab"_s);
}

void TestRadioFile::failedSaveKeepsOldFile()
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(u"电台.radio"_s);
    const QByteArray old = Declaration + R"(<Radio Text="旧的"/>)";
    WriteAll(fileName, old);

    TRadio radio;
    radio.SetText(u"新的");
    for (int i = 0; i < 200; ++i)
        radio.Links().Add()->SetHref(u"mms://live.example.cn/%1"_s.arg(i));
    for (TSaveFormat format : {sfStation, sfRAM, sfASX, sfM3U, sfPLS}) {
        bool failed = false;
        {
            TFileSizeLimit limit(1024);
            try {
                radio.SaveToFile(fileName, format);
            } catch (const EProgramError& error) {
                failed = true;
                QVERIFY2(error.Message().startsWith(u"Cannot create file \""_s + fileName + u"\". "_s),
                         qPrintable(error.Message()));
            }
        }
        QVERIFY2(failed, qPrintable(QString::number(format)));
        QCOMPARE(ReadFileBytes(fileName), old);
        // No temporary file is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"电台.radio"_s});
    }
}

void TestRadioFile::saveThroughSymlink()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(u"stations"_s);
    const QString target = dir.filePath(u"stations/真的.radio"_s);
    const QString link = dir.filePath(u"链接.radio"_s);
    WriteAll(target, Declaration + R"(<Radio Text="旧的"/>)");
    QVERIFY(QFile::link(u"stations/真的.radio"_s, link));

    TRadio radio;
    radio.SetText(u"新的");
    radio.SaveToFile(link);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(ReadFileBytes(target), Declaration + R"(<Radio Text="新的"/>)");
}

void TestRadioFile::saveToMissingFolder()
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(u"没有/电台.wax"_s);
    TRadio radio;
    try {
        radio.SaveToFile(fileName, sfASX);
        QFAIL("saving into a missing folder succeeded");
    } catch (const EProgramError& error) {
        QVERIFY2(error.Message().startsWith(u"Cannot create file \""_s + fileName + u"\". "_s),
                 qPrintable(error.Message()));
        QVERIFY(error.Message().size() > fileName.size() + 24);
    }
    QVERIFY(!QFileInfo::exists(fileName));
}

void TestRadioFile::defaultStationFile()
{
    // The station shipped with the program reads cleanly and is exactly what
    // the writer writes, so opening and re-saving it changes nothing.
    const QString fileName = SourcePath(u"data/默认电台.radio"_s);
    TRadio radio;
    radio.LoadFromFile(fileName);
    QCOMPARE(radio.SaveToData(), ReadFileBytes(fileName));
    QVERIFY(!radio.Text().isEmpty());
    QVERIFY(radio.Links().Count() >= 2);
    for (int i = 0; i < radio.Links().Count(); ++i)
        QVERIFY(StreamKindOfURL(radio.Links()[i]->Href()) != -2);
}

QTEST_GUILESS_MAIN(TestRadioFile)
#include "test_radio_file.moc"
