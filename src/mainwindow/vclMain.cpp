#include "vclMain.h"

#include "ctlMixer.h"
#include "ctlRadioPlayer.h"
#include "libExeInfo.h"
#include "libMsgBox.h"
#include "libRadio.h"
#include "libRegistry.h"
#include "libShell.h"
#include "vclShell.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>

namespace {

// The preferences of the window, with their defaults.
namespace Pref {
const QString AutoPlay = QStringLiteral("AutoPlay");
const QString MSNTitle = QStringLiteral("MSNTitle");
const QString MSNTitleMode = QStringLiteral("MSNTitleMode");
const QString AutoMini = QStringLiteral("AutoMini");
const QString InsTray = QStringLiteral("InsTray");
const QString TopMost = QStringLiteral("TopMost");
const QString BarHint = QStringLiteral("BarHint");
const QString BarTool = QStringLiteral("BarTool");
const QString BarLock = QStringLiteral("BarLock");
const QString Columns = QStringLiteral("Columns");
const QString Panel = QStringLiteral("Panel");
const QString Volume = QStringLiteral("Volume");
const QString Radio = QStringLiteral("Radio");
const QString BarText = QStringLiteral("BarText");
const QString Theme = QStringLiteral("Theme");
} // namespace Pref

} // namespace

TwinMain::TwinMain(const TMainServices& services, QWidget* parent)
    : QMainWindow(parent), FServices(services)
{
    setObjectName(QStringLiteral("winMain"));
    ctlPlayer = new TRadioPlayer(services.Engines, this);
    ctlMixer = new TAudioMixer(services.Mixer, this);

    // The order of creation is the order of the command list.
    CreateDocumentActions();
    CreateLinkActions();
    CreateVolumeActions();

    actHome = NewAction(QStringLiteral("电台主页(&H)"));
    actMenu = NewAction(QStringLiteral("节目单(&M)"));
    actBarTool = NewAction(QStringLiteral("标准按钮(&S)"));
    actBarTool->setCheckable(true);
    actBarTool->setChecked(true);
    actBarLock = NewAction(QStringLiteral("锁定工具栏(&B)"));
    actBarLock->setCheckable(true);
    actBarHint = NewAction(QStringLiteral("状态栏(&B)"));
    actBarHint->setCheckable(true);
    actBarHint->setChecked(true);
    actTopMost = NewAction(QStringLiteral("保持在其它窗口的前端(&T)"));
    actTopMost->setCheckable(true);
    actInsTray = NewAction(QStringLiteral("最小化到系统托盘图标(&I)"));
    actInsTray->setCheckable(true);
    actInsTray->setChecked(true);
    actCheckUpdate = NewAction(QStringLiteral("检查更新版本(&C)"));
    actKestrel = NewAction(QStringLiteral("主页(&H)"));
    actAbout = NewAction(QStringLiteral("关于(&A)"));

    connect(actHome, &QAction::triggered, this, [this] {
        if (FRadio && !FRadio->Href().isEmpty())
            OpenInBrowser(FRadio->Href());
    });
    connect(actMenu, &QAction::triggered, this, [this] {
        if (FRadio && !FRadio->Menu().isEmpty())
            OpenInBrowser(FRadio->Menu());
    });
    connect(actBarTool, &QAction::triggered, this, [this] { barTool->setVisible(actBarTool->isChecked()); });
    connect(actBarLock, &QAction::triggered, this, [this] { barTool->setMovable(!actBarLock->isChecked()); });
    connect(actBarHint, &QAction::triggered, this, [this] { barHint->setVisible(actBarHint->isChecked()); });
    connect(actTopMost, &QAction::triggered, this, [this] { SetTopMost(actTopMost->isChecked(), this, false); });
    connect(actInsTray, &QAction::triggered, this, [this] { SetTrayIcon(actInsTray->isChecked(), this, false); });

    boxClient = new QStackedWidget(this);
    boxClient->setObjectName(QStringLiteral("boxClient"));
    setCentralWidget(boxClient);
    CreateLinkList();
    CreateVolumePanel();
    CreateStatusBar();
    CreateMenus();

    // The designed client area; the placement stored by the last run wins.
    resize(418, 298 + menuBar()->sizeHint().height() + barTool->sizeHint().height()
                      + barHint->sizeHint().height());
}

TwinMain::~TwinMain()
{
    if (!FDestroyed)
        FormDestroy();
}

QAction* TwinMain::NewAction(const QString& caption, const QKeySequence& shortcut)
{
    auto* action = new QAction(caption, this);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        // Shortcuts work while the window has the focus, wherever it is.
        action->setShortcutContext(Qt::WindowShortcut);
    }
    addAction(action);
    actList.append(action);
    return action;
}

void TwinMain::Bind(QAction* action, void (TwinMain::*handler)())
{
    connect(action, &QAction::triggered, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
}

void TwinMain::CreateMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("barMenu"));

    subRadio = bar->addMenu(QStringLiteral("电台(&F)"));
    subRadio->addAction(actNew);
    subRadio->addAction(actOpen);
    subRadio->addAction(actClose);
    subRadio->addSeparator();
    subRadio->addAction(actSave);
    subRadio->addAction(actSaveAs);
    subExport = subRadio->addMenu(QStringLiteral("导出为(&E)"));
    for (QAction* item : {btnSaveWAX, btnSaveRAM, btnSaveM3U, btnSavePLS}) {
        subExport->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { Guarded([&] { btnSaveWAXClick(item); }); });
    }
    subRadio->addSeparator();
    subRadio->addAction(actEdit);
    subRadio->addSeparator();
    subRecent = subRadio->addMenu(QStringLiteral("最近打开过的文件(&F)"));
    subRecent->setObjectName(QStringLiteral("subRecent"));
    subRadio->addSeparator();
    subRadio->addAction(actExit);
    connect(subRadio, &QMenu::aboutToShow, this, [this] { subRadioPopup(); });

    subLink = bar->addMenu(QStringLiteral("连接(&E)"));
    subLink->addAction(actAddLink);
    subLink->addSeparator();
    subLink->addAction(actEditLink);
    subLink->addAction(actCopyLink);
    subLink->addAction(actDelLink);

    subPlay = bar->addMenu(QStringLiteral("收听(&A)"));
    subPlay->addAction(actPlay);
    subPlay->addAction(actStop);
    subPlay->addAction(actMute);
    subPlay->addSeparator();
    subLinks = subPlay->addMenu(QStringLiteral("切换收听连接(&C)"));
    subLinks->setObjectName(QStringLiteral("subLinks"));
    connect(subPlay, &QMenu::aboutToShow, this, [this] { subLinksPopup(); });

    subView = bar->addMenu(QStringLiteral("查看(&V)"));
    subView->addAction(actBarTool);
    subView->addAction(actBarLock);
    subView->addAction(actBarHint);
    subView->addSeparator();
    subView->addAction(actVolume);
    subView->addAction(actLinks);
    subView->addSeparator();
    subView->addAction(actHome);
    subView->addAction(actMenu);
    subView->addSeparator();
    subView->addAction(actFullView);
    subView->addSeparator();
    subView->addAction(actTopMost);
    subView->addAction(actInsTray);

    // Until the customisable tool bar arrives, the commands a listener uses most.
    barTool = addToolBar(QStringLiteral("标准按钮"));
    barTool->setObjectName(QStringLiteral("barTool"));
    barTool->setToolButtonStyle(Qt::ToolButtonTextOnly);
    static const QRegularExpression accelerator(QStringLiteral("\\(&.\\)|\\.\\.\\.$"));
    for (QAction* action : {actOpen, actSave, actPlay, actStop, actAddLink, actEditLink, actDelLink}) {
        // A button shows the bare word: "打开", not "打开(O)...".
        action->setIconText(QString(action->text()).remove(accelerator));
        barTool->addAction(action);
    }
}

void TwinMain::ReadPreferences(bool& autoMini)
{
    TExeRegistry registry;
    if (!registry.OpenProgramKey()) {
        // Nothing is read: the form's design states stay, and the player
        // must play at the volume the slider shows, not at its own 0.
        SetProgramVolume(barPlayer->value());
        RestorePlacement(registry, this);
        return;
    }
    // A value of another type (a hand-edited file) counts as missing.
    FAutoPlay = ReadBoolOr(registry, Pref::AutoPlay, false);
    FMSNTitle = ReadBoolOr(registry, Pref::MSNTitle, true);
    FMSNTitleMode = quint8(ReadIntegerOr(registry, Pref::MSNTitleMode, 0));
    autoMini = ReadBoolOr(registry, Pref::AutoMini, false);
    actInsTray->setChecked(ReadBoolOr(registry, Pref::InsTray, true));
    actTopMost->setChecked(ReadBoolOr(registry, Pref::TopMost, false));
    actBarHint->setChecked(ReadBoolOr(registry, Pref::BarHint, true));
    actBarTool->setChecked(ReadBoolOr(registry, Pref::BarTool, true));
    actBarLock->setChecked(ReadBoolOr(registry, Pref::BarLock, false));
    actFullView->setChecked(ReadBoolOr(registry, Pref::Columns, true));
    ShowPanel(ReadIntegerOr(registry, Pref::Panel, 2));
    SetProgramVolume(ReadIntegerOr(registry, Pref::Volume, barPlayer->value()));
    FFileName = ReadStringOr(registry, Pref::Radio, DefaultStationFile());
    FBarText = ReadIntegerOr(registry, Pref::BarText, 1);
    // Only the desktop's own style is registered so far; any other stored
    // name leaves the theme as it is.
    const QString theme = ReadStringOr(registry, Pref::Theme, QStringLiteral("Default"));
    if (theme == QStringLiteral("Default"))
        FTheme = theme;
    registry.CloseKey();
    RestorePlacement(registry, this);
}

void TwinMain::WritePreferences()
{
    TExeRegistry registry;
    if (!registry.OpenProgramKey())
        return;
    registry.WriteBool(Pref::AutoPlay, FAutoPlay);
    registry.WriteBool(Pref::MSNTitle, FMSNTitle);
    registry.WriteInteger(Pref::MSNTitleMode, FMSNTitleMode);
    registry.WriteBool(Pref::TopMost, actTopMost->isChecked());
    registry.WriteBool(Pref::InsTray, actInsTray->isChecked());
    registry.WriteBool(Pref::BarHint, actBarHint->isChecked());
    registry.WriteBool(Pref::BarTool, actBarTool->isChecked());
    registry.WriteBool(Pref::BarLock, actBarLock->isChecked());
    registry.WriteBool(Pref::Columns, actFullView->isChecked());
    registry.WriteInteger(Pref::Panel, FPanel);
    registry.WriteInteger(Pref::Volume, barPlayer->value());
    registry.WriteString(Pref::Radio, FFileName);
    registry.WriteString(Pref::Theme, FTheme);
    registry.WriteInteger(Pref::BarText, FBarText);
    registry.CloseKey();
}

void TwinMain::FormCreate(const QStringList& arguments)
{
    // Every step runs, as at closing: one damaged file or value must not cost
    // the window, the tray or the station the user asked for.
    TEverySteps steps;
    steps.Step([&] { ReadSystemVolume(); });
    steps.Step([&] { FProductName = OwnExeInfo().ProductName; });

    bool autoMini = false;
    steps.Step([&] { ReadPreferences(autoMini); });

    steps.Step([&] {
        barHint->setVisible(actBarHint->isChecked());
        barTool->setVisible(actBarTool->isChecked());
        barTool->setMovable(!actBarLock->isChecked());
        FillLinkList();
        actKestrel->setText(FProductName + QStringLiteral("主页") + QStringLiteral("(&H)"));
        actAbout->setText(QStringLiteral("关于") + FProductName + QStringLiteral("(&A)"));
    });
    steps.Step([&] {
        LoadRecentFiles();
        FRecentLoaded = true;
    });
    steps.Step([&] { SetTopMost(actTopMost->isChecked(), this, true); });
    steps.Step([&] {
        SetTrayIcon(actInsTray->isChecked(), this, true);
        if (TTrayIcon* tray = TrayIcon()) {
            // With a dialog open the click brings both forward instead of
            // minimising a window the user is being asked something in.
            connect(tray, &TTrayIcon::LeftClicked, this,
                    [this] { ShowMainWindow(InModal() || QApplication::activeModalWidget(), this); });
        }
    });
    steps.Step([&] {
        if (!arguments.isEmpty())
            OpenForwardedFiles(arguments);
        else
            OpenRadioFile(FFileName, true);
    });
    steps.Step([&] { UpdateWindowState(); });
    // Without a tray nothing could bring a hidden window back.
    steps.Step([&] {
        if (!(actInsTray->isChecked() && autoMini && SystemTrayAvailable()))
            show();
    });
    Modal([&] { steps.Report(); });
}

QString TwinMain::StartingStation(const QStringList& arguments)
{
    for (const QString& file : arguments)
        if (!file.isEmpty())
            return file;
    TExeRegistry registry;
    if (!registry.OpenProgramKey())
        return QString();
    return ReadStringOr(registry, Pref::Radio, DefaultStationFile());
}

void TwinMain::FormDestroy()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    // Every step runs, so that one unwritable file cannot cost the user the
    // rest of the settings; the first failure is reported once.
    TEverySteps steps;
    steps.Step([&] { hide(); });
    // A list that could not be read is not replaced by the empty one.
    steps.Step([&] {
        if (FRecentLoaded)
            SaveRecentFiles();
    });
    steps.Step([&] { WritePreferences(); });
    steps.Step([&] {
        TExeRegistry registry;
        SavePlacement(registry, this);
    });
    steps.Step([&] { FRadio.reset(); });
    steps.Step([&] { SetTrayIcon(false, this, false); });
    Modal([&] { steps.Report(); });
}

void TwinMain::OpenForwardedFiles(const QStringList& list)
{
    // An empty argument names no file; the first real one is opened.
    for (const QString& file : list) {
        if (!file.isEmpty()) {
            OpenRadioFile(file, true);
            return;
        }
    }
}

void TwinMain::ModalClosed()
{
    // Queued: the handler that opened the modal finishes first (a cancelled
    // new link is removed before anything is written).
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (FModalDepth > 0 || !FWriteBackWaiting)
                return;
            FWriteBackWaiting = false;
            Guarded([&] { WriteBackCleanDocument(); });
        },
        Qt::QueuedConnection);
}

void TwinMain::AppException(const std::exception& error)
{
    // The program's own errors carry their message as UTF-8 in what().
    const QString message = QString::fromUtf8(error.what());
    Modal([&] { ShowUnexpectedError(message); });
}

void TwinMain::closeEvent(QCloseEvent* event)
{
    // The title bar's close button is the exit command: it asks about unsaved
    // changes first. FDestroyed is set once the exit was agreed.
    if (FClosing) {
        event->accept();
        return;
    }
    event->ignore();
    actExit->trigger();
}

void TwinMain::UpdateNowPlaying()
{
    // The tray tip and the session-bus title arrive with the tray change.
}
