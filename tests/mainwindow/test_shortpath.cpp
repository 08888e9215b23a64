#include "libShortPath.h"

#include <QTest>

// One pixel per character keeps the expected captions readable.
class TestShortPath : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shortens_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fits") << u"/home/a/x.radio"_qs << 100 << u"/home/a/x.radio"_qs;
        QTest::newRow("first folder goes") << u"/home/user/music/x.radio"_qs << 20 << u"/.../music/x.radio"_qs;
        QTest::newRow("marker does not stack") << u"/aa/bb/cc/x.radio"_qs << 16 << u"/.../cc/x.radio"_qs;
        QTest::newRow("down to the bare marker") << u"/aa/bb/cc/x.radio"_qs << 11 << u".../x.radio"_qs;
        QTest::newRow("name stays whole") << u"/aa/bb/a-very-long-name.radio"_qs << 5 << u"a-very-long-name.radio"_qs;
        QTest::newRow("relative path") << u"aa/bb/x.radio"_qs << 11 << u".../x.radio"_qs;
        QTest::newRow("bare name") << u"x.radio"_qs << 1 << u"x.radio"_qs;
        QTest::newRow("drive dropped last") << u"C:/aa/x.radio"_qs << 7 << u"x.radio"_qs;
    }
    void shortens()
    {
        QFETCH(QString, path);
        QFETCH(int, width);
        QFETCH(QString, expected);
        const QString got = ShortenPath(path, width, [](const QString& s) { return int(s.size()); });
        QCOMPARE(got, expected);
        QVERIFY(got.size() <= width || !got.contains(u'/'));
    }
};

QTEST_APPLESS_MAIN(TestShortPath)
#include "test_shortpath.moc"
