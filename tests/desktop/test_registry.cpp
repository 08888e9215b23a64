// The settings store: typed values, defaults, keys and the file that keeps them.

#include "TestHome.h"
#include "libError.h"
#include "libRegistry.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void WriteFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}
} // namespace

class TestRegistry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { FHome = std::make_unique<TTestHome>(); }
    void cleanup() { FHome.reset(); }

    void firstRunGivesDefaultsAndWritesNothing();
    void valuesKeepTheirTypes_data();
    void valuesKeepTheirTypes();
    void wrongTypeIsAnError();
    void storedFileIsReadable();
    void handEditedFile();
    void keys();
    void deleteValue();
    void unwritableStoreFailsLoudly();
    void componentFilePath();

private:
    std::unique_ptr<TTestHome> FHome;
};

void TestRegistry::firstRunGivesDefaultsAndWritesNothing()
{
    {
        TExeRegistry registry;
        QVERIFY(registry.OpenProgramKey());
        QCOMPARE(registry.ReadBool(u"AutoPlay"_s, true), true);
        QCOMPARE(registry.ReadInteger(u"Volume"_s, 80), 80);
        QCOMPARE(registry.ReadString(u"Radio"_s, u"默认"_s), u"默认"_s);
        registry.CloseKey();
    }
    QVERIFY(!QFileInfo::exists(FHome->ConfigFile()));
    QVERIFY(TExeRegistry::ProgramKeyPath().startsWith(u"\\Software\\"_s));
    QVERIFY(TExeRegistry::ProgramKeyPath().endsWith(u"\\Lyrebird Express"_s));
}

void TestRegistry::valuesKeepTheirTypes_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty text is a value") << QString();
    QTest::newRow("digits stay text") << u"5"_s;
    QTest::newRow("quotes and backslashes") << u"C:\\path \"quoted\" \\"_s;
    QTest::newRow("line breaks and tab") << u"a\r\nb\tc"_s;
    QTest::newRow("outer spaces") << u"  spaced  "_s;
    QTest::newRow("chinese and = ; #") << u"我的电台=1;#x"_s;
    QTest::newRow("control character") << u"bell\u0007"_s;
}

void TestRegistry::valuesKeepTheirTypes()
{
    QFETCH(QString, text);
    {
        TExeRegistry registry;
        QVERIFY(registry.OpenProgramKey());
        registry.WriteString(u"Text"_s, text);
        registry.WriteInteger(u"Number"_s, -2147483647 - 1);
        registry.WriteBool(u"Flag"_s, true);
    }
    TExeRegistry registry;
    QVERIFY(registry.OpenProgramKey());
    QCOMPARE(registry.ReadString(u"Text"_s, u"default"_s), text);
    QCOMPARE(registry.ReadInteger(u"Number"_s, 0), -2147483647 - 1);
    QCOMPARE(registry.ReadBool(u"Flag"_s, false), true);
    QCOMPARE(registry.ReadInteger(u"Flag"_s, 0), 1); // booleans are stored as 1/0
}

void TestRegistry::wrongTypeIsAnError()
{
    TExeRegistry registry;
    QVERIFY(registry.OpenProgramKey());
    registry.WriteString(u"Volume"_s, u"80"_s);
    registry.WriteInteger(u"Radio"_s, 3);
    const auto message = [](auto read) {
        try {
            read();
        } catch (const EProgramError& error) {
            return error.Message();
        }
        return u"no error"_s;
    };
    QCOMPARE(message([&] { registry.ReadInteger(u"Volume"_s, 0); }), u"Invalid data type for 'Volume'"_s);
    QCOMPARE(message([&] { registry.ReadBool(u"Volume"_s, false); }), u"Invalid data type for 'Volume'"_s);
    QCOMPARE(message([&] { registry.ReadString(u"Radio"_s, QString()); }), u"Invalid data type for 'Radio'"_s);
}

void TestRegistry::storedFileIsReadable()
{
    {
        TExeRegistry registry;
        QVERIFY(registry.OpenProgramKey());
        registry.WriteBool(u"TopMost"_s, false);
        registry.WriteString(u"Radio"_s, u"/a \"b\".radio"_s);
        QVERIFY(registry.OpenProgramKey(u"winMain"_s));
        registry.WriteInteger(u"X"_s, 120);
    }
    QCOMPARE(ReadFileBytes(FHome->ConfigFile()), "Radio=\"/a \\\"b\\\".radio\"\nTopMost=0\n\n[winMain]\nX=120\n"_ba);
}

void TestRegistry::handEditedFile()
{
    // A user's edits: a bare word, a comment, a value with spaces around "=",
    // and a Maximize of 5 which counts as true.
    WriteFile(FHome->ConfigFile(), "; mine\nTheme = OfficeXP\n[winMain]\nMaximize=5\nbroken line\nW= 300 \n"_ba);
    TExeRegistry registry;
    QVERIFY(registry.OpenProgramKey());
    QCOMPARE(registry.ReadString(u"Theme"_s, QString()), u"OfficeXP"_s);
    QVERIFY(registry.OpenProgramKey(u"winMain"_s));
    QCOMPARE(registry.ReadBool(u"Maximize"_s, false), true);
    QCOMPARE(registry.ReadInteger(u"W"_s, 0), 300);
    // Writing keeps what was there.
    registry.WriteInteger(u"H"_s, 200);
    QVERIFY(registry.OpenProgramKey());
    QCOMPARE(registry.ReadString(u"Theme"_s, QString()), u"OfficeXP"_s);
}

void TestRegistry::keys()
{
    TExeRegistry registry;
    // A key that does not exist opens only with CanCreate.
    QVERIFY(!registry.OpenKey(u"winLink"_s, false));
    QVERIFY(registry.OpenProgramKey(u"winLink"_s));
    registry.WriteInteger(u"W"_s, 5);
    registry.CloseKey();

    QVERIFY(registry.OpenKey(TExeRegistry::ProgramKeyPath() + u"\\winLink"_s, false));
    QCOMPARE(registry.CurrentPath(), u"winLink"_s);
    QCOMPARE(registry.ReadInteger(u"W"_s, 0), 5);
    // Relative to the open key.
    QVERIFY(registry.OpenKey(u"Columns"_s, true));
    QCOMPARE(registry.CurrentPath(), u"winLink/Columns"_s);
    registry.WriteInteger(u"Width"_s, 7);
    QVERIFY(registry.OpenProgramKey(u"winLink\\Columns"_s));
    QCOMPARE(registry.ReadInteger(u"Width"_s, 0), 7);
    // Keys outside the program's own are not kept by this store.
    QVERIFY(!registry.OpenKey(u"\\Software\\Other"_s, true));
    registry.CloseKey();
    QVERIFY_THROWS_EXCEPTION(EProgramError, registry.WriteInteger(u"W"_s, 1));
}

void TestRegistry::deleteValue()
{
    TExeRegistry registry;
    QVERIFY(registry.OpenProgramKey());
    registry.WriteString(u"SavePath"_s, u"/tmp"_s);
    QVERIFY(registry.DeleteValue(u"SavePath"_s));
    QVERIFY(!registry.DeleteValue(u"SavePath"_s));
    QCOMPARE(registry.ReadString(u"SavePath"_s, u"none"_s), u"none"_s);
}

void TestRegistry::unwritableStoreFailsLoudly()
{
    // A file where the store's folder should be: not even root can write there.
    const QString folder = QFileInfo(FHome->ConfigFile()).absolutePath();
    WriteFile(folder, "in the way"_ba);
    TExeRegistry registry;
    QVERIFY(registry.OpenProgramKey());
    QCOMPARE(registry.ReadInteger(u"Volume"_s, 9), 9);
    QVERIFY(!registry.OpenProgramKey(u"winMain"_s));
    QVERIFY(registry.OpenProgramKey());
    try {
        registry.WriteInteger(u"Volume"_s, 5);
        QFAIL("the write reported success");
    } catch (const EProgramError& error) {
        QCOMPARE(error.Message(), u"Failed to set data for 'Volume'"_s);
    }
}

void TestRegistry::componentFilePath()
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    const QString path = ComponentFilePath(u"winMain"_s, u"subRecent"_s);
    QDir::setCurrent(previous);
    QCOMPARE(path, FHome->DataFolder() + u"/winMainsubRecent.ini"_s);
    QVERIFY(QFileInfo(FHome->DataFolder()).isDir());

    SetProgramIdentity();
    QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation), FHome->DataFolder());
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "test_registry.moc"
