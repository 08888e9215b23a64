// Shell services: special folders, the station folder, the default station
// file, the folder icon and downloads against a server the test runs.

#include "FakeMessageBoxes.h"
#include "TestHome.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "libShell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

// The behaviours the download tests ask for, one per path.
void ServeDownloads(TTestHttpServer& server)
{
    server.Answer("/ok", TTestHttpServer::Ok("fresh\n"));
    server.Answer("/medium", TTestHttpServer::Ok(QByteArray(600, 'm')));
    // Promises more than it sends, then keeps the connection open.
    server.Answer("/stall", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial", false);
    server.Answer("/cut-short", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\npartial");
    server.Answer("/announced-big", TTestHttpServer::Ok(QByteArray(5000, 'x')));
    // No length announced: only the bytes received can tell.
    server.Answer("/endless", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + QByteArray(5000, 'x'));
}

// The copy a download must keep when it fails.
void WriteOldCopy(const QString& file)
{
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old\n");
}

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { FHome = std::make_unique<TTestHome>(); }
    void cleanup() { FHome.reset(); }

    void specialFolders_data();
    void specialFolders();
    void stationFolderIconOnlyOnCreation();
    void setFolderIcon();
    void defaultStationFileIsSeeded();
    void openInBrowserUsesTheService();
    void download_data();
    void download();
    void fullDiskKeepsTheOldCopy();
    void downloadOnAnotherThread();
    void cutToGbkBytes_data();
    void cutToGbkBytes();

private:
    std::unique_ptr<TTestHome> FHome;
};

void TestShell::specialFolders_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("relative"); // to the test home; "-" = absolute as given
    QTest::newRow("documents") << int(CSIDL_PERSONAL) << u"Documents"_s;
    QTest::newRow("application data") << int(CSIDL_APPDATA) << u".local/share"_s;
    QTest::newRow("programs") << int(CSIDL_PROGRAMS) << u".local/share/applications"_s;
    QTest::newRow("program group") << int(CSIDL_PROGRAMGROUP) << u".local/share/applications"_s;
    QTest::newRow("desktop") << int(CSIDL_DESKTOPDIRECTORY) << u"Desktop"_s;
    QTest::newRow("quick launch") << int(CSIDL_QUICKLAUNCH) << u".local/bin"_s;
    QTest::newRow("system") << int(CSIDL_SYSTEM) << u"-/usr/bin"_s;
    QTest::newRow("unknown code") << 999 << u"-"_s;
}

void TestShell::specialFolders()
{
    QFETCH(int, code);
    QFETCH(QString, relative);
    const QString expected = relative.startsWith(u'-') ? relative.mid(1) : FHome->Path() + u'/' + relative;
    const QString folder = GetSpecialFolder(code);
    QCOMPARE(folder, expected);
    if (!folder.isEmpty())
        QVERIFY(QFileInfo(folder).isDir()); // created when missing
}

void TestShell::stationFolderIconOnlyOnCreation()
{
    const QString folder = StationFolder();
    QCOMPARE(folder, FHome->Documents() + u"/我的电台"_s);
    QVERIFY(QFileInfo(folder).isDir());
    const QString icon = folder + u"/.directory"_s;
    QCOMPARE(ReadFileBytes(icon), "[Desktop Entry]\nIcon=folder-music\n"_ba);

    // The user removed the icon: a later call leaves the folder as it is.
    QVERIFY(QFile::remove(icon));
    QCOMPARE(StationFolder(), folder);
    QVERIFY(!QFileInfo::exists(icon));
}

void TestShell::setFolderIcon()
{
    const QString folder = FHome->Path();
    const QString icon = folder + u"/.directory"_s;
    SetFolderIcon(folder, u"folder-music"_s, 128);
    QCOMPARE(ReadFileBytes(icon), "[Desktop Entry]\nIcon=folder-music\n"_ba);
    SetFolderIcon(folder, QString(), 0);
    QVERIFY(!QFileInfo::exists(icon));
}

void TestShell::defaultStationFileIsSeeded()
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    const QString file = DefaultStationFile();
    QDir::setCurrent(previous);
    QCOMPARE(file, FHome->DataFolder() + u"/默认电台.radio"_s);
    const QByteArray shipped = ReadFileBytes(SourcePath(u"data/默认电台.radio"_s));
    QVERIFY(!shipped.isEmpty());
    QCOMPARE(ReadFileBytes(file), shipped);
    QVERIFY(QFileInfo(file).isWritable());

    // The user's own copy is never replaced by the shipped one.
    QFile own(file);
    QVERIFY(own.open(QIODevice::WriteOnly));
    own.write("mine");
    own.close();
    QCOMPARE(DefaultStationFile(), file);
    QCOMPARE(ReadFileBytes(file), "mine"_ba);
}

void TestShell::openInBrowserUsesTheService()
{
    TFakeBrowser browser(false);
    OpenInBrowser(u"http://www.example.cn/"_s);
    QCOMPARE(browser.Opened, QStringList{u"http://www.example.cn/"_s});
}

void TestShell::download_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<bool>("ok");
    QTest::newRow("complete") << "/ok"_ba << true;
    QTest::newRow("404") << "/missing"_ba << false;
    QTest::newRow("connection closed before the end") << "/cut-short"_ba << false;
    QTest::newRow("stall past the time-out") << "/stall"_ba << false;
    QTest::newRow("announced beyond the cap") << "/announced-big"_ba << false;
    QTest::newRow("grows beyond the cap") << "/endless"_ba << false;
}

void TestShell::download()
{
    QFETCH(QByteArray, path);
    QFETCH(bool, ok);
    TTestHttpServer server;
    QVERIFY(server.Listen());
    ServeDownloads(server);
    const TDownloadLimits limits{500, 1000};

    // An older copy is kept when the download fails.
    const QString file = FHome->Path() + u"/Lyrebird.ini"_s;
    WriteOldCopy(file);

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(DownloadFile(server.Address(QString::fromLatin1(path)), file, limits), ok);
    QVERIFY(timer.elapsed() < 5000);
    QCOMPARE(ReadFileBytes(file), ok ? "fresh\n"_ba : "old\n"_ba);
    // No temporary file is left beside it.
    QCOMPARE(QDir(FHome->Path()).entryList(QDir::Files), QStringList{u"Lyrebird.ini"_s});
}

void TestShell::fullDiskKeepsTheOldCopy()
{
    TTestHttpServer server;
    QVERIFY(server.Listen());
    ServeDownloads(server);
    const TDownloadLimits limits{5000, 1000};
    const QString file = FHome->Path() + u"/Lyrebird.ini"_s;
    WriteOldCopy(file);
    {
        // Room for 100 bytes of the 600: the write fails part way.
        TFileSizeLimit limit(100);
        QVERIFY(!DownloadFile(server.Address(u"/medium"_s), file, limits));
    }
    QCOMPARE(ReadFileBytes(file), "old\n"_ba);
    QCOMPARE(QDir(FHome->Path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"Lyrebird.ini"_s});
    QVERIFY(DownloadFile(server.Address(u"/medium"_s), file, limits));
    QCOMPARE(ReadFileBytes(file), QByteArray(600, 'm'));
}

void TestShell::downloadOnAnotherThread()
{
    TTestHttpServer server;
    QVERIFY(server.Listen());
    ServeDownloads(server);
    const QString address = server.Address(u"/ok"_s);
    const QString file = FHome->Path() + u"/fetched"_s;
    std::atomic<int> result{-1};
    std::unique_ptr<QThread> thread(QThread::create([&] { result = DownloadFile(address, file) ? 1 : 0; }));
    thread->start();
    // The server answers on this thread while the download waits on its own.
    QTRY_VERIFY_WITH_TIMEOUT(thread->isFinished(), 10000);
    QCOMPARE(result.load(), 1);
    QCOMPARE(ReadFileBytes(file), "fresh\n"_ba);

    QVERIFY(!DownloadFile(u"file:///etc/passwd"_s, file)); // only web addresses
    QVERIFY(!DownloadFile(address, FHome->Path() + u"/no/such/folder/x"_s));
}

void TestShell::cutToGbkBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("max");
    QTest::addColumn<QString>("expected");
    QTest::newRow("fits") << u"中国之声"_s << 8 << u"中国之声"_s;
    QTest::newRow("whole characters only") << u"中国之声"_s << 7 << u"中国之"_s;
    QTest::newRow("mixed") << u"ab中国"_s << 3 << u"ab"_s;
    QTest::newRow("127 bytes of tip") << QString(200, u'音') << 127 << QString(63, u'音');
}

void TestShell::cutToGbkBytes()
{
    QFETCH(QString, text);
    QFETCH(int, max);
    QFETCH(QString, expected);
    QCOMPARE(CutToGbkBytes(text, max), expected);
}

QTEST_GUILESS_MAIN(TestShell)
#include "test_shell.moc"
