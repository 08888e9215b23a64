// The update check against a server the test runs: what each description,
// and each broken or hostile server, makes of the check; the web addresses
// it and the window open.

#include "FakeNetwork.h"
#include "TestHome.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "libConst.h"
#include "libDownload.h"
#include "libUpdate.h"
#include "libWeb.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr double OwnVersion = 2.008; // 2.0.0.800

QByteArray Description(const QByteArray& lines) { return TTestHttpServer::Ok(lines); }

// A server that sends a byte every 100 ms: never silent long enough for a
// transfer time-out, so only the deadline for the whole fetch ends it.
void Trickle(QTcpSocket* socket)
{
    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
    auto* timer = new QTimer(socket);
    QObject::connect(timer, &QTimer::timeout, socket, [socket] { socket->write("x"); });
    timer->start(100);
}

void WriteOldCopy(const QString& file)
{
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old copy\n");
}

// A self-signed certificate for 127.0.0.1, trusted by this process's clients.
QSslConfiguration TrustedTls(const QString& folder)
{
    const QString key = folder + u"/key.pem"_s;
    const QString cert = folder + u"/cert.pem"_s;
    const TProgramRun made = RunProgram(
        u"openssl"_s, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s, u"ec_paramgen_curve:prime256v1"_s,
                       u"-nodes"_s, u"-days"_s, u"1"_s, u"-subj"_s, u"/CN=127.0.0.1"_s, u"-addext"_s,
                       u"subjectAltName=IP:127.0.0.1"_s, u"-keyout"_s, key, u"-out"_s, cert});
    if (made.Exit != 0)
        qWarning("openssl: %s", made.Err.constData());
    QSslConfiguration server = QSslConfiguration::defaultConfiguration();
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(cert);
    if (certificates.isEmpty())
        return server;
    server.setLocalCertificate(certificates.first());
    server.setPrivateKey(QSslKey(ReadFileBytes(key), QSsl::Ec));
    QSslConfiguration client = QSslConfiguration::defaultConfiguration();
    client.addCaCertificates(certificates);
    QSslConfiguration::setDefaultConfiguration(client);
    return server;
}

} // namespace

class TestUpdate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { FHome = std::make_unique<TTestHome>(); }
    void cleanup()
    {
        FHome.reset();
        qunsetenv("KESTREL_WEB_SERVER");
    }

    void versionNumber_data();
    void versionNumber();
    void description_data();
    void description();
    void report_data();
    void report();
    void check_data();
    void check();
    void noNetworkFailsWithoutAsking();
    void httpsNeverFallsBackToHttp();
    void loopbackCountsAsANetwork_data();
    void loopbackCountsAsANetwork();
    void webAddresses_data();
    void webAddresses();

private:
    // Runs one check against the server's description and waits for it.
    TUpdateOutcome RunCheck(TTestHttpServer& server, INetwork& network, int timeoutMs, qint64* elapsed = nullptr);
    QString LocalFile() const { return FHome->DataFolder() + u"/Lyrebird.ini"_s; }

    std::unique_ptr<TTestHome> FHome;
};

void TestUpdate::versionNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");
    QTest::newRow("published") << u"2.009"_s << 2.009;
    QTest::newRow("blanks around it") << u" 2.1 "_s << 2.1;
    QTest::newRow("no fraction") << u"3"_s << 3.0;
    // The comma is never a decimal separator here, and no group separator either.
    QTest::newRow("comma") << u"2,009"_s << 0.0;
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("words") << u"2.009 beta"_s << 0.0;
    QTest::newRow("two dots") << u"2.0.1"_s << 0.0;
    // Would be newer than every version there is.
    QTest::newRow("infinity") << u"inf"_s << 0.0;
    QTest::newRow("beyond a double") << u"1e999"_s << 0.0;
}

void TestUpdate::versionNumber()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QCOMPARE(ReadVersionNumber(text), number);
}

void TestUpdate::description_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<double>("version");
    QTest::addColumn<QString>("url");
    QTest::newRow("both keys, CR LF") << "[version]\r\nexe=2.009\r\nurl=http://a.cn/k.zip\r\n"_ba << 2.009
                                      << u"http://a.cn/k.zip"_s;
    QTest::newRow("names in another case, blanks, quotes")
        << "\xEF\xBB\xBF [Version]\n EXE = 2.1 \nUrl=\"http://a.cn/q.zip\"\n"_ba << 2.1 << u"http://a.cn/q.zip"_s;
    QTest::newRow("keys of another section")
        << "[other]\nexe=9\n[version]\nurl=http://a.cn/\n"_ba << 0.0 << u"http://a.cn/"_s;
    QTest::newRow("first of a repeated key") << "[version]\nexe=2.1\nexe=9\n"_ba << 2.1 << QString();
    QTest::newRow("a later section of the same name")
        << "[version]\nexe=2.1\n[version]\nurl=http://a.cn/\n"_ba << 2.1 << QString();
    QTest::newRow("commented out") << "[version]\n;exe=9\n"_ba << 0.0 << QString();
    QTest::newRow("no section") << "exe=9\n"_ba << 0.0 << QString();
    QTest::newRow("not an INI file at all") << "<html>404</html>"_ba << 0.0 << QString();
}

void TestUpdate::description()
{
    QFETCH(QByteArray, content);
    QFETCH(double, version);
    QFETCH(QString, url);
    const TUpdateDescription description = ReadUpdateDescription(content);
    QCOMPARE(description.Version, version);
    QCOMPARE(description.Url, url);
}

void TestUpdate::report_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    const int newer = int(TUpdateResult::Newer), same = int(TUpdateResult::UpToDate),
              failed = int(TUpdateResult::Failed);
    QTest::newRow("newer, manual") << newer << false << int(TUpdateReport::Question) << Const::SUpdateAvailable;
    QTest::newRow("newer, silent: asks too")
        << newer << true << int(TUpdateReport::Question) << Const::SUpdateAvailable;
    QTest::newRow("up to date, manual") << same << false << int(TUpdateReport::ErrorMessage) << Const::SUpToDate;
    QTest::newRow("up to date, silent") << same << true << int(TUpdateReport::Nothing) << QString();
    QTest::newRow("failed, manual") << failed << false << int(TUpdateReport::ErrorMessage) << Const::SNoNetwork;
    QTest::newRow("failed, silent") << failed << true << int(TUpdateReport::Nothing) << QString();
}

void TestUpdate::report()
{
    QFETCH(int, result);
    QFETCH(bool, silent);
    QFETCH(int, kind);
    QFETCH(QString, text);
    TUpdateOutcome outcome;
    outcome.Result = TUpdateResult(result);
    const TUpdateReport report = UpdateReport(outcome, silent);
    QCOMPARE(int(report.Kind), kind);
    QCOMPARE(report.Text, text);
}

TUpdateOutcome TestUpdate::RunCheck(TTestHttpServer& server, INetwork& network, int timeoutMs, qint64* elapsed)
{
    qputenv("KESTREL_WEB_SERVER", server.Base().toUtf8());
    TDownloadLimits limits = UpdateCheckLimits();
    limits.TimeoutMs = timeoutMs;
    TUpdateCheckSetup setup = TUpdateCheckSetup::Program(limits);
    setup.OwnVersion = OwnVersion;
    TUpdateCheck check(false, &network, setup);
    QSignalSpy finished(&check, &TUpdateCheck::Finished);
    QElapsedTimer clock;
    clock.start();
    check.Start();
    // Never from inside Start: the starter connects and disables first.
    [&] { QCOMPARE(finished.count(), 0); }();
    if (!finished.wait(20000))
        qWarning("the check did not finish");
    if (elapsed)
        *elapsed = clock.elapsed();
    [&] { QCOMPARE(finished.count(), 1); }();
    return check.Outcome();
}

void TestUpdate::check_data()
{
    QTest::addColumn<QByteArray>("answer"); // the description's path answers this
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("address"); // "package" = the default package address
    const int newer = int(TUpdateResult::Newer), same = int(TUpdateResult::UpToDate),
              failed = int(TUpdateResult::Failed);
    const QString package = u"package"_s;

    QTest::newRow("newer with url") << Description("[version]\r\nexe=2.009\r\nurl=http://mirror.cn/k.zip\r\n") << newer
                                    << u"http://mirror.cn/k.zip"_s;
    QTest::newRow("newer without url") << Description("[version]\r\nexe=2.009\r\n") << newer << package;
    // A description must not send the browser to a local file or a program.
    QTest::newRow("newer, url not a web address")
        << Description("[version]\nexe=3\nurl=file:///etc/passwd\n") << newer << package;
    QTest::newRow("equal") << Description("[version]\nexe=2.008\n") << same << QString();
    QTest::newRow("older") << Description("[version]\nexe=1.5\n") << same << QString();
    QTest::newRow("comma") << Description("[version]\nexe=2,009\n") << same << QString();
    QTest::newRow("no exe") << Description("[version]\nurl=http://mirror.cn/\n") << same << QString();
    QTest::newRow("missing file: 404") << QByteArray() << failed << QString();
    QTest::newRow("server error") << "HTTP/1.1 500 Oops\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"_ba << failed
                                  << QString();
    QTest::newRow("cut short") << "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n[version]\n"_ba
                               << failed << QString();
    QTest::newRow("stalled past the time-out") << "stall"_ba << failed << QString();
    QTest::newRow("trickling past the time-out") << "trickle"_ba << failed << QString();
    QTest::newRow("announced beyond 64 KiB")
        << Description("[version]\nexe=9\n" + QByteArray(64 * 1024, ';')) << failed << QString();
    QTest::newRow("grows beyond 64 KiB without a length")
        << "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n[version]\nexe=9\n" + QByteArray(70 * 1024, ';') << failed
        << QString();
    QTest::newRow("just within 64 KiB") << Description("[version]\nexe=9\n" + QByteArray(64 * 1024 - 16, ';')) << newer
                                        << package;
    QTest::newRow("redirect loop") << "loop"_ba << failed << QString();
    QTest::newRow("five redirects") << "hops 5"_ba << newer << package;
    QTest::newRow("six redirects") << "hops 6"_ba << failed << QString();
}

void TestUpdate::check()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, result);
    QFETCH(QString, address);

    TTestHttpServer server;
    QVERIFY(server.Listen());
    const QByteArray path = "/download/Lyrebird.ini";
    const QByteArray newer = Description("[version]\nexe=2.009\n");
    if (answer == "stall") {
        server.Answer(path, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n[version]\n", false);
    } else if (answer == "trickle") {
        server.Handle(path, Trickle);
    } else if (answer == "loop") {
        server.Answer(path, TTestHttpServer::Redirect(QString::fromLatin1(path)));
    } else if (answer.startsWith("hops ")) {
        const int hops = answer.mid(5).toInt();
        for (int i = 0; i < hops; ++i) {
            const QByteArray from = i == 0 ? path : "/hop" + QByteArray::number(i);
            server.Answer(from, TTestHttpServer::Redirect(u"/hop%1"_s.arg(i + 1)));
        }
        server.Answer("/hop" + QByteArray::number(hops), newer);
    } else if (!answer.isEmpty()) {
        server.Answer(path, answer);
    }
    QDir().mkpath(FHome->DataFolder());
    WriteOldCopy(LocalFile());

    TFakeNetwork network;
    network.Up = true;
    qint64 elapsed = 0;
    const TUpdateOutcome outcome = RunCheck(server, network, 700, &elapsed);
    QCOMPARE(int(outcome.Result), result);
    QCOMPARE(outcome.Address, address == u"package" ? server.Address(u"/download/Lyrebird.zip"_s) : address);
    QCOMPARE(network.Asked, QList<QUrl>{QUrl(server.Address(u"/download/Lyrebird.ini"_s))});
    // The whole fetch is bounded, whatever the server does.
    QVERIFY2(elapsed < 5000, qPrintable(QString::number(elapsed)));
    // A redirect loop stops at the fifth hop, not at Qt's fiftieth (a request
    // Qt sends again on a connection the server closed counts twice).
    QVERIFY2(server.Requested().size() <= 14, server.Requested().join(' ').constData());

    // The copy beside the recent-files list is replaced only by a complete
    // description, and nothing else is left there.
    const QByteArray kept = ReadFileBytes(LocalFile());
    if (result == int(TUpdateResult::Failed))
        QCOMPARE(kept, "old copy\n"_ba);
    else
        QVERIFY(kept.startsWith("[version]"));
    QCOMPARE(QDir(FHome->DataFolder()).entryList(QDir::Files | QDir::Hidden), QStringList{u"Lyrebird.ini"_s});
}

void TestUpdate::noNetworkFailsWithoutAsking()
{
    TTestHttpServer server;
    QVERIFY(server.Listen());
    server.Answer("/download/Lyrebird.ini", Description("[version]\nexe=9\n"));
    TFakeNetwork network;
    QCOMPARE(int(RunCheck(server, network, 2000).Result), int(TUpdateResult::Failed));
    QCOMPARE(network.Asked.size(), 1);
    QVERIFY(server.Requested().isEmpty());

    // Without a network service there is no network either.
    TUpdateCheck check(true, nullptr, TUpdateCheckSetup::Program());
    QSignalSpy finished(&check, &TUpdateCheck::Finished);
    check.Start();
    QVERIFY(finished.wait(5000));
    QCOMPARE(int(check.Outcome().Result), int(TUpdateResult::Failed));
}

void TestUpdate::httpsNeverFallsBackToHttp()
{
    TTestHttpServer plain;
    QVERIFY(plain.Listen());
    plain.Answer("/k.ini", Description("[version]\nexe=9\n"));
    TTestHttpServer secure;
    const QSslConfiguration tls = TrustedTls(FHome->Path());
    QVERIFY2(!tls.localCertificate().isNull(), "no test certificate");
    QVERIFY(secure.Listen(tls));
    secure.Answer("/down", TTestHttpServer::Redirect(plain.Address(u"/k.ini"_s)));
    secure.Answer("/same", TTestHttpServer::Redirect(secure.Address(u"/k.ini"_s)));
    secure.Answer("/k.ini", Description("[version]\nexe=9\n"));

    QNetworkAccessManager manager;
    const auto fetch = [&](const QString& path) {
        TDownload download;
        QSignalSpy finished(&download, &TDownload::Finished);
        if (!download.Start(manager, secure.Address(path), LocalFile(), UpdateCheckLimits()) || !finished.wait(10000))
            return false;
        return finished.first().first().toBool();
    };
    QDir().mkpath(FHome->DataFolder());
    QVERIFY(fetch(u"/same"_s));
    QVERIFY(!fetch(u"/down"_s));
    QVERIFY(plain.Requested().isEmpty());
}

void TestUpdate::loopbackCountsAsANetwork_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("loopback");
    QTest::newRow("127.0.0.1") << u"127.0.0.1"_s << true;
    QTest::newRow("anywhere in 127/8") << u"127.200.3.4"_s << true;
    QTest::newRow("::1") << u"::1"_s << true;
    QTest::newRow("localhost") << u"LocalHost"_s << true;
    QTest::newRow("next to 127/8") << u"128.0.0.1"_s << false;
    QTest::newRow("a name") << u"www.kestrelradio.cn"_s << false;
    QTest::newRow("under localhost") << u"evil.localhost.example"_s << false;
}

void TestUpdate::loopbackCountsAsANetwork()
{
    QFETCH(QString, host);
    QFETCH(bool, loopback);
    QCOMPARE(IsLoopbackHost(host), loopback);
    QUrl url(u"http://x:8123/download/"_s);
    url.setHost(host);
    if (loopback) {
        TSystemNetwork network;
        QVERIFY(network.Present(url));
    }
}

void TestUpdate::webAddresses_data()
{
    QTest::addColumn<QByteArray>("server"); // the variable's value; "-" = not set
    QTest::addColumn<QString>("download");
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QString>("forum");
    const QString builtInDownload = QString::fromUtf16(CDownloadServer);
    const QString builtInRadio = QString::fromUtf16(CRadioServer);
    const QString builtInForum = QString::fromUtf16(CForumServer);
    QTest::newRow("not set") << "-"_ba << builtInDownload << builtInRadio << builtInForum;
    QTest::newRow("empty") << ""_ba << builtInDownload << builtInRadio << builtInForum;
    const QString local = u"http://127.0.0.1:8123"_s;
    QTest::newRow("a loopback server") << "http://127.0.0.1:8123"_ba << local << local << local;
    QTest::newRow("trailing slashes dropped") << "http://127.0.0.1:8123//"_ba << local << local << local;
    const QString mirror = u"https://mirror.cn/kestrel"_s;
    QTest::newRow("https with a path") << "https://mirror.cn/kestrel/"_ba << mirror << mirror << mirror;
    // A stray value must not send the browser to a file or a program.
    QTest::newRow("a local file") << "file:///tmp"_ba << builtInDownload << builtInRadio << builtInForum;
    QTest::newRow("no address") << "127.0.0.1:8123"_ba << builtInDownload << builtInRadio << builtInForum;
    QTest::newRow("a query") << "http://mirror.cn/?a="_ba << builtInDownload << builtInRadio << builtInForum;
}

void TestUpdate::webAddresses()
{
    QFETCH(QByteArray, server);
    QFETCH(QString, download);
    QFETCH(QString, radio);
    QFETCH(QString, forum);
    if (server != "-")
        qputenv("KESTREL_WEB_SERVER", server);
    QCOMPARE(DownloadFolderAddress(), download + u"/download/"_s);
    QCOMPARE(UpdateDescriptionAddress(), download + u"/download/Lyrebird.ini"_s);
    QCOMPARE(PackageAddress(), download + u"/download/Lyrebird.zip"_s);
    QCOMPARE(ProductHomeAddress(), radio + u"/lyrebird/"_s);
    QCOMPARE(StationLibraryAddress(), radio + u"/radioshop/"_s);
    QCOMPARE(ForumAddress(), forum + u'/');
    const QStringList builtIns = {QString::fromUtf16(CDownloadServer), QString::fromUtf16(CRadioServer),
                                  QString::fromUtf16(CForumServer)};
    for (const QString& builtIn : builtIns)
        QVERIFY(builtIn.startsWith(u"https://") && !builtIn.endsWith(u'/'));
}

QTEST_GUILESS_MAIN(TestUpdate)
#include "test_update.moc"
