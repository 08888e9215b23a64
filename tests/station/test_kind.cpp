// Stream kinds: the address rule and the kind table.

#include "libKind.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestKind : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void kindOfUrl_data();
    void kindOfUrl();
    void kindText();
};

void TestKind::kindOfUrl_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("kind");
    QTest::newRow("mms") << u"mms://live.example.cn/radio"_s << 0;
    QTest::newRow("mmsh") << u"mmsh://live.example.cn/radio"_s << 0;
    QTest::newRow("MMS capitals, leading spaces") << u"  \tMMS://LIVE"_s << 0;
    QTest::newRow("http") << u"http://a/b.mp3"_s << -1;
    QTest::newRow("HTTPS") << u"HTTPS://a/b.m3u8"_s << -1;
    QTest::newRow("rtsp") << u"rtsp://a/b.rm"_s << 1;
    QTest::newRow("rtp") << u"rtp://239.0.0.1:5004"_s << 1;
    QTest::newRow("rstp typo") << u"rstp://a/b"_s << 1;
    QTest::newRow("pnm") << u"pnm://a/b.ra"_s << -2;
    QTest::newRow("ftp") << u"ftp://a/b"_s << -2;
    QTest::newRow("rtmp") << u"rtmp://a/b"_s << -2;
    QTest::newRow("file") << u"file:///tmp/a.mp3"_s << -2;
    QTest::newRow("empty") << QString() << -2;
    QTest::newRow("two letters") << u"mm"_s << -2;
    QTest::newRow("ideographic space is not trimmed") << u"\u3000mms://a"_s << -2;
}

void TestKind::kindOfUrl()
{
    QFETCH(QString, address);
    QFETCH(int, kind);
    QCOMPARE(StreamKindOfURL(address), kind);
}

void TestKind::kindText()
{
    QCOMPARE(StreamKindText(skRealMedia, ktCode), u"rm"_s);
    QCOMPARE(StreamKindText(skWindowsMedia, ktCode), u"wm"_s);
    QCOMPARE(StreamKindText(skWindowsMedia, ktName), u"Windows Media"_s);
    QCOMPARE(StreamKindText(skRealMedia, ktName), u"Real Media"_s);
    for (TStreamKind kind : {skWindowsMedia, skRealMedia})
        QVERIFY(StreamKindText(kind, ktDownloadPage).startsWith(u"https://"));
}

QTEST_GUILESS_MAIN(TestKind)
#include "test_kind.moc"
