// The look at a link's address before it is played, against a loopback web
// server: playlists give their stream entries, anything else the address
// itself, and a live stream is let go at once.

#include "TestHttpServer.h"
#include "libResolve.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <optional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TStreamKind)

namespace {

QByteArray Response(const QByteArray& contentType, const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\nContent-Length: " + QByteArray::number(body.size())
           + "\r\nConnection: close\r\n\r\n" + body;
}

// Headers, then bytes every few milliseconds for as long as the client
// listens, as a live stream sends them. Counts the bytes written.
struct TLiveStream
{
    QByteArray Head;
    QByteArray Piece;
    qint64 Written = 0;
    bool ClientLeft = false;

    void operator()(QTcpSocket* socket)
    {
        socket->write(Head);
        auto* timer = new QTimer(socket);
        QObject::connect(timer, &QTimer::timeout, socket, [this, socket] { Written += socket->write(Piece); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this] { ClientLeft = true; });
        timer->start(5);
    }
};

struct TResult
{
    std::optional<TStreamCandidates> Candidates;
    int Calls = 0;
};

void Resolve(TStreamResolver& resolver, const QString& address, TStreamKind kind, TResult& result)
{
    resolver.Resolve(address, kind, [&result](const TStreamCandidates& candidates) {
        result.Candidates = candidates;
        ++result.Calls;
    });
}

} // namespace

class TestResolve : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void answers_data();
    void answers();
    void liveStreamIsLetGo_data();
    void liveStreamIsLetGo();
    void noLookNeeded_data();
    void noLookNeeded();
    void stalledServerTimesOut();
    void cancelledAndReplacedRequestsNeverAnswer();

private:
    TTestHttpServer FServer;
};

void TestResolve::initTestCase() { QVERIFY(FServer.Listen()); }

void TestResolve::answers_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<TStreamKind>("kind");
    QTest::addColumn<QStringList>("addresses"); // empty: the address itself
    QTest::addColumn<TStreamKind>("resultKind");

    const QByteArray pls = "[playlist]\r\nFile1=http://a.example.cn/one\r\nFile2=http://b.example.cn/two\r\n"
                           "NumberOfEntries=2\r\n";
    const QStringList plsEntries{u"http://a.example.cn/one"_s, u"http://b.example.cn/two"_s};
    QTest::newRow("pls by its type") << QByteArray("/listen.pls") << Response("audio/x-scpls", pls) << skWindowsMedia
                                     << plsEntries << skWindowsMedia;
    QTest::newRow("pls as text without extension")
        << QByteArray("/listen") << Response("text/plain; charset=utf-8", pls) << skRealMedia << plsEntries
        << skRealMedia;
    // Relative entries are taken from where the list really came from.
    FServer.Answer("/lists/a.asx", Response("video/x-ms-asf", "<ASX><Entry><Ref href=\"live/x\"/></Entry></ASX>"));
    QTest::newRow("asx behind a redirect")
        << QByteArray("/moved") << TTestHttpServer::Redirect(FServer.Address(u"/lists/a.asx"_s)) << skWindowsMedia
        << QStringList{FServer.Address(u"/lists/live/x"_s)} << skWindowsMedia;
    QTest::newRow("ram of rtsp entries needs the other engine")
        << QByteArray("/a.ram") << Response("audio/x-pn-realaudio", "rtsp://a.example.cn/a.rm\nhttp://b.example.cn/b\n")
        << skWindowsMedia << QStringList{u"rtsp://a.example.cn/a.rm"_s, u"http://b.example.cn/b"_s} << skRealMedia;
    QTest::newRow("mms entries leave out rtsp ones")
        << QByteArray("/b.m3u") << Response("audio/x-mpegurl", "mms://a.example.cn/a\nrtsp://b.example.cn/b\n")
        << skRealMedia << QStringList{u"mms://a.example.cn/a"_s} << skWindowsMedia;
    QTest::newRow("hls goes to the engine")
        << QByteArray("/live.m3u8")
        << Response("application/vnd.apple.mpegurl", "#EXTM3U\n#EXT-X-TARGETDURATION:10\nseg1.aac\n") << skWindowsMedia
        << QStringList{} << skWindowsMedia;
    QTest::newRow("an html page") << QByteArray("/page") << Response("text/html", "<html><body>hi</body></html>")
                                  << skWindowsMedia << QStringList{} << skWindowsMedia;
    QTest::newRow("not found") << QByteArray("/gone.pls")
                               << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Type: audio/x-scpls\r\n"
                                             "Content-Length: 20\r\n\r\nFile1=http://x.cn/y\n")
                               << skWindowsMedia << QStringList{} << skWindowsMedia;
    QTest::newRow("no stream entries") << QByteArray("/local.m3u")
                                       << Response("audio/x-mpegurl", "C:\\Music\\a.mp3\nfile:///b.mp3\n")
                                       << skWindowsMedia << QStringList{} << skWindowsMedia;
    QTest::newRow("larger than a playlist")
        << QByteArray("/big.pls") << Response("audio/x-scpls", "[playlist]\n" + QByteArray(70000, '\n'))
        << skWindowsMedia << QStringList{} << skWindowsMedia;
}

void TestResolve::answers()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, response);
    QFETCH(TStreamKind, kind);
    QFETCH(QStringList, addresses);
    QFETCH(TStreamKind, resultKind);
    FServer.Answer(path, response);
    const QString address = FServer.Address(QString::fromLatin1(path));
    if (addresses.isEmpty())
        addresses = QStringList{address};

    TStreamResolver resolver;
    TResult result;
    Resolve(resolver, address, kind, result);
    QCOMPARE(result.Calls, 0); // a web address is looked at on the event loop
    QTRY_COMPARE(result.Calls, 1);
    QCOMPARE(result.Candidates->Addresses, addresses);
    QCOMPARE(result.Candidates->Kind, resultKind);
    QTest::qWait(50);
    QCOMPARE(result.Calls, 1);
}

void TestResolve::liveStreamIsLetGo_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("piece");
    QTest::newRow("audio/mpeg") << QByteArray("audio/mpeg") << QByteArray(1024, 'x');
    // A server that names no media type is stopped by the first bytes.
    QTest::newRow("mp3 frames as octet-stream")
        << QByteArray("application/octet-stream") << QByteArray("\xff\xfb\x90\x64") + QByteArray(1020, '\x55');
    QTest::newRow("ogg without a type") << QByteArray() << QByteArray("OggS") + QByteArray(1020, '\x01');
}

void TestResolve::liveStreamIsLetGo()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, piece);
    TLiveStream stream;
    stream.Head = "HTTP/1.0 200 OK\r\n"
                  + (contentType.isEmpty() ? QByteArray() : "Content-Type: " + contentType + "\r\n")
                  + "icy-br: 128\r\n\r\n";
    stream.Piece = piece;
    static int streams = 0;
    const QByteArray path = "/live-" + QByteArray::number(++streams);
    FServer.Handle(path, std::ref(stream));
    const QString address = FServer.Address(QString::fromLatin1(path));

    TStreamResolver resolver; // ten seconds and 64 KiB
    TResult result;
    QElapsedTimer clock;
    clock.start();
    Resolve(resolver, address, skRealMedia, result);
    QTRY_COMPARE(result.Calls, 1);
    QCOMPARE(result.Candidates->Addresses, QStringList{address});
    QCOMPARE(result.Candidates->Kind, skRealMedia);
    QVERIFY2(clock.elapsed() < 3000, "the stream was read until a limit");
    QTRY_VERIFY(stream.ClientLeft);
    QVERIFY(stream.Written < 16 * 1024);
}

void TestResolve::noLookNeeded_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("mp3") << u"http://127.0.0.1:1/live.mp3"_s;
    QTest::newRow("aac with a query") << u"https://127.0.0.1:1/stream.AAC?type=http"_s;
    QTest::newRow("mms") << u"mms://a.example.cn/live"_s;
    QTest::newRow("rtsp") << u"rtsp://a.example.cn/live.pls"_s;
    QTest::newRow("not an address") << u"listen.pls"_s;
}

void TestResolve::noLookNeeded()
{
    QFETCH(QString, address);
    TStreamResolver resolver;
    TResult result;
    Resolve(resolver, address, skRealMedia, result);
    QCOMPARE(result.Calls, 1);
    QCOMPARE(result.Candidates->Addresses, QStringList{address});
    QCOMPARE(result.Candidates->Kind, skRealMedia);
}

void TestResolve::stalledServerTimesOut()
{
    FServer.Answer("/stalled.pls", "HTTP/1.1 200 OK\r\nContent-Type: audio/x-scpls\r\n\r\n[playlist]\n", false);
    TDownloadLimits limits = ResolveLimits();
    limits.TimeoutMs = 300;
    TStreamResolver resolver(limits);
    TResult result;
    Resolve(resolver, FServer.Address(u"/stalled.pls"_s), skWindowsMedia, result);
    QTest::qWait(150);
    QCOMPARE(result.Calls, 0);
    QTRY_COMPARE_WITH_TIMEOUT(result.Calls, 1, 3000);
    QCOMPARE(result.Candidates->Addresses, QStringList{FServer.Address(u"/stalled.pls"_s)});
}

void TestResolve::cancelledAndReplacedRequestsNeverAnswer()
{
    FServer.Answer("/slow.pls", "HTTP/1.1 200 OK\r\nContent-Type: audio/x-scpls\r\n\r\n[playlist]\n", false);
    FServer.Answer("/quick.pls", Response("audio/x-scpls", "File1=http://a.example.cn/quick\n"));
    TDownloadLimits limits = ResolveLimits();
    limits.TimeoutMs = 300;
    TStreamResolver resolver(limits);

    TResult cancelled;
    Resolve(resolver, FServer.Address(u"/slow.pls"_s), skWindowsMedia, cancelled);
    resolver.Cancel();
    TResult replaced;
    TResult latest;
    Resolve(resolver, FServer.Address(u"/slow.pls"_s), skWindowsMedia, replaced);
    Resolve(resolver, FServer.Address(u"/quick.pls"_s), skWindowsMedia, latest);
    QTRY_COMPARE(latest.Calls, 1);
    QCOMPARE(latest.Candidates->Addresses, QStringList{u"http://a.example.cn/quick"_s});
    QTest::qWait(600); // past the time-out of the dropped ones
    QCOMPARE(cancelled.Calls, 0);
    QCOMPARE(replaced.Calls, 0);
    QCOMPARE(latest.Calls, 1);
}

QTEST_GUILESS_MAIN(TestResolve)
#include "test_resolve.moc"
