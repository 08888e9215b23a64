#include "libShell.h"

#include "KestrelVersion.h"
#include "libDownload.h"
#include "libError.h"
#include "libText.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <atomic>

namespace {
// Without a desktop session (the command-line tool) xdg-open is what a Linux
// user expects to open an address.
class TXdgBrowser final : public IBrowser
{
public:
    bool Open(const QString& address) override
    {
        return QProcess::startDetached(QStringLiteral("xdg-open"), {address});
    }
};

TXdgBrowser DefaultBrowser;
IBrowser* Browser = nullptr;

std::atomic<bool> TopMostFlag{false};
std::atomic<bool> TrayIconFlag{false};

QMutex TitleLock;
QString Title;
bool TitleSet = false;

QString WithSlash(const QString& folder) { return folder.endsWith(u'/') ? folder : folder + u'/'; }

QString StripSlash(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}
} // namespace

IBrowser* SetBrowser(IBrowser* service)
{
    IBrowser* previous = Browser;
    Browser = service;
    return previous;
}

void OpenInBrowser(const QString& address) { (Browser ? Browser : &DefaultBrowser)->Open(address); }

QString GetSpecialFolder(int code)
{
    QString folder;
    switch (code) {
    case CSIDL_PERSONAL: folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation); break;
    case CSIDL_DESKTOPDIRECTORY: folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation); break;
    case CSIDL_APPDATA: folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation); break;
    case CSIDL_PROGRAMS:
    case CSIDL_PROGRAMGROUP:
        // Desktop menus group launchers by their categories, not by folders,
        // so the program's group is the applications folder itself.
        folder = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
        break;
    case CSIDL_QUICKLAUNCH:
        // The user's own launchers: ~/.local/bin, which desktops put on PATH.
        folder = QDir::homePath() + QStringLiteral("/.local/bin");
        break;
    case CSIDL_SYSTEM: folder = QStringLiteral("/usr/bin"); break;
    default: return QString();
    }
    if (folder.isEmpty())
        return QString();
    folder = StripSlash(folder);
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        return WithSlash(AppDataFolder());
    return folder;
}

QString StationFolder()
{
    const QString folder = WithSlash(GetSpecialFolder(CSIDL_PERSONAL)) + QStringLiteral("我的电台");
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder) && IsWinXPOrLater())
        SetFolderIcon(folder, QStringLiteral("folder-music"), 128);
    return folder;
}

QString ShippedDataFolder()
{
    const QString exe = GetExePath();
    const QString buildTree = QStringLiteral(KESTREL_BUILD_DIR) + u'/';
    if (exe.startsWith(buildTree))
        return QStringLiteral(KESTREL_SOURCE_DATA_DIR);
    const QString beside = QFileInfo(exe).absolutePath() + QStringLiteral("/../share/kestrel-radio");
    if (QFileInfo(beside).isDir())
        return QDir::cleanPath(beside);
    return QStringLiteral(KESTREL_INSTALL_DATA_DIR);
}

QString DefaultStationFile()
{
    const QString name = QStringLiteral("默认电台.radio");
    const QString file = AppDataFolder() + u'/' + name;
    if (!QFileInfo::exists(file)) {
        // QFile::copy goes through a temporary file, so a failed seed leaves
        // nothing half-written; the copy must be writable because the player
        // rewrites the station file as it learns bit rates.
        if (QFile::copy(ShippedDataFolder() + u'/' + name, file))
            QFile::setPermissions(file, QFile::permissions(file) | QFile::ReadOwner | QFile::WriteOwner);
    }
    return file;
}

void SetFolderIcon(const QString& folder, const QString& iconName, int iconIndex)
{
    Q_UNUSED(iconIndex);
    const QString file = WithSlash(folder) + QStringLiteral(".directory");
    QFile::remove(file);
    if (iconName.isEmpty())
        return;
    try {
        WriteFileSafely(file, QByteArray("[Desktop Entry]\nIcon=") + iconName.toUtf8() + '\n');
    } catch (const EProgramError&) {
        // The icon is decoration; the folder works without it.
    }
}

bool IsWinXPOrLater() { return true; }

bool DownloadFile(const QString& address, const QString& fileName, const TDownloadLimits& limits)
{
    try {
        QNetworkAccessManager manager;
        TDownload download;
        if (!download.Start(manager, address, fileName, limits))
            return false;
        QEventLoop loop;
        QObject::connect(&download, &TDownload::Finished, &loop, &QEventLoop::quit);
        if (!download.IsFinished())
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        return download.Succeeded();
    } catch (...) {
        return false;
    }
}

bool IsTopMost() { return TopMostFlag; }

void SetTopMostFlag(bool on) { TopMostFlag = on; }

bool IsTrayIconOn() { return TrayIconFlag; }

void SetTrayIconFlag(bool on) { TrayIconFlag = on; }

QString ApplicationTitle()
{
    {
        QMutexLocker lock(&TitleLock);
        if (TitleSet)
            return Title;
    }
    return OwnExeInfo().ProductName;
}

void SetApplicationTitle(const QString& title)
{
    QMutexLocker lock(&TitleLock);
    Title = title;
    TitleSet = true;
}

QString CutToGbkBytes(const QString& text, int maxBytes)
{
    if (ToGbk(text).size() <= maxBytes)
        return text;
    QString cut;
    int bytes = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QStringView character = QStringView(text).sliced(i, length);
        const int size = int(ToGbk(character).size());
        if (bytes + size > maxBytes)
            break;
        cut += character;
        bytes += size;
        i += length;
    }
    return cut;
}
