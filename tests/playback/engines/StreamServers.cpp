#include "StreamServers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <csignal>
#include <stdexcept>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
const QByteArray kMount = QByteArrayLiteral("/live.mp3");

quint16 FreePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("no free port on 127.0.0.1");
    return probe.serverPort();
}

bool PortOpen(quint16 port)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    return s.waitForConnected(200);
}

[[noreturn]] void Fail(const QString& what) { throw std::runtime_error(what.toStdString()); }
} // namespace

TStreamServers::TStreamServers()
{
    if (!FDir.isValid())
        Fail(QStringLiteral("no temporary folder"));
    // Icecast runs as nobody when the tests run as root: it must reach its files.
    QFile::setPermissions(FDir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                           | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                           | QFileDevice::ExeOther);
    FPassword = QByteArray::number(quint64(getpid()) * 7919u + quint64(QDateTime::currentMSecsSinceEpoch()), 36);
}

TStreamServers::~TStreamServers()
{
    // Reverse order: sources before the servers they feed, the sound server last.
    for (auto it = FAll.rbegin(); it != FAll.rend(); ++it) {
        QProcess* p = *it;
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(3000)) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
        delete p;
    }
}

QProcess* TStreamServers::Spawn(const QString& name, const QString& program, const QStringList& args, bool asNobody)
{
    auto* p = new QProcess;
    FAll.push_back(p);
    p->setStandardOutputFile(FDir.filePath(name + QStringLiteral(".out")), QIODevice::Append);
    p->setStandardErrorFile(FDir.filePath(name + QStringLiteral(".log")), QIODevice::Append);
    p->setStandardInputFile(QProcess::nullDevice());
    // If the test process dies (a crash, an abort under a sanitizer), the
    // kernel kills the servers too.
    p->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    if (asNobody && ::geteuid() == 0) {
        // setpriv changes the user, which clears the parent-death signal: it
        // sets it again after the change.
        QStringList full{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                         QStringLiteral("--clear-groups"), QStringLiteral("--pdeathsig=KILL"), program};
        full += args;
        p->start(QStringLiteral("setpriv"), full);
    } else {
        p->start(program, args);
    }
    if (!p->waitForStarted(5000))
        Fail(name + QStringLiteral(" does not start: ") + p->errorString());
    return p;
}

void TStreamServers::StopProcess(QProcess*& process)
{
    if (process && process->state() != QProcess::NotRunning) {
        process->kill(); // the way a server dies: no goodbye to its listeners
        process->waitForFinished(5000);
    }
    process = nullptr;
}

void TStreamServers::WaitFor(const QString& what, QProcess* process, const std::function<bool()>& ready, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!ready()) {
        if (process && process->state() == QProcess::NotRunning)
            Fail(what + QStringLiteral(" exited early; see ") + FDir.path());
        if (t.elapsed() > ms)
            Fail(QStringLiteral("timed out waiting for ") + what);
        QTest::qWait(50);
    }
}

void TStreamServers::Start()
{
    // 1. The sound server: only a null sink and a socket in the temp folder;
    //    clients never start a daemon of their own.
    const QString pulseDir = FDir.filePath(QStringLiteral("pulse"));
    QDir().mkpath(pulseDir);
    QDir().mkpath(FDir.filePath(QStringLiteral("home")));
    const QString socket = pulseDir + QStringLiteral("/native");
    const QString clientConf = pulseDir + QStringLiteral("/client.conf");
    {
        QFile f(clientConf);
        f.open(QIODevice::WriteOnly);
        f.write("autospawn = no\n");
        QFile c(pulseDir + QStringLiteral("/daemon.pa"));
        c.open(QIODevice::WriteOnly);
        c.write("load-module module-null-sink sink_name=kestrel format=s16le rate=44100 channels=2\n"
                "load-module module-native-protocol-unix socket="
                + socket.toUtf8()
                + " auth-anonymous=1\n"
                  "set-default-sink kestrel\n");
    }
    qputenv("PULSE_CLIENTCONFIG", clientConf.toUtf8());
    qputenv("PULSE_SERVER", QByteArray("unix:") + socket.toUtf8());
    qputenv("PULSE_SINK", "kestrel");
    {
        // The daemon's own environment: its runtime files stay in the temp folder.
        const QByteArray home = qgetenv("HOME"), xdg = qgetenv("XDG_RUNTIME_DIR");
        qputenv("HOME", FDir.filePath(QStringLiteral("home")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", pulseDir.toUtf8());
        qputenv("PULSE_RUNTIME_PATH", pulseDir.toUtf8());
        FPulse = Spawn(QStringLiteral("pulseaudio"), QStringLiteral("pulseaudio"),
                       {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                        QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-target=stderr"),
                        QStringLiteral("-F"), pulseDir + QStringLiteral("/daemon.pa")});
        qputenv("HOME", home);
        if (xdg.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", xdg);
        qunsetenv("PULSE_RUNTIME_PATH");
    }
    WaitFor(QStringLiteral("pulseaudio"), FPulse, [&] {
        if (!QFile::exists(socket))
            return false;
        QProcess info;
        info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
        return info.waitForFinished(2000) && info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0;
    });

    // 2. Icecast with its ffmpeg source.
    FIcecastPort = FreePort();
    FDeadPort = FreePort();
    StartIcecast();

    // 3. RTSP: the helper picks its port and prints it once it listens.
    FRtsp = new QProcess;
    FAll.push_back(FRtsp);
    FRtsp->setStandardErrorFile(FDir.filePath(QStringLiteral("rtsp.log")));
    FRtsp->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    FRtsp->start(QStringLiteral(KESTREL_RTSP_TONE_SERVER), {});
    WaitFor(QStringLiteral("rtsp server"), FRtsp, [&] { return FRtsp->canReadLine(); });
    FRtspPort = quint16(FRtsp->readLine().trimmed().toUInt());
    if (!FRtspPort)
        Fail(QStringLiteral("rtsp server gave no port"));
}

void TStreamServers::StartIcecast()
{
    const QString logDir = FDir.filePath(QStringLiteral("icecast-log"));
    QDir().mkpath(logDir);
    QFile::setPermissions(logDir, QFileDevice::Permissions(0x7777));
    const QString conf = FDir.filePath(QStringLiteral("icecast.xml"));
    QFile f(conf);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        Fail(QStringLiteral("cannot write ") + conf);
    // A 16 KiB burst (one second of the stream) lets a new listener start at
    // once while titles still reach it within a second or two.
    f.write(QStringLiteral(R"(<icecast>
  <limits><clients>100</clients><sources>4</sources>
    <burst-on-connect>1</burst-on-connect><burst-size>16384</burst-size></limits>
  <authentication><source-password>%1</source-password><relay-password>%1</relay-password>
    <admin-user>admin</admin-user><admin-password>%1</admin-password></authentication>
  <hostname>127.0.0.1</hostname>
  <listen-socket><port>%2</port><bind-address>127.0.0.1</bind-address></listen-socket>
  <fileserve>1</fileserve>
  <paths><basedir>%3</basedir><logdir>%4</logdir>
    <webroot>/usr/share/icecast2/web</webroot><adminroot>/usr/share/icecast2/admin</adminroot></paths>
  <logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog><loglevel>3</loglevel></logging>
  <security><chroot>0</chroot></security>
</icecast>
)")
                .arg(QString::fromLatin1(FPassword))
                .arg(FIcecastPort)
                .arg(FDir.path(), logDir)
                .toUtf8());
    f.close();
    QFile::setPermissions(conf, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    FIcecast = Spawn(QStringLiteral("icecast2"), QStringLiteral("icecast2"), {QStringLiteral("-c"), conf}, true);
    WaitFor(QStringLiteral("icecast2"), FIcecast, [&] { return PortOpen(FIcecastPort); });
    StartSource();
}

void TStreamServers::StartSource()
{
    // The source logs in with the headers a station's encoder sends, so that
    // listeners see the declared rate (icy-br) as they do on real stations;
    // ffmpeg's icecast:// output has no way to send it.
    FFfmpeg = Spawn(QStringLiteral("ffmpeg"), QStringLiteral("ffmpeg"),
                    {QStringLiteral("-nostdin"),
                     QStringLiteral("-hide_banner"),
                     QStringLiteral("-loglevel"),
                     QStringLiteral("warning"),
                     QStringLiteral("-re"),
                     QStringLiteral("-f"),
                     QStringLiteral("lavfi"),
                     QStringLiteral("-i"),
                     QStringLiteral("sine=frequency=440:sample_rate=44100"),
                     QStringLiteral("-ac"),
                     QStringLiteral("2"),
                     QStringLiteral("-c:a"),
                     QStringLiteral("libmp3lame"),
                     QStringLiteral("-b:a"),
                     QStringLiteral("128k"),
                     QStringLiteral("-f"),
                     QStringLiteral("mp3"),
                     QStringLiteral("-method"),
                     QStringLiteral("PUT"),
                     QStringLiteral("-chunked_post"),
                     QStringLiteral("0"),
                     QStringLiteral("-auth_type"),
                     QStringLiteral("basic"),
                     QStringLiteral("-content_type"),
                     QStringLiteral("audio/mpeg"),
                     QStringLiteral("-headers"),
                     QStringLiteral("Ice-Name: Test FM\r\nIce-Public: 0\r\n"
                                    "Ice-Audio-Info: ice-samplerate=44100;ice-bitrate=128;ice-channels=2\r\n"),
                     QStringLiteral("http://source:%1@127.0.0.1:%2/live.mp3")
                         .arg(QString::fromLatin1(FPassword))
                         .arg(FIcecastPort)});
    WaitFor(QStringLiteral("ffmpeg source on the mount"), FFfmpeg,
            [&] { return HttpGet("/status-json.xsl", false).contains(kMount); });
    // Once a listener has read a burst's worth, the burst queue holds as much
    // too, and every later listener gets its second at once.
    if (!ReadStream(16384, 15000))
        Fail(QStringLiteral("icecast2 serves no audio on the mount; see ") + FDir.path());
}

bool TStreamServers::ReadStream(qint64 bytes, int ms)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, FIcecastPort);
    if (!s.waitForConnected(2000))
        return false;
    s.write("GET " + kMount + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    const QDeadlineTimer deadline(ms);
    QByteArray data;
    qsizetype body = -1;
    while (s.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
        data += s.readAll();
        if (body < 0 && data.contains("\r\n\r\n"))
            body = data.indexOf("\r\n\r\n") + 4;
        if (body >= 0 && data.size() - body >= bytes)
            return true;
        if (deadline.hasExpired())
            break;
    }
    return false;
}

void TStreamServers::StopIcecast()
{
    StopProcess(FFfmpeg);
    StopProcess(FIcecast);
}

void TStreamServers::StopSource() { StopProcess(FFfmpeg); }

QString TStreamServers::IcecastUrl() const { return QStringLiteral("http://127.0.0.1:%1/live.mp3").arg(FIcecastPort); }

QString TStreamServers::RtspUrl() const { return QStringLiteral("rtsp://127.0.0.1:%1/live").arg(FRtspPort); }

QString TStreamServers::DeadUrl() const { return QStringLiteral("http://127.0.0.1:%1/live.mp3").arg(FDeadPort); }

QByteArray TStreamServers::HttpGet(const QByteArray& pathAndQuery, bool admin)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, FIcecastPort);
    if (!s.waitForConnected(2000))
        return {};
    QByteArray request = "GET " + pathAndQuery + " HTTP/1.0\r\nHost: 127.0.0.1\r\n";
    if (admin)
        request += "Authorization: Basic " + ("admin:" + FPassword).toBase64() + "\r\n";
    s.write(request + "\r\n");
    QByteArray reply;
    while (s.waitForReadyRead(3000))
        reply += s.readAll();
    return reply + s.readAll();
}

void TStreamServers::SetTitle(const QByteArray& raw)
{
    const QByteArray reply =
        HttpGet("/admin/metadata?mount=" + kMount + "&mode=updinfo&song=" + raw.toPercentEncoding(), true);
    if (!reply.contains("uccessful"))
        Fail(QStringLiteral("metadata update refused: ") + QString::fromLatin1(reply));
}

int TStreamServers::PeakLevel(int ms)
{
    QProcess parec;
    parec.start(QStringLiteral("parec"),
                {QStringLiteral("-d"), QStringLiteral("kestrel.monitor"), QStringLiteral("--raw"),
                 QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"), QStringLiteral("--channels=2"),
                 QStringLiteral("--latency-msec=20")});
    if (!parec.waitForStarted(3000))
        Fail(QStringLiteral("parec does not start"));
    QTest::qWait(ms);
    const QByteArray pcm = parec.readAllStandardOutput();
    parec.kill();
    parec.waitForFinished(2000);
    int peak = 0;
    for (qsizetype i = 0; i + 1 < pcm.size(); i += 2) {
        const int v = qint16(quint8(pcm[i]) | (quint8(pcm[i + 1]) << 8));
        peak = qMax(peak, qAbs(v));
    }
    return peak;
}
