#pragma once
// The program's installation into a freedesktop desktop: a launcher in the
// applications menu, a launcher script on the PATH and one on the desktop,
// the station-file type with this program as its default, and the XDG
// autostart entry. Files go under the XDG folders of the environment, read
// afresh at every call.

#include "libDesktopInstall.h"
#include "libExeInfo.h"

#include <QMap>
#include <QString>

// The Exec value of a desktop entry that runs program with fieldCode ("%f",
// or empty for none): the path bare, or quoted and escaped only where the
// desktop-entry rules require it, then escaped as a string value.
QString DesktopExec(const QString& program, const QString& fieldCode = QString());

// The keys of a desktop file's [Desktop Entry] group as they are written
// (string escapes kept); the first of a repeated key wins. Empty when the
// file cannot be read.
QMap<QString, QString> ReadDesktopEntry(const QString& path);

class TFreedesktopInstall final : public IDesktopInstall
{
public:
    // The launchers start program: the running executable unless told.
    explicit TFreedesktopInstall(QString program = GetExePath());

    void InstallShortcut(int kind) override;
    void RegisterFileType() override;
    bool StartsWithSession() const override;
    void SetStartsWithSession(bool on) override;

    static QString AppId();    // io.github.kestrelradio.Kestrel
    static QString FileType(); // application/x-kestrel-radio
    // 0 $XDG_DATA_HOME/applications/<AppId>.desktop, 1 ~/.local/bin/<ProductName>,
    // 2 <DesktopFolder>/<ProductName>.desktop; any other kind is 0.
    static QString LauncherPath(int kind);
    static QString AutostartPath();
    static QString MimePackagePath();
    // The user's desktop folder (XDG_DESKTOP_DIR in user-dirs.dirs), else ~/Desktop.
    static QString DesktopFolder();

private:
    QByteArray Entry(const QString& exec, bool opensFiles) const;
    void WriteLauncher(const QString& path, const QByteArray& content, bool executable) const;
    void WriteMenuLauncher() const;

    QString FProgram;
};
