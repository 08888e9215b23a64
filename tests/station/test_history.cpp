// The station editor's history lists without the editor: which entry shows a
// value, what a close keeps, the cut to the capacity, and the list file.

#include "libHistory.h"
#include "libText.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// A history of three entries at most, holding entries as the editor finds them
// in its list file.
THistoryList History(const QTemporaryDir& dir, const QStringList& entries)
{
    const QString file = dir.filePath(u"history.ini"_s);
    WriteListFile(file, entries);
    THistoryList history(3);
    history.Load(file);
    return history;
}
} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void select_data();
    void select();
    void commit_data();
    void commit();
    void loadAndSave();
};

// Opening the editor: which entry shows the station's value.
void TestHistory::select_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("selected");
    const QStringList list{u"新闻"_s, u"pop"_s, u"Pop"_s};
    QTest::newRow("found: the entry nearest the end") << list << u"POP"_s << list << 2;
    QTest::newRow("missing: put first, trimmed") << list << u" 体育\t"_s << (QStringList{u"体育"_s} + list) << 0;
    QTest::newRow("missing: not cut to capacity") << list << u"音乐"_s << (QStringList{u"音乐"_s} + list) << 0;
    QTest::newRow("empty value selects nothing") << list << QString() << list << -1;
    QTest::newRow("empty history") << QStringList() << u"新闻"_s << QStringList{u"新闻"_s} << 0;
    QTest::newRow("only Latin letters fold")
        << QStringList{u"Ａ台"_s} << u"ａ台"_s << QStringList{u"ａ台"_s, u"Ａ台"_s} << 0;
}

void TestHistory::select()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, value);
    QTemporaryDir dir;
    THistoryList history = History(dir, entries);
    QTEST(history.Select(value), "selected");
    QTEST(history.Entries(), "expected");
}

// Closing the editor: what the history keeps of the text in the box.
void TestHistory::commit_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    const QStringList four{u"一"_s, u"二"_s, u"三"_s, u"四"_s};
    QTest::newRow("new text first, trimmed")
        << QStringList{u"北京"_s} << u"  上海 "_s << QStringList{u"上海"_s, u"北京"_s};
    QTest::newRow("listed text stays where it is")
        << QStringList{u"北京"_s, u"上海"_s} << u"上海"_s << QStringList{u"北京"_s, u"上海"_s};
    QTest::newRow("listed in other Latin case") << QStringList{u"Rock"_s} << u"ROCK"_s << QStringList{u"Rock"_s};
    QTest::newRow("blank adds nothing") << QStringList{u"北京"_s} << u" \t "_s << QStringList{u"北京"_s};
    QTest::newRow("cut after the new text") << four << u"零"_s << QStringList{u"零"_s, u"一"_s, u"二"_s};
    QTest::newRow("cut without new text") << four << QString() << four.first(3);
    // Listed, so not put first; beyond the capacity, so cut away.
    QTest::newRow("listed beyond the cut") << four << u"四"_s << four.first(3);
}

void TestHistory::commit()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, text);
    QTemporaryDir dir;
    THistoryList history = History(dir, entries);
    history.Commit(text);
    QTEST(history.Entries(), "expected");
}

void TestHistory::loadAndSave()
{
    QTemporaryDir dir;
    // A file longer than the capacity is loaded whole.
    const QStringList five{u"一"_s, u"二"_s, u"三"_s, u"四"_s, u"五"_s};
    THistoryList history = History(dir, five);
    QCOMPARE(history.Entries(), five);
    // A missing file leaves the list as it is.
    history.Load(dir.filePath(u"absent.ini"_s));
    QCOMPARE(history.Entries(), five);
    const QString file = dir.filePath(u"saved.ini"_s);
    history.Save(file);
    QCOMPARE(ReadListFile(file), five);
}

QTEST_APPLESS_MAIN(TestHistory)
#include "test_history.moc"
