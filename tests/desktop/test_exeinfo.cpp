// The version record: numbers from versions, reading a record back from an
// executable file, and files that carry none.

#include "TestSupport.h"
#include "libExeInfo.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// A record frame put together at run time: written as one literal it would
// sit in this test program itself and be found there.
QByteArray Frame(const char* length, const QByteArray& payload, bool withEnd)
{
    QByteArray frame = QByteArray("KESTREL") + " VERSION" + " RECORD" + '\0' + length + payload;
    if (withEnd)
        frame += QByteArray("KESTREL") + " END" + " RECORD" + '\0';
    return frame;
}
} // namespace

class TestExeInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionNumber_data();
    void versionNumber();
    void recordLackingOneKey();
    void handMadeFiles_data();
    void handMadeFiles();
    void exePathIgnoresCurrentFolder();
    void cliPrintsItsOwnRecord();
};

void TestExeInfo::versionNumber_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");
    for (const QString& locale : {u"C"_s, u"de_DE"_s}) {
        const QByteArray tag = locale.toLatin1();
        QTest::addRow("%s 2.0.0.800", tag.constData()) << locale << u"2.0.0.800"_s << u"2.0.0.800."_s << 2.008;
        QTest::addRow("%s 2.1.0.0", tag.constData()) << locale << u"2.1.0.0"_s << u"2.1.0.0."_s << 2.1;
        QTest::addRow("%s 2.10.0.0 equals 2.1", tag.constData()) << locale << u"2.10.0.0"_s << u"2.10.0.0."_s << 2.1;
        QTest::addRow("%s 2.0.1.5", tag.constData()) << locale << u"2.0.1.5"_s << u"2.0.1.5."_s << 2.015;
    }
}

void TestExeInfo::versionNumber()
{
    QFETCH(QString, locale);
    QFETCH(QString, version);
    QFETCH(QString, text);
    QFETCH(double, number);
    const QLocale previous;
    QLocale::setDefault(QLocale(locale));
    TExeInfo info;
    const bool ok = SetFileVersion(info, version);
    QLocale::setDefault(previous);
    QVERIFY(ok);
    QCOMPARE(info.VersionText, text);
    QCOMPARE(info.VersionNumber, number);
}

void TestExeInfo::recordLackingOneKey()
{
    TExeInfo info;
    info.Comments = u"stale"_s;
    ReadExeInfo(BinaryPath(u"tests/desktop/exeinfo_sample"_s), info);
    QCOMPARE(info.ProductName, u"Kestrel收音机"_s);
    QCOMPARE(info.InternalName, u"Lyrebird Express"_s);
    QCOMPARE(info.FileDescription, u"Kestrel收音机"_s);
    QVERIFY(!info.CompanyName.isEmpty());
    QVERIFY(!info.LegalCopyright.isEmpty());
    QVERIFY(!info.LegalTrademarks.isEmpty());
    QCOMPARE(info.VersionText, u"2.0.0.800."_s);
    QCOMPARE(info.VersionNumber, 2.008);
    QCOMPARE(info.Comments, QString()); // missing from the record: emptied, not kept
}

void TestExeInfo::handMadeFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("product");
    QTest::newRow("text file") << QByteArray("just some text\n") << u"kept"_s;
    QTest::newRow("empty file") << QByteArray() << u"kept"_s;
    QTest::newRow("well-formed frame") << Frame("00000014", "ProductName=X\0"_ba, true) << u"X"_s;
    // A length that points past the end marker must not be believed.
    QTest::newRow("wrong length") << Frame("00000099", "ProductName=X\0"_ba, true) << u"kept"_s;
    QTest::newRow("cut short") << Frame("00000014", "ProductName=X"_ba, false) << u"kept"_s;
    QTest::newRow("pair without =") << Frame("00000002", "X\0"_ba, true) << u"kept"_s;
}

void TestExeInfo::handMadeFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, product);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"file"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    TExeInfo info;
    info.ProductName = u"kept"_s;
    info.VersionNumber = 1.5;
    ReadExeInfo(path, info);
    QCOMPARE(info.ProductName, product);
    QCOMPARE(info.VersionNumber, 1.5); // no FileVersion in any of these
}

void TestExeInfo::exePathIgnoresCurrentFolder()
{
    const QString before = GetExePath();
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QString after = GetExePath();
    QDir::setCurrent(previous);
    QCOMPARE(after, before);
    QCOMPARE(QFileInfo(after).fileName(), u"test_exeinfo"_s);
    QVERIFY(QFileInfo(after).isAbsolute());

    // This test program links the reader but carries no record of its own:
    // the reader's own code must not be taken for one.
    TExeInfo info;
    ReadExeInfo(after, info);
    QCOMPARE(info.ProductName, QString());
    QCOMPARE(info.VersionText, QString());
}

void TestExeInfo::cliPrintsItsOwnRecord()
{
    QProcess process;
    process.start(BinaryPath(u"src/cli/kestrel-radio-cli"_s), {u"--version"_s});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), u"Kestrel收音机 2.0.0.800\n"_s);
}

QTEST_GUILESS_MAIN(TestExeInfo)
#include "test_exeinfo.moc"
