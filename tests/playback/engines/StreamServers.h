#pragma once
// The real servers the engine tests play from, all on 127.0.0.1 inside one
// temporary folder: a headless PulseAudio with a null sink (exported through
// PULSE_SERVER), Icecast2 fed by ffmpeg with a 128 kbit/s MP3 sine tone (its
// rate declared to listeners as icy-br, as stations do), and an RTSP server
// with the same tone. Each child is killed by its PID when the
// fixture goes away, and by the kernel (parent-death signal) if the test dies.
// Start() throws std::runtime_error with the reason when a server cannot start:
// a test must fail then, never skip.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

class TStreamServers
{
public:
    TStreamServers();
    ~TStreamServers();

    void Start();        // all of them
    void StopIcecast();  // the stream dies mid-play (server and source)
    void StartIcecast(); // back on the same port
    // Only the source dies: Icecast drops its listeners and answers 404 for
    // the mount until the source is back.
    void StopSource();
    void StartSource();

    QString IcecastUrl() const;
    QString RtspUrl() const;
    QString DeadUrl() const; // an http address where nothing listens
    // Sets the ICY title through Icecast's admin interface; the bytes are sent
    // as they are (percent-encoded), so GBK stays GBK on the wire.
    void SetTitle(const QByteArray& raw);
    // Highest absolute sample on the null sink's monitor over `ms` milliseconds
    // (0 … 32767); runs the event loop meanwhile.
    int PeakLevel(int ms = 700);

private:
    QProcess* Spawn(const QString& name, const QString& program, const QStringList& args, bool asNobody = false);
    void StopProcess(QProcess*& process);
    void WaitFor(const QString& what, QProcess* process, const std::function<bool()>& ready, int ms = 15000);
    QByteArray HttpGet(const QByteArray& pathAndQuery, bool admin);
    // Listens to the mount until `bytes` of audio came; false after `ms`.
    bool ReadStream(qint64 bytes, int ms);

    QTemporaryDir FDir;
    std::vector<QProcess*> FAll;
    QProcess* FPulse = nullptr;
    QProcess* FIcecast = nullptr;
    QProcess* FFfmpeg = nullptr;
    QProcess* FRtsp = nullptr;
    quint16 FIcecastPort = 0;
    quint16 FRtspPort = 0;
    quint16 FDeadPort = 0;
    QByteArray FPassword;
};
