#include "TestSupport.h"

#include <QDir>
#include <QProcessEnvironment>

static QString EnvPath(const char* variable, const QString& relative)
{
    const QString base = QProcessEnvironment::systemEnvironment().value(QString::fromLatin1(variable));
    return QDir(base).filePath(relative);
}

QString TestDataPath(const QString& name) { return EnvPath("KESTREL_TEST_DATA", name); }
QString SourcePath(const QString& relative) { return EnvPath("KESTREL_SOURCE_DIR", relative); }
QString BinaryPath(const QString& relative) { return EnvPath("KESTREL_BINARY_DIR", relative); }
