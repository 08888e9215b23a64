#include "TestHome.h"

#include "libShell.h"

#include <QDir>
#include <QSettings>

#include <iterator>

namespace {
const char* const Variables[] = {"HOME",           "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                 "XDG_CACHE_HOME", "XDG_STATE_HOME",  "XDG_RUNTIME_DIR"};
constexpr int VariableCount = int(std::size(Variables));
} // namespace

TTestHome::TTestHome()
{
    for (int i = 0; i < VariableCount; ++i)
        FSaved[i] = qgetenv(Variables[i]);
    const QByteArray home = QFile::encodeName(FDir.path());
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("XDG_DATA_HOME", home + "/.local/share");
    qputenv("XDG_CACHE_HOME", home + "/.cache");
    qputenv("XDG_STATE_HOME", home + "/.local/state");
    // QSettings remembers its folders from first use; point them here each time.
    for (QSettings::Format format : {TExeRegistry::Format(), QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, FDir.path() + QStringLiteral("/.config"));
}

TTestHome::~TTestHome()
{
    for (int i = 0; i < VariableCount; ++i) {
        if (FSaved[i].isNull())
            qunsetenv(Variables[i]);
        else
            qputenv(Variables[i], FSaved[i]);
    }
}

QString TTestHome::ConfigFile() const
{
    const TExeInfo info = OwnExeInfo();
    return Path() + QStringLiteral("/.config/") + info.CompanyName + u'/' + info.InternalName + QStringLiteral(".conf");
}

QString TTestHome::DataFolder() const
{
    const TExeInfo info = OwnExeInfo();
    return Path() + QStringLiteral("/.local/share/") + info.CompanyName + u'/' + info.InternalName;
}

QString TTestHome::PrivateRuntime() const
{
    const QString runtime = Path() + QStringLiteral("/run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    return runtime;
}
