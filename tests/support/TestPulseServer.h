#pragma once
// A private headless PulseAudio for tests: one null sink and a socket in a
// temporary folder, nothing else. Start() points this process (and the
// programs it runs) at it through PULSE_SERVER and a client.conf that forbids
// autospawn, and throws std::runtime_error with the reason when the server
// does not come up: a test must fail then, never skip. The server is killed by
// its PID when the fixture goes away, and by the kernel if the test dies.

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class TTestPulseServer
{
public:
    explicit TTestPulseServer(const QString& sinkName = QStringLiteral("kestrel_test"), int channels = 2);
    ~TTestPulseServer();

    void Start(); // again after Kill(): same socket, a fresh server
    void Kill();  // SIGKILL, as a crash would; waits for the end
    bool IsRunning() const;

    QString SinkName() const { return FSinkName; }
    QString Socket() const;
    // Runs pactl against the server; throws when it fails.
    QByteArray Pactl(const QStringList& args) const;

private:
    QTemporaryDir FDir;
    QString FSinkName;
    int FChannels;
    QProcess* FProcess = nullptr;
};

// The channel volumes pactl prints for a sink ("front-left: 32767 / 50% ...").
QList<int> PactlVolumes(const QByteArray& pactlOutput);
