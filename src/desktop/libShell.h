#pragma once
// Shell services: special folders, the station folder, the default station
// file, the browser, downloads, and the process-wide top-most and tray flags.
// The window operations on these flags live in vclShell.h (widget library).

#include "libExeInfo.h"
#include "libRegistry.h"

#include <QString>

// Opening an address in the user's browser, behind a replaceable service so
// tests can see what would have opened.
class IBrowser
{
public:
    virtual ~IBrowser() = default;
    // Returns whether something opened; callers never report a failure.
    virtual bool Open(const QString& address) = 0;
};

// Installs the browser service and returns the previous one (nullptr = the real one).
IBrowser* SetBrowser(IBrowser* service);

// Opens the address in the user's browser; nothing is reported when nothing opens.
void OpenInBrowser(const QString& address);

// Special-folder codes the program uses, with the values callers pass around.
enum TSpecialFolder : int {
    CSIDL_PROGRAMS = 2,          // the applications menu: ~/.local/share/applications
    CSIDL_PERSONAL = 5,          // the documents folder
    CSIDL_DESKTOPDIRECTORY = 16, // the desktop folder (XDG_DESKTOP_DIR)
    CSIDL_APPDATA = 26,          // the per-user data root: ~/.local/share
    CSIDL_SYSTEM = 37,           // where system programs live: /usr/bin
    CSIDL_PROGRAMGROUP = 2324,   // the program's menu group: the applications menu itself
    CSIDL_QUICKLAUNCH = 6519,    // the user's own launchers: ~/.local/bin
};

// The folder of a code, created when missing; empty for a code this platform
// has no folder for; AppDataFolder() + "/" when the folder cannot be created.
QString GetSpecialFolder(int code);

// Documents + "/我的电台", created when missing. Only the call that creates
// it gives it its folder icon. The path is returned even when creation failed.
QString StationFolder();

// The per-user default station file (AppDataFolder() + "/默认电台.radio").
// When it does not exist yet it is seeded from the copy shipped with the program.
QString DefaultStationFile();

// Where the program's shipped files are read: the source tree's data/ when
// run from the build tree, else <exe>/../share/kestrel-radio, else the
// installation's data folder. No trailing "/".
QString ShippedDataFolder();

// Gives a folder a custom icon through its freedesktop ".directory" file
// (Icon=<iconName>). An empty icon name only removes an existing .directory.
// The index has no meaning for named icons and is ignored.
void SetFolderIcon(const QString& folder, const QString& iconName, int iconIndex);

// Always true here: every desktop this program runs on has custom folder icons.
bool IsWinXPOrLater();

// Limits that keep a hostile or broken server from hanging a download or
// filling the disk: the whole transfer's time, the largest body accepted and
// the redirects followed (never one from https to http).
struct TDownloadLimits
{
    int TimeoutMs = 60000;
    qint64 MaxBytes = 16 * 1024 * 1024;
    int MaxRedirects = 5;
};

// Fetches an http(s) address into fileName within limits. True only
// for a complete download with a success status; on any failure no file (and
// no partial file) is left at fileName, and an older file there stays as it
// was. Runs its own event loop, so it may be called from any thread that has
// no loop running. TDownload (libDownload.h) is the same without the loop.
bool DownloadFile(const QString& address, const QString& fileName, const TDownloadLimits& limits = {});

// The process-wide flags. Written by SetTopMost / SetTrayIcon (vclShell.h) on
// the user-interface thread; the top-most flag is also read by message boxes
// shown for other threads.
bool IsTopMost();
void SetTopMostFlag(bool on);
bool IsTrayIconOn();
void SetTrayIconFlag(bool on);

// The caption of every message box and the first tray tip: the main window's
// caption once it has set one, the product name before that.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

// Cuts a text at a whole character so that its GBK form fits maxBytes.
QString CutToGbkBytes(const QString& text, int maxBytes);
