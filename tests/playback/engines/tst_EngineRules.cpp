// Rules of the engines that need no stream: the one title rule both use, the
// mms fallback, the warm-up.
#include "engMpv.h"
#include "libEngines.h"
#include "libText.h"
#include "libTitle.h"

#include <QTest>

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

    void mmsCandidates_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("tried");
        QTest::newRow("mms: http transport, then tcp")
            << QStringLiteral(" MMS://host/live ") << QStringList{QStringLiteral("mmsh://host/live"), QStringLiteral("mmst://host/live")};
        QTest::newRow("explicit mmst kept") << QStringLiteral("mmst://host/a") << QStringList{QStringLiteral("mmst://host/a")};
        QTest::newRow("http kept") << QStringLiteral("http://h/a.asx") << QStringList{QStringLiteral("http://h/a.asx")};
    }
    void mmsCandidates()
    {
        QFETCH(QString, address);
        QFETCH(QStringList, tried);
        QCOMPARE(MpvAddressCandidates(address), tried);
    }

    // The warm-up loads on its own thread and only gives a head start: the
    // presence tests answer as they would without it, a missing library too.
    void warmUpLeavesPresenceTestsAlone()
    {
        qputenv("KESTREL_LIBMPV", "libkestrel-absent-mpv.so");
        {
            const TEngineWarmUp warmUp;
        }
        const auto engines = CreateSystemEngineFactory();
        QVERIFY(!engines->IsWindowsMediaInstalled());
        QVERIFY(engines->IsRealPlayerInstalled());
        qunsetenv("KESTREL_LIBMPV");
        {
            const TEngineWarmUp warmUp;
            QVERIFY(engines->IsWindowsMediaInstalled());
        }
    }
};

QTEST_GUILESS_MAIN(TEngineRulesTest)
#include "tst_EngineRules.moc"
