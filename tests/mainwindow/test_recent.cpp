#include "libRecent.h"
#include "libText.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestRecent : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void add_data()
    {
        QTest::addColumn<QStringList>("start");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QStringList>("expected");
        const QStringList eight{u"/1"_qs, u"/2"_qs, u"/3"_qs, u"/4"_qs, u"/5"_qs, u"/6"_qs, u"/7"_qs, u"/8"_qs};
        QTest::newRow("new on top") << QStringList{u"/a"_qs} << u"/b"_qs << QStringList{u"/b"_qs, u"/a"_qs};
        QTest::newRow("same path moves") << QStringList{u"/a"_qs, u"/b"_qs} << u"/b"_qs
                                         << QStringList{u"/b"_qs, u"/a"_qs};
        // Linux file names differ by case: /B and /b are two stations.
        QTest::newRow("other case is another file")
            << QStringList{u"/a"_qs, u"/B"_qs} << u"/b"_qs << QStringList{u"/b"_qs, u"/a"_qs, u"/B"_qs};
        QTest::newRow("ninth drops oldest") << eight << u"/9"_qs << (QStringList{u"/9"_qs} + eight.first(7));
        QTest::newRow("known among eight keeps all")
            << eight << u"/5"_qs
            << QStringList{u"/5"_qs, u"/1"_qs, u"/2"_qs, u"/3"_qs, u"/4"_qs, u"/6"_qs, u"/7"_qs, u"/8"_qs};
        QTest::newRow("longer list not cut")
            << (eight + QStringList{u"/9"_qs}) << u"/x"_qs << (QStringList{u"/x"_qs} + eight + QStringList{u"/9"_qs});
    }
    void add()
    {
        QFETCH(QStringList, start);
        QFETCH(QString, added);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString list = dir.filePath(u"list.ini"_qs);
        QStringList lines;
        for (const QString& name : start) {
            const QString path = dir.path() + name;
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            lines << path;
        }
        WriteListFile(list, lines);
        TRecentFiles recent;
        recent.Load(list);
        recent.Add(dir.path() + added);
        QStringList got;
        for (const QString& p : recent.Paths())
            got << p.mid(dir.path().size());
        QCOMPARE(got, expected);
    }

    void loadDropsMissingAndRoundTrips()
    {
        QTemporaryDir dir;
        const QString kept = dir.filePath(u"电台.radio"_qs);
        QFile f(kept);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const QString list = dir.filePath(u"list.ini"_qs);
        WriteListFile(list, {dir.filePath(u"gone.radio"_qs), kept, dir.path()});
        TRecentFiles recent;
        recent.Load(list);
        QCOMPARE(recent.Paths(), QStringList{kept});
        recent.Save(list);
        QCOMPARE(ReadListFile(list), QStringList{kept});

        TRecentFiles none;
        none.Load(dir.filePath(u"absent.ini"_qs));
        QVERIFY(none.Paths().isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestRecent)
#include "test_recent.moc"
