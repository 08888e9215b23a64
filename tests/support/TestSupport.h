#pragma once
// Small helpers every test may use.

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

#include <sys/resource.h>

// Folder of the fixtures next to the running test's sources.
QString TestDataPath(const QString& name);
// The source and build trees, for tests that run the project's own programs.
QString SourcePath(const QString& relative);
QString BinaryPath(const QString& relative);

// A whole file's bytes, or nothing when it cannot be read.
QByteArray ReadFileBytes(const QString& path);

// The environment for a program whose output a test reads: a sanitized build
// notes on stderr which leak suppressions it used (scripts/test asks for it),
// and that note is none of the program's output.
QProcessEnvironment ProgramEnvironment(QProcessEnvironment environment = QProcessEnvironment::systemEnvironment());

// Runs one of the project's programs to its end, as a user's shell would, in
// ProgramEnvironment(environment).
struct TProgramRun
{
    int Exit = -1; // -1 when it crashed or did not finish in time
    QByteArray Out;
    QByteArray Err;
};
TProgramRun RunProgram(const QString& program, const QStringList& args,
                       const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                       int timeoutMs = 60000);
// The same while this thread's event loop runs, so that the test's own
// servers answer the program.
TProgramRun RunProgramServing(const QString& program, const QStringList& args,
                              const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                              int timeoutMs = 60000);

// Files larger than limit bytes cannot be written while it lives, as on a full
// disk; the signal that would end the process is ignored meanwhile.
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(rlim_t limit);
    ~TFileSizeLimit();
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit FSaved{};
    void (*FHandler)(int) = nullptr;
};
