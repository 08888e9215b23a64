// Rules of the engines that need no stream: the title and bit-rate rules both
// use, the mms fallback, the warm-up.
#include "engMpv.h"
#include "libBitRate.h"
#include "libEngines.h"
#include "libText.h"
#include "libTitle.h"

#include <QTest>
#include <clocale>
#include <cmath>
#include <limits>

class TEngineRulesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void raw_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("title");
        QTest::newRow("utf-8 as it is") << QByteArray("新闻 - 早间") << QStringLiteral("新闻 - 早间");
        // The common case on Chinese stations: encoder software writes GBK.
        QTest::newRow("gbk decoded") << ToGbk(u"中国之声 - 新闻") << QStringLiteral("中国之声 - 新闻");
        QTest::newRow("latin text") << QByteArray("Artist - Song") << QStringLiteral("Artist - Song");
        // Fixed-size metadata blocks are padded with NULs; some encoders leave
        // garbage after the terminator.
        QTest::newRow("cut at nul") << QByteArray("Title\0junk\x01", 11) << QStringLiteral("Title");
        QTest::newRow("trimmed") << QByteArray("  \t Title \r\n") << QStringLiteral("Title");
        QTest::newRow("controls inside") << QByteArray("Artist\r\nSong\x1b") << QStringLiteral("Artist  Song");
        QTest::newRow("ideographic space kept") << QByteArray("\xe3\x80\x80标题") << QStringLiteral("\u3000标题");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("only nul") << QByteArray("\0abc", 4) << QString();
    }
    void raw()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QString, title);
        QCOMPARE(NormaliseTitle(QByteArrayView(raw)), title);
    }

    void text_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("plain") << QStringLiteral("标题") << QStringLiteral("标题");
        QTest::newRow("c1 control") << QStringLiteral("A\u0085B ") << QStringLiteral("A B");
        QTest::newRow("nul") << QStringLiteral("A") + QChar(0) + QStringLiteral("B") << QStringLiteral("A");
    }
    void text()
    {
        QFETCH(QString, text);
        QFETCH(QString, title);
        QCOMPARE(NormaliseTitle(text), title);
    }

    // Engines hand over whatever the stream or the demuxer claims: nothing
    // that is no rate, or does not fit an int, may reach the conversion.
    void wholeKbps_data()
    {
        QTest::addColumn<double>("bitsPerSecond");
        QTest::addColumn<int>("reported");
        constexpr double inf = std::numeric_limits<double>::infinity();
        constexpr int maxWhole = std::numeric_limits<int>::max() / 1000 * 1000;
        QTest::newRow("measured below nominal") << 127997.0 << 128000;
        QTest::newRow("measured above nominal") << 128012.0 << 128000;
        QTest::newRow("half rounds up") << 63500.0 << 64000;
        QTest::newRow("below half a kbit/s") << 499.0 << 0;
        QTest::newRow("zero") << 0.0 << 0;
        QTest::newRow("negative") << -128000.0 << 0;
        QTest::newRow("NaN") << std::nan("") << 0;
        QTest::newRow("+inf") << inf << maxWhole;
        QTest::newRow("-inf") << -inf << 0;
        QTest::newRow("largest whole int") << double(maxWhole) << maxWhole;
        QTest::newRow("2^31, an unsigned tag") << 2147483648.0 << maxWhole;
        QTest::newRow("largest unsigned tag") << 4294967295.0 << maxWhole;
        QTest::newRow("huge") << 1e300 << maxWhole;
    }
    void wholeKbps()
    {
        QFETCH(double, bitsPerSecond);
        QFETCH(int, reported);
        QCOMPARE(WholeKbps(bitsPerSecond), reported);
    }

    void mmsCandidates_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("tried");
        QTest::newRow("mms: http transport, then tcp")
            << QStringLiteral(" MMS://host/live ")
            << QStringList{QStringLiteral("mmsh://host/live"), QStringLiteral("mmst://host/live")};
        QTest::newRow("explicit mmst kept")
            << QStringLiteral("mmst://host/a") << QStringList{QStringLiteral("mmst://host/a")};
        QTest::newRow("http kept") << QStringLiteral("http://h/a.asx") << QStringList{QStringLiteral("http://h/a.asx")};
    }
    void mmsCandidates()
    {
        QFETCH(QString, address);
        QFETCH(QStringList, tried);
        QCOMPARE(MpvAddressCandidates(address), tried);
    }

    // The process locale is main()'s: setlocale is not thread-safe, and a
    // warm-up thread may be starting GStreamer while an engine is made. Making
    // one leaves the locale as it is (C.UTF-8 formats numbers as libmpv
    // wants); PrepareEngineLocale() is what sets it.
    void localeIsLeftToMain()
    {
        QVERIFY(std::setlocale(LC_NUMERIC, "C.UTF-8"));
        const auto engines = CreateSystemEngineFactory();
        QVERIFY(engines->CreateWindowsMedia());
        QCOMPARE(std::setlocale(LC_NUMERIC, nullptr), "C.UTF-8");
        PrepareEngineLocale();
        QCOMPARE(std::setlocale(LC_NUMERIC, nullptr), "C");
    }

    // The warm-up loads on its own thread and only gives a head start: the
    // presence tests answer as they would without it, a missing library too.
    void warmUpLeavesPresenceTestsAlone()
    {
        qputenv("KESTREL_LIBMPV", "libkestrel-absent-mpv.so");
        for (const TStreamKind kind : {skWindowsMedia, skRealMedia})
            const TEngineWarmUp warmUp(kind);
        const auto engines = CreateSystemEngineFactory();
        QVERIFY(!engines->IsWindowsMediaInstalled());
        QVERIFY(engines->IsRealPlayerInstalled());
        qunsetenv("KESTREL_LIBMPV");
        {
            const TEngineWarmUp warmUp(skWindowsMedia);
            QVERIFY(engines->IsWindowsMediaInstalled());
        }
    }
};

QTEST_GUILESS_MAIN(TEngineRulesTest)
#include "test_engine_rules.moc"
