#pragma once
// The main window: one station document, its link list, the volume panel and
// the status bar, and the commands that work on them. The window's code is
// split by subject:
//   vclMain.cpp          building the form, start-up and shutdown, exceptions
//   vclMainCommands.cpp  the command table and the commands of no other subject
//   vclMainDocument.cpp  station document commands, recent files, window state
//   vclMainLinks.cpp     link list, listening commands, status bar
//   vclMainVolume.cpp    volume panel and panel switching
//   vclMainTools.cpp     the tools menu: update check, download, installation
//   vclMainHelp.cpp      the help menu: the manual, the web pages, the about box
//   vclMainSkins.cpp     the themes and the dock's bound lines
//   vclMainSearch.cpp    the search window's way into the window
// Components are public members, as on a designed form; tests find them by
// object name (every command's object name is its command name).

#include "libKind.h"
#include "libMsgBox.h"
#include "libNowPlaying.h"
#include "libPreferences.h"
#include "libRecent.h"
#include "libUpdate.h"
#include "vclSearch.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <exception>
#include <memory>

class IBrowser;
class IDesktopInstall;
class IEditors;
class IEngineFactory;
class IFileDialogs;
class IMessageBoxes;
class IMixerDriver;
class IReconnectClock;
class IStreamResolver;
class TAudioMixer;
class TDock;
class TNowPlaying;
class TRadio;
class TRadioLink;
class TRadioPlayer;
class TReconnectPolicy;
class TThemes;
class TUpdateCheck;

class QAction;
class QActionGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QSlider;
class QStackedWidget;
class QStatusBar;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

// What the window needs from outside. main.cpp hands in the real services,
// tests hand in fakes. None is owned; all must outlive the window.
struct TMainServices
{
    IEngineFactory* Engines = nullptr;
    IMixerDriver* Mixer = nullptr;
    IFileDialogs* FileDialogs = nullptr;
    IEditors* Editors = nullptr;
    IMessageBoxes* MessageBoxes = nullptr;
    IBrowser* Browser = nullptr;
    // Optional: without one the messenger record goes nowhere.
    IMessenger* Messenger = nullptr;
    // Launchers, the station-file type, the start with the session. Optional:
    // without one the installation commands are off and the options do not open.
    IDesktopInstall* DesktopInstall = nullptr;
    // Optional: without one there is no network and update checks fail.
    INetwork* Network = nullptr;
    // Finds the streams of a link whose address is a playlist on a web
    // server. Optional: without one a link's address is played as it is.
    IStreamResolver* Resolver = nullptr;
    // The online station directory's search window. Optional: without one
    // the search command is off.
    IStationSearch* Search = nullptr;
    // Bounds of the update check's fetch; tests shorten the time-out.
    TDownloadLimits UpdateLimits = UpdateCheckLimits();
    // The manual's first page; empty: the one shipped with the program.
    QString HelpFile;
    // What the waits between reconnection tries are measured by. Optional:
    // without one the program's steady clock.
    IReconnectClock* ReconnectClock = nullptr;
};

class TwinMain : public QMainWindow, public IWindowOptions, public ISearchHost
{
    Q_OBJECT
public:
    explicit TwinMain(const TMainServices& services, QWidget* parent = nullptr);
    ~TwinMain() override;

    // ---- start-up, shutdown, hand-over (vclMain.cpp)

    // Builds the window from the preferences, opens the first argument or the
    // remembered station, and shows the window unless it starts in the tray.
    void FormCreate(const QStringList& arguments);
    // The station a start opens: the first non-empty argument, else the
    // remembered one (the default station when none was remembered); empty
    // when the settings cannot be read.
    static QString StartingStation(const QStringList& arguments);
    // Stores the preferences, lists and placement. Every step runs even when
    // an earlier one fails; the first failure is shown once.
    void FormDestroy();
    // A second start's arguments: opens the first one silently.
    void OpenForwardedFiles(const QStringList& list);
    // Shows "发生未预料的错误" with the message; the program goes on.
    void AppException(const std::exception& error);
    // Runs a command handler, sending any exception it raises to AppException,
    // the way the message loop does for the program's own handlers.
    template <class F> void Guarded(F&& handler)
    {
        try {
            handler();
        } catch (const std::exception& error) {
            AppException(error);
        }
    }

    // ---- station document commands (vclMainDocument.cpp)

    bool CheckModified();
    // Opens a station file, or makes a new, unsaved station of a playlist.
    void OpenRadioFile(const QString& fileName, bool silent);
    void SaveRadioFile(const QString& fileName);
    void AddRecentFile(const QString& path);
    void LoadRecentFiles();
    // Throws EProgramError when the list file cannot be written.
    void SaveRecentFiles();
    // The full paths of the recent-files menu, top to bottom.
    QStringList RecentFiles() const;
    void UpdateWindowState();
    // Feeds the now-playing model from the player and the document; the
    // status bar, the tray tip and the published title follow the model.
    void UpdateNowPlaying();
    // What the window tells about the playing station; features observe it.
    TNowPlaying* NowPlaying() const { return FNowPlaying; }
    // Builds the messenger record of text (empty: the withdrawal) and hands
    // it to the messenger service.
    void SendNowPlaying(const QString& text, int category);

    // ---- tools (vclMainTools.cpp)

    // Starts an update check and disables actCheckUpdate until it is over;
    // its boxes are shown when its answer arrives.
    void StartUpdateCheck(bool silent);
    // Enables actCheckUpdate again.
    void UpdateCheckDone();

    // ---- tray icon and window behaviour (vclMainTray.cpp)
    void popTrayPopup();

    // ---- link list and listening (vclMainLinks.cpp)

    void FillLinkList();
    // link == nullptr: the row's own link.
    void UpdateLinkItem(QTreeWidgetItem* item, TRadioLink* link = nullptr);
    // The texts of the status bar panels (0 … 3) as the user reads them.
    QString HintPanelText(int panel) const;
    // The width of a status panel; the gauge panel (1) is 0 while not buffering.
    int HintPanelWidth(int panel) const;
    void barHintClick();
    // Makes the link at index current and plays it, whatever row is selected
    // (the media keys' next and previous); an index out of range does nothing.
    void PlayLink(int index);
    // The system woke from sleep: a stream the listener still wants starts
    // again at once.
    void ResumeAfterSleep();

    // ---- volume panel (vclMainVolume.cpp)

    void SetProgramVolume(int volume);
    void ReadSystemVolume();
    void SetSystemVolume(int volume);
    void ShowPanel(int panel);

    // ---- the search window (vclMainSearch.cpp): results come in through these.
    // While the window is in a modal step both do nothing (ListenToStation
    // answers false).
    bool ListenToStation(const TRadio& radio) override;
    void OpenStationFile(const QString& fileName) override;

    // ---- options (vclMain.cpp): the options dialog works through these
    TWindowOptions Options() const override;
    void ApplyOptions(const TWindowOptions& options) override;

    // ---- commands (vclMainCommands.cpp)
    // The command of actList with that name, or nullptr.
    QAction* Command(const QString& name) const;

    // True while a dialog or question of the window is open, or a handler
    // runs the event loop in a step that must not be interleaved with another
    // command. Hand-overs from later starts wait meanwhile.
    bool InModal() const { return FModalDepth > 0; }
    // A step of the window's own, or any modal dialog of the program, is
    // open: what would replace the document under it waits or is refused.
    bool Busy() const;

    // ---- state, read by tests
    TRadio* Radio() const { return FRadio.get(); }
    const QString& FileName() const { return FFileName; }
    bool Modified() const { return FModified; }
    const QString& ProductName() const { return FProductName; }
    int Panel() const { return FPanel; }

public:
    // ---- the form's components

    TRadioPlayer* ctlPlayer = nullptr;
    // Plays the current link through ctlPlayer and again after a drop, while
    // the listener wants it and the Reconnect preference is on.
    TReconnectPolicy* ctlReconnect = nullptr;
    TAudioMixer* ctlMixer = nullptr;
    // The application's theme; the window is its only user.
    TThemes* ctlSkins = nullptr;

    // The command list, in the order of the command table: the commands with
    // pictures first, as the tool bar takes them.
    QList<QAction*> actList;
    // station document
    QAction* actNew = nullptr;
    QAction* actOpen = nullptr;
    QAction* actSave = nullptr;
    QAction* actSaveAs = nullptr;
    QAction* actClose = nullptr;
    QAction* actEdit = nullptr;
    QAction* actExit = nullptr;
    // links and listening
    QAction* actPlay = nullptr;
    QAction* actStop = nullptr;
    QAction* actAddLink = nullptr;
    QAction* actEditLink = nullptr;
    QAction* actCopyLink = nullptr;
    QAction* actDelLink = nullptr;
    QAction* actFullView = nullptr;
    // volume and panels
    QAction* actMute = nullptr;
    QAction* actVolume = nullptr;
    QAction* actLinks = nullptr;
    QActionGroup* grpPanels = nullptr;
    // view, window, tools and help; those without behaviour yet are disabled
    QAction* actHome = nullptr;
    QAction* actMenu = nullptr;
    QAction* actBarTool = nullptr;
    QAction* actBarLock = nullptr;
    QAction* actBarReset = nullptr;
    QAction* actCust = nullptr;
    QAction* actBarHint = nullptr;
    QAction* actTopMost = nullptr;
    QAction* actInsTray = nullptr;
    QAction* actShow = nullptr;
    QAction* actCheckUpdate = nullptr;
    QAction* actDownload = nullptr;
    QAction* actAssociate = nullptr;
    QAction* actSetup = nullptr;
    QAction* actHelp = nullptr;
    QAction* actKestrel = nullptr;
    QAction* actClub = nullptr;
    QAction* actOpenLib = nullptr;
    QAction* actSearchLib = nullptr;
    QAction* actAbout = nullptr;

    // menus
    QMenu* subRadio = nullptr;
    // The station menu's item of actOpenLib, with its own caption.
    QAction* btnOpenLib = nullptr;
    QMenu* subExport = nullptr;
    QAction* btnSaveWAX = nullptr;
    QAction* btnSaveRAM = nullptr;
    QAction* btnSaveM3U = nullptr;
    QAction* btnSavePLS = nullptr;
    QMenu* subRecent = nullptr;
    QMenu* subLink = nullptr;
    QMenu* subPlay = nullptr;
    QMenu* subLinks = nullptr;
    QMenu* subView = nullptr;
    // The tool bar's commands: first in the view menu and, as popDock, the
    // context menu of the menu bar and the tool bar.
    QMenu* subDock = nullptr;
    // One radio item per text option; the tool bar's option is ticked when it opens.
    QMenu* subBarText = nullptr;
    QMenu* popDock = nullptr;
    // One radio item per registered theme; the current one is ticked when it opens.
    QMenu* subSkins = nullptr;
    QMenu* subTool = nullptr;
    // Its n-th item installs launcher kind n.
    QMenu* subInstall = nullptr;
    // The menu item of actAssociate, with a shorter caption than the command.
    QAction* btnAssociate = nullptr;
    QMenu* subHelp = nullptr;
    // The context menu of both panels, rebuilt before every use.
    QMenu* popBoxs = nullptr;
    // The tray icon's menu: its items mirror the window's commands without
    // their shortcut texts; the two submenus are refilled before it opens.
    QMenu* popTray = nullptr;
    QMenu* popRecent = nullptr;
    QMenu* popLinks = nullptr;
    QMenu* popHint = nullptr;
    // Built from actList at start-up (vclToolbarBuild); its layout file is
    // written at exit.
    QToolBar* barTool = nullptr;
    // The menu bar and the top tool bars; bound lines under "Default" only.
    TDock* boxDock = nullptr;

    // client area: the link list or the volume panel
    QStackedWidget* boxClient = nullptr;
    QTreeWidget* boxLinks = nullptr;
    QScrollArea* boxMixer = nullptr;
    QGroupBox* boxPlayer = nullptr;
    QSlider* barPlayer = nullptr;
    QLabel* lblPlayer = nullptr;
    QLineEdit* edtPlayer = nullptr;
    QCheckBox* chkPlayer = nullptr;
    QGroupBox* boxSystem = nullptr;
    QSlider* barSystem = nullptr;
    QLabel* lblSystem = nullptr;
    QLineEdit* edtSystem = nullptr;
    QCheckBox* chkSystem = nullptr;
    QPushButton* btnSystem = nullptr;

    // status bar: four panels, the second hosting the gauge
    QStatusBar* barHint = nullptr;
    QLabel* pnlHint[4] = {};
    QProgressBar* barGauge = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    // Minimising hides the window while the tray icon is on (vclMainTray.cpp).
    void changeEvent(QEvent* event) override;
    // Mouse presses on the panels and Enter in the link list (vclMainLinks.cpp).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Connects a command to its handler through Guarded.
    void Bind(QAction* action, void (TwinMain::*handler)());
    // Builds actList from the command table (vclMainCommands.cpp).
    void CreateCommands();
    void CreateMenus();
    void ReadPreferences(bool& autoMini);
    void WritePreferences();
    // The message boxes of the window's own questions, through its service.
    int AskYesNoCancel(const QString& text);
    bool AskYesNo(const QString& text);
    void ShowMessageBox(const QString& text, TMsgIcon icon);
    void ShowInfo(const QString& text);
    // The first failure of a sequence, once, as an unexpected error.
    void ReportSteps(const TEverySteps& steps);

    // ---- vclMainCommands.cpp
    void actHomeExecute();
    void actMenuExecute();
    void actBarToolExecute();
    void actBarLockExecute();
    void actBarResetExecute();
    void actCustExecute();
    void subBarTextPopup();
    void subBarTextClick(QAction* item);
    void actBarHintExecute();
    void actTopMostExecute();
    void actInsTrayExecute();
    void actSetupExecute();

    // ---- vclMainTools.cpp
    void CreateToolMenu();
    void actCheckUpdateExecute();
    void actDownloadExecute();
    void actAssociateExecute();
    void subInstallClick(int kind);
    void UpdateCheckFinished(TUpdateCheck* check);

    // ---- vclMainHelp.cpp
    void CreateHelpMenu();
    // The station menu's item of the online station library.
    void CreateOpenLibItem();
    void actHelpExecute();
    void actKestrelExecute();
    void actClubExecute();
    void actOpenLibExecute();
    void actAboutExecute();

    // ---- vclMainSearch.cpp
    // The station menu's search item, right after the online station library's.
    void CreateSearchItem();
    void actSearchLibExecute();

    // ---- vclMainSkins.cpp
    void CreateSkinsMenu();
    void subSkinsPopup();
    void subBarSkinClick(QAction* item);
    // Bound lines exactly under the theme named "Default".
    void ShowDockLines();

    // ---- vclMainTray.cpp
    void CreateTrayMenu();
    // Connects the tray icon SetTrayIcon made to the window.
    void ConnectTrayIcon();
    void actShowExecute();
    void popRecentsClick(QAction* item);

    // Runs show (a dialog, a question, or a step that runs the event loop)
    // as a modal step of the window and returns what it returns. Once the
    // last one has closed and its handler has finished, a write-back that
    // waited meanwhile runs.
    template <class F> decltype(auto) Modal(F&& show);
    void ModalClosed();
    int FModalDepth = 0;
    bool FWriteBackWaiting = false;
    // Changes whenever the document is replaced or closed, so a handler can
    // tell after a modal step whether it still works on the same station.
    quint64 FDocStamp = 0;
    bool FRecentLoaded = false;

    // ---- vclMainDocument.cpp
    void CreateExportItems();
    // Stops the player, makes a copy of radio the open document (nullptr
    // closes it), and brings the link list and the window state up to date.
    void ReplaceDocument(const TRadio* radio, const QString& fileName, bool modified);
    void actNewExecute();
    void actOpenExecute();
    void actSaveExecute();
    void actSaveAsExecute();
    void actCloseExecute();
    void actEditExecute();
    void actExitExecute();
    void btnSaveWAXClick(QAction* sender);
    void subRadioPopup();
    void subRecentsClick(QAction* item);
    // The remembered dialog folder of key, or StationFolder when it is gone.
    QString DialogFolder(const QString& key) const;
    void RememberDialogFolder(const QString& key, const QString& file);
    // A recent-files item for path, its caption fitted to width pixels.
    QAction* NewRecentItem(const QString& path, int width);
    // The recent-files list and its rules; subRecent shows it.
    TRecentFiles FRecent;

    // ---- vclMainLinks.cpp
    void CreateLinkList();
    void CreateStatusBar();
    void actPlayExecute();
    // Plays what the link's address resolved to: the addresses to try, in
    // order, on the engine of kind.
    void StartStream(const QStringList& candidates, TStreamKind kind);
    void actStopExecute();
    void actAddLinkExecute();
    void actEditLinkExecute();
    void actCopyLinkExecute();
    void actDelLinkExecute();
    void actFullViewExecute();
    void boxLinksDblClick();
    // The context menu and the kept selection; sender is boxLinks, boxMixer,
    // boxPlayer or boxSystem.
    void boxLinksMouseDown(QWidget* sender, Qt::MouseButton button, const QPoint& globalPos,
                           QTreeWidgetItem* itemUnderMouse);
    void subLinksPopup();
    // Fills menu with one radio item per link, the current one checked; false
    // (and the menu left as it is) without a station with links.
    bool FillLinkMenu(QMenu* menu);
    void subBtnLinkClick(int index);
    void ctlPlayerChange();
    // The player could not start the engine of kind: offers its download page.
    void ctlPlayerEngineMissing(TStreamKind kind);
    // Writes the station to FFileName when it is clean and has an existing file.
    void WriteBackCleanDocument();
    // Sets the bold style on the current link's row and plain on the others.
    void boxLinksCustomDrawItem();
    QTreeWidgetItem* SelectedRow() const;
    // The station's current link, or nullptr without a document or links.
    TRadioLink* CurrentLink() const;
    // Makes the row visible, selected and the list's focused row.
    void SelectRow(QTreeWidgetItem* item);
    void ShowLinkPanel();
    // 0 closes the gauge panel.
    void SetGaugeWidth(int width);
    // Shows the model's panel texts and gauge.
    void ShowStatusPanels(const TStatusPanels& panels);

    // ---- vclMainVolume.cpp
    void CreateVolumePanel();
    void barPlayerChange();
    void barSystemChange();
    void ctlMixerControlChange();
    void btnSystemClick();
    void actMuteExecute();
    // Both panel commands: the sender says which panel.
    void actVolumeExecute();

    // ---- state
    TMainServices FServices;
    std::unique_ptr<TRadio> FRadio;
    QString FFileName;
    bool FModified = false;
    QString FProductName;
    int FPanel = 2;
    bool FAutoPlay = false;
    bool FMSNTitle = false;
    quint8 FMSNTitleMode = 0;
    // Kept for the feature that uses it (notifications).
    bool FNotify = true;
    TNowPlaying* FNowPlaying = nullptr;
    QPointer<QObject> FConnectedTray;
    bool FMixerBusy = false;
    QTreeWidgetItem* FLastItem = nullptr;
    // The layout is written at exit only over a bar that was built from it.
    bool FToolbarBuilt = false;
    bool FDestroyed = false;
    // Set by the exit command once the user agreed, so the close goes through.
    bool FClosing = false;
};

template <class F> decltype(auto) TwinMain::Modal(F&& show)
{
    struct TScope
    {
        TwinMain* Window;
        explicit TScope(TwinMain* window) : Window(window) { ++Window->FModalDepth; }
        ~TScope()
        {
            if (--Window->FModalDepth == 0)
                Window->ModalClosed();
        }
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;
    } scope(this);
    return show();
}
