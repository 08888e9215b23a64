#include "TestSupport.h"

#include <csignal>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

static QString EnvPath(const char* variable, const QString& relative)
{
    const QString base = QProcessEnvironment::systemEnvironment().value(QString::fromLatin1(variable));
    return QDir(base).filePath(relative);
}

QString TestDataPath(const QString& name) { return EnvPath("KESTREL_TEST_DATA", name); }
QString SourcePath(const QString& relative) { return EnvPath("KESTREL_SOURCE_DIR", relative); }
QString BinaryPath(const QString& relative) { return EnvPath("KESTREL_BINARY_DIR", relative); }

QByteArray ReadFileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QProcessEnvironment ProgramEnvironment(QProcessEnvironment environment)
{
    const QString name = QStringLiteral("LSAN_OPTIONS");
    if (environment.contains(name))
        environment.insert(name, environment.value(name) + QStringLiteral(":print_suppressions=0"));
    return environment;
}

static TProgramRun Run(const QString& program, const QStringList& args, const QProcessEnvironment& environment,
                       int timeoutMs, bool serving)
{
    QProcess process;
    process.setProcessEnvironment(ProgramEnvironment(environment));
    process.start(program, args);
    TProgramRun run;
    const bool finished = serving ? QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs)
                                  : process.waitForFinished(timeoutMs);
    if (!finished || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.Exit = process.exitCode();
    run.Out = process.readAllStandardOutput();
    run.Err = process.readAllStandardError();
    return run;
}

TProgramRun RunProgram(const QString& program, const QStringList& args, const QProcessEnvironment& environment,
                       int timeoutMs)
{
    return Run(program, args, environment, timeoutMs, false);
}

TProgramRun RunProgramServing(const QString& program, const QStringList& args, const QProcessEnvironment& environment,
                              int timeoutMs)
{
    return Run(program, args, environment, timeoutMs, true);
}

TFileSizeLimit::TFileSizeLimit(rlim_t limit)
{
    getrlimit(RLIMIT_FSIZE, &FSaved);
    FHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = FSaved;
    small.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &small);
}

TFileSizeLimit::~TFileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &FSaved);
    std::signal(SIGXFSZ, FHandler);
}
