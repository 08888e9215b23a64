// Both real engines against real servers on 127.0.0.1: Icecast with ICY
// titles, RTSP, a server that dies mid-play, quick switches, volume and mute,
// and the sound that reaches the sound server.
#include "StreamServers.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "ctlRadioPlayer.h"
#include "ctlReconnect.h"
#include "libEngines.h"
#include "libError.h"
#include "libText.h"

#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QTemporaryDir>
#include <QTest>
#include <gst/gst.h>
#include <memory>

using namespace Qt::StringLiterals;

namespace {
enum TSimple { sStopped, sPlaying, sOther };

// One face for both roles, so each behaviour is one table-driven test.
class TProbe : public QObject
{
public:
    virtual void Play(const QString& url) = 0;
    virtual void Stop() = 0;
    virtual TSimple State() const = 0;
    virtual int Kbps() const = 0;
    virtual QString Title() const = 0;
    virtual void SetVolume(int v) = 0;
    virtual void SetMute(bool m) = 0;
    virtual TStreamEnd End() const = 0;
    QStringList FErrors;
};

class TMpvProbe final : public TProbe
{
public:
    explicit TMpvProbe(std::unique_ptr<IWindowsMediaEngine> e) : FE(std::move(e))
    {
        connect(FE.get(), &IWindowsMediaEngine::Error, this, [this] {
            for (int i = 0; i < FE->ErrorCount(); ++i)
                FErrors << FE->ErrorDescription(i);
            FE->ClearErrorQueue();
        });
    }
    void Play(const QString& url) override
    {
        FE->SetURL(url);
        FE->Play();
    }
    void Stop() override { FE->Stop(); }
    TSimple State() const override
    {
        const int s = FE->PlayState();
        return s == IWindowsMediaEngine::wmppsStopped   ? sStopped
               : s == IWindowsMediaEngine::wmppsPlaying ? sPlaying
                                                        : sOther;
    }
    int Kbps() const override { return FE->NetworkBitRate() / 1000; }
    QString Title() const override { return FE->CurrentMediaName(); }
    void SetVolume(int v) override { FE->SetVolume(v); }
    void SetMute(bool m) override { FE->SetMute(m); }
    TStreamEnd End() const override { return FE->StreamEnd(); }
    std::unique_ptr<IWindowsMediaEngine> FE;
};

class TGstProbe final : public TProbe
{
public:
    explicit TGstProbe(std::unique_ptr<IRealMediaEngine> e) : FE(std::move(e))
    {
        connect(FE.get(), &IRealMediaEngine::ErrorMessage, this,
                [this](int, int, int, const QString&, const QString&, const QString& text) { FErrors << text; });
    }
    void Play(const QString& url) override
    {
        FE->SetSource(url);
        FE->DoPlay();
    }
    void Stop() override { FE->DoStop(); }
    TSimple State() const override
    {
        const int s = FE->GetPlayState();
        return s == IRealMediaEngine::rpStopped ? sStopped : s == IRealMediaEngine::rpPlaying ? sPlaying : sOther;
    }
    int Kbps() const override { return FE->GetBandwidthAverage() / 1000; }
    QString Title() const override { return FE->GetTitle(); }
    void SetVolume(int v) override { FE->SetVolume(quint16(v)); }
    void SetMute(bool m) override { FE->SetMute(m); }
    TStreamEnd End() const override { return FE->StreamEnd(); }
    std::unique_ptr<IRealMediaEngine> FE;
};

constexpr int kAudible = 1000; // the tone peaks at 4096 (1/8 of full scale)
constexpr int kSilent = 60;
} // namespace

class TEnginesLiveTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<TStreamServers> FServers;
    std::unique_ptr<IEngineFactory> FFactory;

    QTemporaryDir FClipDir;
    QByteArray FClip;

    // Two seconds of MP3, served with its length as a file on a web server is.
    QByteArray Clip()
    {
        if (FClip.isEmpty()) {
            const QString path = FClipDir.filePath(QStringLiteral("clip.mp3"));
            QProcess ffmpeg;
            ffmpeg.start(QStringLiteral("ffmpeg"),
                         {QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                          QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                          QStringLiteral("sine=frequency=440:duration=2"), QStringLiteral("-c:a"),
                          QStringLiteral("libmp3lame"), path});
            if (!ffmpeg.waitForFinished(20000) || ffmpeg.exitCode() != 0)
                qFatal("ffmpeg made no clip");
            FClip = ReadFileBytes(path);
        }
        return FClip;
    }

    // A certificate for 127.0.0.1 that nobody trusts.
    QSslConfiguration SelfSignedTls()
    {
        const QString key = FClipDir.filePath(QStringLiteral("key.pem"));
        const QString cert = FClipDir.filePath(QStringLiteral("cert.pem"));
        const TProgramRun made = RunProgram(
            QStringLiteral("openssl"),
            {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
             QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-subj"),
             QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert});
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        const QList<QSslCertificate> certificates = QSslCertificate::fromPath(cert);
        if (made.Exit != 0 || certificates.isEmpty())
            qFatal("openssl made no certificate: %s", made.Err.constData());
        tls.setLocalCertificate(certificates.first());
        tls.setPrivateKey(QSslKey(ReadFileBytes(key), QSsl::Rsa));
        return tls;
    }

    std::unique_ptr<TProbe> Make(const QString& engine)
    {
        if (engine == QLatin1String("mpv"))
            return std::make_unique<TMpvProbe>(FFactory->CreateWindowsMedia());
        return std::make_unique<TGstProbe>(FFactory->CreateRealMedia());
    }
    static void Engines()
    {
        QTest::addColumn<QString>("engine");
        QTest::newRow("libmpv") << QStringLiteral("mpv");
        QTest::newRow("gstreamer") << QStringLiteral("gst");
    }

private Q_SLOTS:
    void initTestCase()
    {
        FServers = std::make_unique<TStreamServers>();
        try {
            FServers->Start();
        } catch (const std::exception& e) {
            QFAIL(e.what());
        }
        PrepareEngineLocale(); // as main() does once the application object exists
        FFactory = CreateSystemEngineFactory();
        QVERIFY(FFactory->IsWindowsMediaInstalled());
        QVERIFY(FFactory->IsRealPlayerInstalled());
    }
    void cleanupTestCase() { FServers.reset(); }

    void icecastTitlesAndBitRate_data() { Engines(); }
    void icecastTitlesAndBitRate()
    {
        QFETCH(QString, engine);
        FServers->SetTitle("Morning News");
        auto e = Make(engine);
        e->SetVolume(100);
        e->Play(FServers->IcecastUrl());
        QTRY_COMPARE_WITH_TIMEOUT(e->State(), sPlaying, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(e->Kbps(), 128, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(e->Title(), QStringLiteral("Morning News"), 8000);
        QTRY_VERIFY_WITH_TIMEOUT(FServers->PeakLevel(300) > kAudible, 5000);
        if (engine == u"gst") {
            // Loading FFmpeg's plugin for an MP3 stream costs a tenth of a
            // second before the first sound and 30 MB.
            GstPlugin* ffmpeg = gst_registry_find_plugin(gst_registry_get(), "libav");
            const bool loaded = ffmpeg && gst_plugin_is_loaded(ffmpeg);
            if (ffmpeg)
                gst_object_unref(ffmpeg);
            QVERIFY2(!loaded, "the MP3 stream loaded FFmpeg's GStreamer plugin");
        }

        // A title in GBK, as Chinese stations send it, changed mid-play.
        FServers->SetTitle(ToGbk(u"中国之声 - 新闻纵横"));
        QTRY_COMPARE_WITH_TIMEOUT(e->Title(), QStringLiteral("中国之声 - 新闻纵横"), 10000);
        FServers->SetTitle(QByteArrayLiteral("音乐之声 · UTF-8"));
        QTRY_COMPARE_WITH_TIMEOUT(e->Title(), QStringLiteral("音乐之声 · UTF-8"), 10000);
        QCOMPARE(e->State(), sPlaying);
        QVERIFY2(e->FErrors.isEmpty(), qPrintable(e->FErrors.join(u'|')));

        e->Stop();
        QCOMPARE(e->State(), sStopped);
        QTRY_VERIFY_WITH_TIMEOUT(FServers->PeakLevel(300) < kSilent, 5000);
    }

    // From the first moment a stream plays, the engine shows the rate the
    // station declared and no title until the station sends one: neither
    // 0 kbit/s nor the address's file name (live.mp3) as the programme.
    void firstReportsOfAStream_data() { Engines(); }
    void firstReportsOfAStream()
    {
        QFETCH(QString, engine);
        FServers->SetTitle(QByteArray()); // the mount names no programme yet
        auto e = Make(engine);
        e->SetVolume(100);
        e->Play(FServers->IcecastUrl());
        QStringList shown; // each change of "kbit/s title" while playing
        bool titleSent = false;
        const bool arrived = QTest::qWaitFor(
            [&] {
                if (e->State() != sPlaying)
                    return false;
                const QString now = QString::number(e->Kbps()) + u' ' + e->Title();
                if (shown.isEmpty() || shown.last() != now)
                    shown << now;
                if (!titleSent) {
                    FServers->SetTitle("Evening News");
                    titleSent = true;
                }
                return e->Title() == u"Evening News";
            },
            20000);
        QVERIFY2(arrived, qPrintable(shown.join(u'|')));
        QCOMPARE(shown.join(u'|'), QStringLiteral("128 |128 Evening News"));
        QVERIFY2(e->FErrors.isEmpty(), qPrintable(e->FErrors.join(u'|')));
        e->Stop();
    }

    void rtspPlaysThroughGStreamer()
    {
        auto e = Make(QStringLiteral("gst"));
        e->SetVolume(100);
        e->Play(FServers->RtspUrl());
        QTRY_COMPARE_WITH_TIMEOUT(e->State(), sPlaying, 10000);
        // A live source plays before its first packets are in: wait for them.
        QTRY_VERIFY_WITH_TIMEOUT(FServers->PeakLevel(300) > kAudible, 5000);
        QVERIFY2(e->FErrors.isEmpty(), qPrintable(e->FErrors.join(u'|')));
        e->Stop();
        QCOMPARE(e->State(), sStopped);
    }

    // Volume and mute set before the first play reach the engine, and later
    // changes take effect at once.
    void volumeAndMute_data() { Engines(); }
    void volumeAndMute()
    {
        QFETCH(QString, engine);
        auto e = Make(engine);
        e->SetMute(true);
        e->SetVolume(100);
        e->Play(FServers->IcecastUrl());
        QTRY_COMPARE_WITH_TIMEOUT(e->State(), sPlaying, 10000);
        QVERIFY(FServers->PeakLevel() < kSilent);
        e->SetMute(false);
        QTRY_VERIFY_WITH_TIMEOUT(FServers->PeakLevel(300) > kAudible, 5000);
        e->SetVolume(0);
        QTRY_VERIFY_WITH_TIMEOUT(FServers->PeakLevel(300) < kSilent, 5000);
        e->SetVolume(50);
        QTRY_VERIFY_WITH_TIMEOUT(FServers->PeakLevel(300) > kSilent * 4, 5000);
        e->Stop();
    }

    // Switching links quickly: nothing of the replaced stream may surface.
    void quickSwitch_data() { Engines(); }
    void quickSwitch()
    {
        QFETCH(QString, engine);
        auto e = Make(engine);
        e->SetVolume(100);
        // The dead address fails while the good one is already starting: its
        // error must not be reported against the new stream, which plays on
        // until the station's next title reaches it.
        e->Play(FServers->DeadUrl());
        e->Play(FServers->IcecastUrl());
        QTRY_COMPARE_WITH_TIMEOUT(e->State(), sPlaying, 10000);
        FServers->SetTitle("After the switch");
        QTRY_COMPARE_WITH_TIMEOUT(e->Title(), QStringLiteral("After the switch"), 10000);
        QCOMPARE(e->State(), sPlaying);
        QVERIFY2(e->FErrors.isEmpty(), qPrintable(e->FErrors.join(u'|')));

        // Play then Stop at once: the started stream must not come back. A
        // silent witness started on the same stream at the same moment shows
        // when it would have.
        auto witness = Make(engine);
        witness->SetVolume(0);
        witness->Play(FServers->IcecastUrl());
        e->Play(FServers->IcecastUrl());
        e->Stop();
        bool cameBack = false;
        QVERIFY(QTest::qWaitFor(
            [&] {
                cameBack = cameBack || e->State() != sStopped;
                return witness->State() == sPlaying;
            },
            10000));
        QVERIFY(FServers->PeakLevel(300) < kSilent);
        QVERIFY(!cameBack);
        QCOMPARE(e->State(), sStopped);
        witness.reset();

        // A dead address alone is an error, and the engine comes to rest.
        e->Play(FServers->DeadUrl());
        QTRY_VERIFY_WITH_TIMEOUT(!e->FErrors.isEmpty(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(e->State(), sStopped, 5000);
    }

    void serverDiesMidPlay_data() { Engines(); }
    void serverDiesMidPlay()
    {
        QFETCH(QString, engine);
        auto e = Make(engine);
        e->SetVolume(100);
        e->Play(FServers->IcecastUrl());
        QTRY_COMPARE_WITH_TIMEOUT(e->State(), sPlaying, 10000);
        FServers->StopIcecast();
        // The engine says what is true: the stream ended or failed, and it
        // comes to rest instead of claiming to play on.
        QTRY_COMPARE_WITH_TIMEOUT(e->State(), sStopped, 30000);
        try {
            FServers->StartIcecast();
        } catch (const std::exception& x) {
            QFAIL(x.what());
        }
        e->FErrors.clear();
        e->Play(FServers->IcecastUrl());
        QTRY_COMPARE_WITH_TIMEOUT(e->State(), sPlaying, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(FServers->PeakLevel(300) > kAudible, 5000);
        e->Stop();
    }

    // How a stream ended decides whether it is tried again: a refused
    // connection and an HTTP error (a mount answers 404 while its source
    // restarts) are, an address that is no stream or that no protocol
    // handles is not, and a clip that knows its length ended for good.
    void streamEnds_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("end");
        for (const char* engine : {"mpv", "gst"}) {
            const auto row = [&](const char* what, TStreamEnd end) {
                QTest::addRow("%s %s", engine, what)
                    << QString::fromLatin1(engine) << QString::fromLatin1(what) << int(end);
            };
            row("http 404", TStreamEnd::seDropped);
            row("connection refused", TStreamEnd::seDropped);
            row("web page", TStreamEnd::seRefused);
            row("unknown scheme", TStreamEnd::seRefused);
            row("clip to its end", TStreamEnd::seFinished);
        }
        // libmpv does not check certificates at all.
        QTest::addRow("gst untrusted certificate")
            << u"gst"_s << u"untrusted certificate"_s << int(TStreamEnd::seRefused);
    }
    void streamEnds()
    {
        QFETCH(QString, engine);
        QFETCH(QString, what);
        QFETCH(int, end);
        TTestHttpServer http;
        QVERIFY(http.Listen(what == u"untrusted certificate" ? SelfSignedTls() : QSslConfiguration()));
        http.Answer("/page.html", "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 44\r\n\r\n"
                                  "<html><body><p>Not a stream</p></body></html>");
        http.Answer("/clip.mp3", TTestHttpServer::Ok(Clip()));
        const QString address = what == u"http 404"             ? http.Address(QStringLiteral("/gone.mp3"))
                                : what == u"connection refused" ? FServers->DeadUrl()
                                : what == u"web page"           ? http.Address(QStringLiteral("/page.html"))
                                : what == u"unknown scheme"     ? QStringLiteral("kestrel-nothing://127.0.0.1/a")
                                                                : http.Address(QStringLiteral("/clip.mp3"));
        auto e = Make(engine);
        e->SetVolume(0);
        e->Play(address);
        QTRY_VERIFY_WITH_TIMEOUT(e->End() != TStreamEnd::seNone, 20000);
        QCOMPARE(int(e->End()), end);
        QCOMPARE(e->State(), sStopped);
        e->Play(address);
        QCOMPARE(int(e->End()), int(TStreamEnd::seNone)); // a new Play forgets it
        e->Stop();
    }

    // The source dies mid-play and comes back a few seconds later: the
    // policy plays the stream again by itself, within the wait it was in.
    void reconnectsAfterTheSourceDies_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("libmpv") << int(skWindowsMedia);
        QTest::newRow("gstreamer") << int(skRealMedia);
    }
    void reconnectsAfterTheSourceDies()
    {
        QFETCH(int, kind);
        TRadioPlayer player(FFactory.get());
        TReconnectPolicy policy(&player);
        int waits = 0;
        connect(&policy, &TReconnectPolicy::Changed, this, [&] {
            if (policy.SecondsLeft() == policy.NextDelayMs() / 2000)
                ++waits; // the first second of each wait
        });
        player.SetVolume(100);
        policy.Play(FServers->IcecastUrl(), TStreamKind(kind));
        QTRY_COMPARE_WITH_TIMEOUT(player.State(), psPlaying, 10000);
        FServers->StopSource();
        QTRY_VERIFY_WITH_TIMEOUT(policy.Waiting(), 30000);
        QTest::qWait(3000);
        QVERIFY(player.State() != psPlaying);
        try {
            FServers->StartSource();
        } catch (const std::exception& x) {
            QFAIL(x.what());
        }
        // The try that is due, and the time it takes to connect.
        const int due = policy.Waiting() ? policy.SecondsLeft() * 1000 : policy.NextDelayMs();
        QTRY_COMPARE_WITH_TIMEOUT(player.State(), psPlaying, due + 8000);
        QVERIFY(policy.Wanted());
        QVERIFY(waits >= 2);
        QTRY_VERIFY_WITH_TIMEOUT(FServers->PeakLevel(300) > kAudible, 5000);
        policy.Stop();
        QCOMPARE(player.State(), psStopped);
        QTRY_VERIFY_WITH_TIMEOUT(FServers->PeakLevel(300) < kSilent, 5000);
    }

    // The player over the real engines: each kind reaches "正在播放" with the
    // stream's bit rate and title, and what the status bar shows while playing
    // is never a file name or 0 kbit/s.
    void playerPlaysEachKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("wm (libmpv)") << int(skWindowsMedia);
        QTest::newRow("rm (gstreamer)") << int(skRealMedia);
    }
    void playerPlaysEachKind()
    {
        QFETCH(int, kind);
        FServers->SetTitle(ToGbk(u"早间新闻"));
        TRadioPlayer player(FFactory.get());
        QStringList playing; // bit rate and info text of each playing report
        connect(&player, &TRadioPlayer::OnChange, this, [&playing](TRadioPlayer* sender) {
            if (sender->State() == psPlaying)
                playing << QString::number(sender->BitRate()) + u' ' + sender->InfoText();
        });
        player.SetVolume(100);
        player.Play(FServers->IcecastUrl(), TStreamKind(kind));
        QTRY_COMPARE_WITH_TIMEOUT(player.State(), psPlaying, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(player.BitRate(), 128, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(player.InfoText(), QStringLiteral("早间新闻"), 8000);
        for (const QString& report : playing)
            QVERIFY2(report == u"128 " || report == u"128 早间新闻", qPrintable(playing.join(u'|')));
        QCOMPARE(player.StateText(), QStringLiteral("正在播放"));
        QTRY_VERIFY_WITH_TIMEOUT(FServers->PeakLevel(300) > kAudible, 5000);
        player.Stop();
        QCOMPARE(player.State(), psStopped);
        QTRY_VERIFY_WITH_TIMEOUT(FServers->PeakLevel(300) < kSilent, 5000);
    }

    // Switching kinds starts the new engine and stops the old one: one
    // stream is heard, and after the server dies and returns, Play works again.
    void playerSwitchesKindsAndSurvivesServerDeath()
    {
        TRadioPlayer player(FFactory.get());
        player.SetVolume(100);
        player.Play(FServers->IcecastUrl(), skWindowsMedia);
        QTRY_COMPARE_WITH_TIMEOUT(player.State(), psPlaying, 10000);
        player.Play(FServers->RtspUrl(), skRealMedia);
        QTRY_COMPARE_WITH_TIMEOUT(player.State(), psPlaying, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(FServers->PeakLevel(300) > kAudible, 5000);

        player.Play(FServers->IcecastUrl(), skRealMedia);
        QTRY_COMPARE_WITH_TIMEOUT(player.State(), psPlaying, 10000);
        FServers->StopIcecast();
        // An error alone is not enough: the poll that follows must find the
        // engine at rest, not still playing.
        QTRY_COMPARE_WITH_TIMEOUT(player.State(), psStopped, 30000);
        try {
            FServers->StartIcecast();
        } catch (const std::exception& x) {
            QFAIL(x.what());
        }
        player.Play(FServers->IcecastUrl(), skRealMedia);
        QTRY_COMPARE_WITH_TIMEOUT(player.State(), psPlaying, 10000);
        player.Stop();
        QTRY_VERIFY_WITH_TIMEOUT(FServers->PeakLevel(300) < kSilent, 5000);
    }

    void playerWithoutLibmpv()
    {
        const QByteArray saved = qgetenv("KESTREL_LIBMPV");
        qputenv("KESTREL_LIBMPV", "libdoesnotexist.so");
        auto factory = CreateSystemEngineFactory();
        TRadioPlayer player(factory.get());
        QStringList missing;
        connect(
            &player, &TRadioPlayer::EngineMissing, this,
            [&](TStreamKind kind) { missing << StreamKindText(kind, ktName); }, Qt::DirectConnection);
        player.Play(FServers->IcecastUrl(), skWindowsMedia);
        if (saved.isEmpty())
            qunsetenv("KESTREL_LIBMPV");
        else
            qputenv("KESTREL_LIBMPV", saved);
        QCOMPARE(player.State(), psStopped);
        QCOMPARE(missing.size(), 1);
        QVERIFY(missing[0].contains(QStringLiteral("Windows Media")));
    }

    void absentLibmpv()
    {
        const QByteArray saved = qgetenv("KESTREL_LIBMPV");
        qputenv("KESTREL_LIBMPV", "libdoesnotexist.so");
        const bool installed = FFactory->IsWindowsMediaInstalled();
        bool threw = false;
        try {
            FFactory->CreateWindowsMedia();
        } catch (const EProgramError&) {
            threw = true;
        }
        if (saved.isEmpty())
            qunsetenv("KESTREL_LIBMPV");
        else
            qputenv("KESTREL_LIBMPV", saved);
        QVERIFY(!installed);
        QVERIFY(threw);
        QVERIFY(FFactory->IsWindowsMediaInstalled());
    }
};

QTEST_GUILESS_MAIN(TEnginesLiveTest)
#include "test_engines_live.moc"
