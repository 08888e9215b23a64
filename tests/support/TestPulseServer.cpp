#include "TestPulseServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <signal.h>
#include <stdexcept>
#include <sys/prctl.h>

static void Fail(const QString& why) { throw std::runtime_error(why.toStdString()); }

TTestPulseServer::TTestPulseServer(const QString& sinkName, int channels) : FSinkName(sinkName), FChannels(channels) {}

TTestPulseServer::~TTestPulseServer() { Kill(); }

QString TTestPulseServer::Socket() const { return FDir.filePath(QStringLiteral("pulse/native")); }

bool TTestPulseServer::IsRunning() const { return FProcess && FProcess->state() != QProcess::NotRunning; }

void TTestPulseServer::Start()
{
    if (!FDir.isValid())
        Fail(QStringLiteral("no temporary folder for the sound server"));
    if (IsRunning())
        return;
    const QString pulseDir = FDir.filePath(QStringLiteral("pulse"));
    const QString home = FDir.filePath(QStringLiteral("home"));
    QDir().mkpath(pulseDir);
    QDir().mkpath(home);
    QFile::setPermissions(pulseDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    const QString clientConf = pulseDir + QStringLiteral("/client.conf");
    const QString script = pulseDir + QStringLiteral("/daemon.pa");
    {
        QFile conf(clientConf);
        QFile pa(script);
        if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || !pa.open(QIODevice::WriteOnly | QIODevice::Truncate))
            Fail(QStringLiteral("cannot write the sound server's configuration"));
        conf.write("autospawn = no\n");
        pa.write(QStringLiteral("load-module module-null-sink sink_name=%1 channels=%2\n"
                                "load-module module-native-protocol-unix socket=%3 auth-anonymous=1\n"
                                "set-default-sink %1\n")
                     .arg(FSinkName)
                     .arg(FChannels)
                     .arg(Socket())
                     .toUtf8());
    }
    qputenv("PULSE_SERVER", QByteArray("unix:") + Socket().toUtf8());
    qputenv("PULSE_CLIENTCONFIG", clientConf.toUtf8());

    // The daemon keeps its runtime and state files in the temporary folder.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), pulseDir);
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), pulseDir);
    env.insert(QStringLiteral("PULSE_STATE_PATH"), pulseDir);
    env.remove(QStringLiteral("PULSE_SERVER"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));

    delete FProcess;
    FProcess = new QProcess;
    FProcess->setProcessEnvironment(env);
    FProcess->setStandardOutputFile(QProcess::nullDevice());
    FProcess->setStandardErrorFile(FDir.filePath(QStringLiteral("pulseaudio.log")), QIODevice::Append);
    FProcess->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    FProcess->start(QStringLiteral("pulseaudio"),
                    {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                     QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-target=stderr"), QStringLiteral("-F"),
                     script});
    if (!FProcess->waitForStarted(5000))
        Fail(QStringLiteral("pulseaudio did not start: ") + FProcess->errorString());

    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (FProcess->state() == QProcess::NotRunning) {
            QFile log(FDir.filePath(QStringLiteral("pulseaudio.log")));
            log.open(QIODevice::ReadOnly);
            Fail(QStringLiteral("pulseaudio exited early:\n") + QString::fromLocal8Bit(log.readAll()));
        }
        if (QFile::exists(Socket())) {
            QProcess info;
            info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
            if (info.waitForFinished(2000) && info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0)
                return;
        }
        QThread::msleep(50);
    }
    Kill();
    Fail(QStringLiteral("pulseaudio did not answer within 15 seconds"));
}

void TTestPulseServer::Kill()
{
    if (!FProcess)
        return;
    if (FProcess->state() != QProcess::NotRunning) {
        ::kill(pid_t(FProcess->processId()), SIGKILL);
        FProcess->waitForFinished(5000);
    }
    delete FProcess;
    FProcess = nullptr;
}

QByteArray TTestPulseServer::Pactl(const QStringList& args) const
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), args);
    if (!pactl.waitForFinished(5000) || pactl.exitStatus() != QProcess::NormalExit || pactl.exitCode() != 0)
        Fail(QStringLiteral("pactl %1 failed: %2")
                 .arg(args.join(u' '), QString::fromLocal8Bit(pactl.readAllStandardError())));
    return pactl.readAllStandardOutput();
}

QList<int> PactlVolumes(const QByteArray& pactlOutput)
{
    QList<int> out;
    static const QRegularExpression number(QStringLiteral(R"(:\s*(\d+)\s*/)"));
    auto it = number.globalMatch(QString::fromUtf8(pactlOutput));
    while (it.hasNext())
        out << it.next().captured(1).toInt();
    return out;
}
