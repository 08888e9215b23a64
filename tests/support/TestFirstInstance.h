#pragma once
// The program itself as the first instance, for tests that start it again or
// open files through it: started with its instance log on stderr, waited for
// until it takes hand-overs, and ended the way a session ends it. For tests
// that link kestrel_instance; call TTestHome::PrivateRuntime first.

#include "TestSupport.h"
#include "libInstance.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>

class TFirstInstance
{
public:
    QProcess Process;

    // The environment of now, with the instance log switched on; later
    // starts use it too.
    static QProcessEnvironment Environment()
    {
        QProcessEnvironment environment = ProgramEnvironment();
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("kestrel.instance.info=true"));
        return environment;
    }
    // True once the program listens for hand-overs.
    bool Start(const QString& program, const QStringList& args = {})
    {
        Process.setProcessEnvironment(Environment());
        Process.start(program, args);
        if (!Process.waitForStarted())
            return false;
        TSingleInstance probe;
        return QTest::qWaitFor([&] { return QFileInfo::exists(probe.ServerName()); }, 20000);
    }
    // The hand-overs it has taken so far.
    int Activations()
    {
        FErr += Process.readAllStandardError();
        return int(FErr.count("activated"));
    }
    // SIGTERM, as the end of a session; true when it ended normally with 0.
    bool Stop()
    {
        ::kill(pid_t(Process.processId()), SIGTERM);
        return Process.waitForFinished(20000) && Process.exitStatus() == QProcess::NormalExit
               && Process.exitCode() == 0;
    }

private:
    QByteArray FErr;
};
