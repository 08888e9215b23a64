#include "libFreedesktopInstall.h"

#include "KestrelVersion.h"
#include "libConst.h"
#include "libError.h"
#include "libText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamWriter>

#include <cerrno>

namespace {

constexpr int ToolTimeoutMs = 30000;
// Helpers that only add to the result; a hanging one must not hold the window.
constexpr int QuickToolTimeoutMs = 5000;

QString ProductName() { return OwnExeInfo().ProductName; }

QString DataHome() { return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation); }

// The characters after which an Exec argument must be quoted.
bool NeedsQuoting(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    for (const QChar c : argument)
        if (reserved.contains(c))
            return true;
    return argument.isEmpty();
}

// A value of the desktop-entry string type.
QString EscapedValue(const QString& value)
{
    QString escaped;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\': escaped += QStringLiteral("\\\\"); break;
        case u'\n': escaped += QStringLiteral("\\n"); break;
        case u'\t': escaped += QStringLiteral("\\t"); break;
        case u'\r': escaped += QStringLiteral("\\r"); break;
        default: escaped += c;
        }
    }
    return escaped;
}

// A shell word that stands for text exactly.
QString ShellQuoted(const QString& text)
{
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

void MakeFolder(const QString& folder)
{
    errno = 0;
    if (QFileInfo(folder).isDir() || QDir().mkpath(folder))
        return;
    const QString reason = QFileInfo::exists(folder) ? QStringLiteral("它不是一个文件夹") : qt_error_string(errno);
    throw EProgramError(Const::SCannotCreateFolder.arg(QDir::toNativeSeparators(folder), reason));
}

void WriteFile(const QString& path, const QByteArray& content)
{
    MakeFolder(QFileInfo(path).absolutePath());
    try {
        WriteFileSafely(path, content);
    } catch (const EProgramError& error) {
        throw EProgramError(Const::SCannotWriteLauncher.arg(QDir::toNativeSeparators(path), error.Message()));
    }
}

// Runs a desktop tool to its end. A required tool that is missing or fails
// is an error; an optional one only adds to the result, so its failure is not.
bool RunTool(const QString& name, const QStringList& arguments, bool required, int timeoutMs = ToolTimeoutMs)
{
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty()) {
        if (required)
            throw EProgramError(Const::SToolMissing.arg(name));
        return false;
    }
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    bool finished = process.waitForFinished(timeoutMs);
    if (!finished) {
        process.kill();
        process.waitForFinished(QuickToolTimeoutMs);
    }
    const bool ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok && required) {
        const QByteArray out = process.readAllStandardOutput();
        QString said = TrimText(QString::fromLocal8Bit(process.readAllStandardError() + out));
        if (said.isEmpty())
            said = finished ? process.errorString() : QStringLiteral("超时");
        throw EProgramError(Const::SToolFailed.arg(name, said.left(600)));
    }
    return ok;
}

// Whether an icon theme folder or the pixmaps folder has the icon already, in
// the user's data folder or the system's.
bool IconInstalled(const QString& context, const QString& name)
{
    const QStringList suffixes = {QStringLiteral(".svg"), QStringLiteral(".png"), QStringLiteral(".xpm")};
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QDir hicolor(data + QStringLiteral("/icons/hicolor"));
        QStringList folders;
        for (const QString& size : hicolor.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            folders += hicolor.filePath(size + u'/' + context);
        folders += data + QStringLiteral("/pixmaps");
        for (const QString& folder : folders)
            for (const QString& suffix : suffixes)
                if (QFileInfo::exists(folder + u'/' + name + suffix))
                    return true;
    }
    return false;
}

// The icon drawn for the program, into the user's hicolor theme, unless an
// icon theme has one of that name already (the installed package's own).
void InstallIcon(const QString& context, const QString& name)
{
    if (IconInstalled(context, name))
        return;
    QFile shipped(QStringLiteral(":/kestrel/icons/") + name + QStringLiteral(".svg"));
    if (!shipped.open(QIODevice::ReadOnly))
        throw EProgramError(Const::SCannotWriteLauncher.arg(name, shipped.errorString()));
    WriteFile(DataHome() + QStringLiteral("/icons/hicolor/scalable/") + context + u'/' + name + QStringLiteral(".svg"),
              shipped.readAll());
}

// Where GDBus would find a session bus.
bool SessionBusAvailable()
{
    return !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
           || (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")
               && QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus")));
}

QString FileTypeIconName() { return QString(TFreedesktopInstall::FileType()).replace(u'/', u'-'); }

} // namespace

QString DesktopExec(const QString& program, const QString& fieldCode)
{
    QString argument = QString(program).replace(u'%', QStringLiteral("%%"));
    if (NeedsQuoting(program)) {
        QString quoted;
        for (const QChar c : argument) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                quoted += u'\\';
            quoted += c;
        }
        argument = u'"' + quoted + u'"';
    }
    if (!fieldCode.isEmpty())
        argument += u' ' + fieldCode;
    return EscapedValue(argument);
}

QMap<QString, QString> ReadDesktopEntry(const QString& path)
{
    QMap<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return keys;
    bool inEntry = false;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == u"[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inEntry || line.startsWith(u'#') || equals <= 0)
            continue;
        const QString key = line.first(equals).trimmed();
        if (!keys.contains(key))
            keys.insert(key, line.sliced(equals + 1).trimmed());
    }
    return keys;
}

TFreedesktopInstall::TFreedesktopInstall(QString program) : FProgram(std::move(program)) {}

QString TFreedesktopInstall::AppId() { return QString::fromUtf16(KESTREL_APP_ID); }

QString TFreedesktopInstall::FileType() { return QStringLiteral("application/x-kestrel-radio"); }

QString TFreedesktopInstall::LauncherPath(int kind)
{
    switch (kind) {
    case 1: return QDir::homePath() + QStringLiteral("/.local/bin/") + ProductName();
    case 2: return DesktopFolder() + u'/' + ProductName() + QStringLiteral(".desktop");
    default:
        return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + u'/' + AppId()
               + QStringLiteral(".desktop");
    }
}

QString TFreedesktopInstall::AutostartPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart/")
           + AppId() + QStringLiteral(".desktop");
}

QString TFreedesktopInstall::MimePackagePath()
{
    return DataHome() + QStringLiteral("/mime/packages/") + AppId() + QStringLiteral(".xml");
}

QString TFreedesktopInstall::DesktopFolder()
{
    // Qt reads the user's folder names (user-dirs.dirs) itself, without a
    // child process on the user-interface thread; ~/Desktop when none is set.
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
}

QByteArray TFreedesktopInstall::Entry(const QString& exec, bool opensFiles) const
{
    const TExeInfo info = OwnExeInfo();
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Version=1.4\n");
    text += QStringLiteral("Name=") + EscapedValue(info.ProductName) + u'\n';
    text += QStringLiteral("Comment=") + EscapedValue(info.Comments) + u'\n';
    text += QStringLiteral("Exec=") + exec + u'\n';
    text += QStringLiteral("Icon=") + AppId() + u'\n';
    text += QStringLiteral("Terminal=false\n");
    if (opensFiles) {
        text += QStringLiteral("Categories=AudioVideo;Audio;Player;\n");
        text += QStringLiteral("MimeType=") + FileType() + QStringLiteral(";\n");
    }
    return text.toUtf8();
}

void TFreedesktopInstall::WriteLauncher(const QString& path, const QByteArray& content, bool executable) const
{
    const QFileInfo target(path);
    // The program itself under the launcher's name is launcher enough; writing
    // there, or through a link that leads to it, would destroy it.
    if (target.exists() && target.canonicalFilePath() == QFileInfo(FProgram).canonicalFilePath())
        return;
    // A link the user left there is replaced, never written through.
    if (target.isSymLink() && !QFile::remove(path))
        throw EProgramError(Const::SCannotWriteLauncher.arg(QDir::toNativeSeparators(path), qt_error_string(errno)));
    WriteFile(path, content);
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    if (executable)
        permissions |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    if (!QFile::setPermissions(path, permissions))
        throw EProgramError(Const::SCannotWriteLauncher.arg(QDir::toNativeSeparators(path), qt_error_string(errno)));
}

void TFreedesktopInstall::WriteMenuLauncher() const
{
    const QString path = LauncherPath(0);
    WriteLauncher(path, Entry(DesktopExec(FProgram, QStringLiteral("%f")), true), false);
    // The menu's own cache of which launcher opens which type.
    RunTool(QStringLiteral("update-desktop-database"), {QFileInfo(path).absolutePath()}, false);
}

void TFreedesktopInstall::InstallShortcut(int kind)
{
    InstallIcon(QStringLiteral("apps"), AppId());
    if (kind == 1) {
        const QByteArray script = "#!/bin/sh\nexec " + ShellQuoted(FProgram).toUtf8() + " \"$@\"\n";
        WriteLauncher(LauncherPath(1), script, true);
    } else if (kind == 2) {
        const QString path = LauncherPath(2);
        WriteLauncher(path, Entry(DesktopExec(FProgram, QStringLiteral("%f")), true), true);
        // Desktops with icons on the desktop start only launchers they trust;
        // the metadata lives in a session service, so without a session bus
        // there is nothing to ask.
        if (SessionBusAvailable())
            RunTool(QStringLiteral("gio"),
                    {QStringLiteral("set"), path, QStringLiteral("metadata::trusted"), QStringLiteral("true")}, false,
                    QuickToolTimeoutMs);
    } else {
        WriteMenuLauncher();
    }
}

void TFreedesktopInstall::RegisterFileType()
{
    InstallIcon(QStringLiteral("apps"), AppId());
    InstallIcon(QStringLiteral("mimetypes"), FileTypeIconName());

    QByteArray package;
    QXmlStreamWriter xml(&package);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info"));
    xml.writeStartElement(QStringLiteral("mime-info"));
    xml.writeStartElement(QStringLiteral("mime-type"));
    xml.writeAttribute(QStringLiteral("type"), FileType());
    xml.writeTextElement(QStringLiteral("comment"), Const::SStationFileType.arg(ProductName()));
    xml.writeEmptyElement(QStringLiteral("sub-class-of"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("application/xml"));
    xml.writeEmptyElement(QStringLiteral("icon"));
    xml.writeAttribute(QStringLiteral("name"), FileTypeIconName());
    xml.writeEmptyElement(QStringLiteral("glob"));
    xml.writeAttribute(QStringLiteral("pattern"), QStringLiteral("*.radio"));
    xml.writeEndDocument();
    WriteFile(MimePackagePath(), package);
    RunTool(QStringLiteral("update-mime-database"), {DataHome() + QStringLiteral("/mime")}, true);

    // A launcher that already opens station files with this program stays as
    // the user has it; a missing or stale one is written.
    const QMap<QString, QString> entry = ReadDesktopEntry(LauncherPath(0));
    if (entry.value(QStringLiteral("Exec")) != DesktopExec(FProgram, QStringLiteral("%f"))
        || !entry.value(QStringLiteral("MimeType")).split(u';').contains(FileType()))
        WriteMenuLauncher();
    RunTool(QStringLiteral("xdg-mime"), {QStringLiteral("default"), AppId() + QStringLiteral(".desktop"), FileType()},
            true);
}

bool TFreedesktopInstall::StartsWithSession() const
{
    const QString path = AutostartPath();
    if (!QFileInfo(path).isFile())
        return false;
    const QMap<QString, QString> entry = ReadDesktopEntry(path);
    return entry.contains(QStringLiteral("Exec")) && entry.value(QStringLiteral("Exec")) == DesktopExec(FProgram);
}

void TFreedesktopInstall::SetStartsWithSession(bool on)
{
    const QString path = AutostartPath();
    if (on) {
        WriteFile(path, Entry(DesktopExec(FProgram), false));
        return;
    }
    if (QFileInfo(path).isSymLink() || QFileInfo::exists(path)) {
        if (!QFile::remove(path))
            throw EProgramError(Const::SCannotRemoveFile.arg(QDir::toNativeSeparators(path), qt_error_string(errno)));
    }
}
