#include "vclMain.h"

#include "ctlMixer.h"
#include "ctlRadioPlayer.h"
#include "ctlReconnect.h"
#include "libConst.h"
#include "libExeInfo.h"
#include "libMsgBox.h"
#include "libNowPlaying.h"
#include "libRadio.h"
#include "libRegistry.h"
#include "libResolve.h"
#include "libShell.h"
#include "vclDock.h"
#include "vclShell.h"
#include "vclThemes.h"
#include "vclToolbarBuild.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>

TwinMain::TwinMain(const TMainServices& services, QWidget* parent) : QMainWindow(parent), FServices(services)
{
    setObjectName(QStringLiteral("winMain"));
    ctlPlayer = new TRadioPlayer(services.Engines, this);
    connect(
        ctlPlayer, &TRadioPlayer::EngineMissing, this,
        [this](TStreamKind kind) { Guarded([&] { ctlPlayerEngineMissing(kind); }); }, Qt::DirectConnection);
    ctlReconnect = new TReconnectPolicy(ctlPlayer, services.ReconnectClock, this);
    // The player runs the event loop while it starts an engine, and a missing
    // engine's question (ctlPlayerEngineMissing) is asked inside Play.
    ctlReconnect->SetStarter([this](const std::function<void()>& start) { Modal(start); });
    ctlMixer = new TAudioMixer(services.Mixer, this);
    ctlSkins = new TThemes(this);

    CreateCommands();
    CreateExportItems();
    FNowPlaying = new TNowPlaying(this);

    boxClient = new QStackedWidget(this);
    boxClient->setObjectName(QStringLiteral("boxClient"));
    setCentralWidget(boxClient);
    CreateLinkList();
    CreateVolumePanel();
    CreateStatusBar();
    CreateMenus();
    CreateTrayMenu();
    connect(FNowPlaying, &TNowPlaying::PanelsChanged, this, &TwinMain::ShowStatusPanels);
    // The wait for the next try shows in the status bar as it counts down.
    connect(ctlReconnect, &TReconnectPolicy::Changed, this, [this] { Guarded([&] { UpdateNowPlaying(); }); });
    // Before the player has reported anything the panels show its state.
    UpdateNowPlaying();

    // The designed client area; the placement stored by the last run wins.
    resize(418, 298 + menuBar()->sizeHint().height() + barTool->sizeHint().height() + barHint->sizeHint().height());
}

TwinMain::~TwinMain()
{
    if (!FDestroyed)
        FormDestroy();
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
    subRadio->setObjectName(QStringLiteral("subRadio"));
    subRadio->addAction(actNew);
    subRadio->addAction(actOpen);
    CreateOpenLibItem();
    CreateSearchItem();
    subRadio->addAction(actClose);
    subRadio->addSeparator();
    subRadio->addAction(actSave);
    subRadio->addAction(actSaveAs);
    subExport = subRadio->addMenu(QStringLiteral("导出为(&E)"));
    subExport->setObjectName(QStringLiteral("subExport"));
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
    subLink->setObjectName(QStringLiteral("subLink"));
    subLink->addAction(actAddLink);
    subLink->addSeparator();
    subLink->addAction(actEditLink);
    subLink->addAction(actCopyLink);
    subLink->addAction(actDelLink);

    subPlay = bar->addMenu(QStringLiteral("收听(&A)"));
    subPlay->setObjectName(QStringLiteral("subPlay"));
    subPlay->addAction(actPlay);
    subPlay->addAction(actStop);
    subPlay->addAction(actMute);
    subPlay->addSeparator();
    subLinks = subPlay->addMenu(QStringLiteral("切换收听连接(&C)"));
    subLinks->setObjectName(QStringLiteral("subLinks"));
    connect(subPlay, &QMenu::aboutToShow, this, [this] { subLinksPopup(); });

    subView = bar->addMenu(QStringLiteral("查看(&V)"));
    subView->setObjectName(QStringLiteral("subView"));
    subDock = subView->addMenu(QStringLiteral("工具栏(&T)"));
    subDock->setObjectName(QStringLiteral("subDock"));
    subDock->addAction(actBarTool);
    subDock->addSeparator();
    subBarText = subDock->addMenu(QStringLiteral("文字选项(&X)"));
    subBarText->setObjectName(QStringLiteral("subBarText"));
    auto* textOptions = new QActionGroup(subBarText);
    for (const QString& name : ToolbarTextOptionNames()) {
        QAction* item = subBarText->addAction(name);
        item->setCheckable(true);
        textOptions->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { Guarded([&] { subBarTextClick(item); }); });
    }
    connect(subBarText, &QMenu::aboutToShow, this, [this] { subBarTextPopup(); });
    subDock->addAction(actBarLock);
    subDock->addAction(actBarReset);
    subDock->addSeparator();
    subDock->addAction(actCust);
    subView->addAction(actBarHint);
    subView->addSeparator();
    subView->addAction(actVolume);
    subView->addAction(actLinks);
    subView->addSeparator();
    subView->addAction(actHome);
    subView->addAction(actMenu);
    subView->addSeparator();
    CreateSkinsMenu();
    subView->addAction(actFullView);
    subView->addSeparator();
    subView->addAction(actTopMost);
    subView->addAction(actInsTray);

    CreateToolMenu();
    CreateHelpMenu();

    popDock = new QMenu(this);
    popDock->setObjectName(QStringLiteral("popDock"));
    popDock->addActions(subDock->actions());

    barTool = addToolBar(QStringLiteral("标准按钮"));
    barTool->setObjectName(QStringLiteral("barTool"));
    barTool->setIconSize(QSize(16, 16));
    // The start-up default until the preferences say otherwise.
    SetToolbarTextOption(1, barTool);
    // Both bars of the dock offer the tool bar's commands on a right click.
    for (QWidget* dock : {static_cast<QWidget*>(bar), static_cast<QWidget*>(barTool)}) {
        dock->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(dock, &QWidget::customContextMenuRequested, this,
                [this, dock](const QPoint& pos) { popDock->popup(dock->mapToGlobal(pos)); });
    }
    boxDock = new TDock(this);
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
    const TPreferences prefs = TPreferences::Read(registry);
    registry.CloseKey();
    FAutoPlay = prefs.Flag(Pref::AutoPlay);
    FMSNTitle = prefs.Flag(Pref::MSNTitle);
    FMSNTitleMode = quint8(prefs.Number(Pref::MSNTitleMode));
    FNotify = prefs.Flag(Pref::Notify);
    ctlReconnect->SetEnabled(prefs.Flag(Pref::Reconnect));
    autoMini = prefs.Flag(Pref::AutoMini);
    // A check command's state is its preference.
    for (QAction* action : actList) {
        const QString key = action->property("preference").toString();
        if (!key.isEmpty())
            action->setChecked(prefs.Flag(key));
    }
    ShowPanel(prefs.Number(Pref::Panel));
    SetProgramVolume(prefs.Number(Pref::Volume));
    FFileName = prefs.Text(Pref::Radio);
    SetToolbarTextOption(prefs.Number(Pref::BarText), barTool);
    // A name that is no registered theme leaves the theme as it is.
    ctlSkins->SetCurrent(prefs.Text(Pref::Theme));
    RestorePlacement(registry, this);
}

void TwinMain::WritePreferences()
{
    TExeRegistry registry;
    if (!registry.OpenProgramKey())
        return;
    TPreferences prefs;
    prefs.Set(Pref::AutoPlay, FAutoPlay);
    prefs.Set(Pref::MSNTitle, FMSNTitle);
    prefs.Set(Pref::MSNTitleMode, FMSNTitleMode);
    prefs.Set(Pref::Notify, FNotify);
    prefs.Set(Pref::Reconnect, ctlReconnect->Enabled());
    for (QAction* action : actList) {
        const QString key = action->property("preference").toString();
        if (!key.isEmpty())
            prefs.Set(key, action->isChecked());
    }
    prefs.Set(Pref::Panel, FPanel);
    prefs.Set(Pref::Volume, barPlayer->value());
    prefs.Set(Pref::Radio, FFileName);
    prefs.Set(Pref::Theme, ctlSkins->Current());
    prefs.Set(Pref::BarText, ToolbarTextOption(barTool));
    prefs.Write(registry);
    registry.CloseKey();
}

TWindowOptions TwinMain::Options() const
{
    TWindowOptions options;
    options.InsTray = actInsTray->isChecked();
    options.TopMost = actTopMost->isChecked();
    options.AutoPlay = FAutoPlay;
    options.MSNTitle = FMSNTitle;
    options.MSNTitleMode = FMSNTitleMode;
    options.Notify = FNotify;
    options.Reconnect = ctlReconnect->Enabled();
    return options;
}

void TwinMain::ApplyOptions(const TWindowOptions& options)
{
    FAutoPlay = options.AutoPlay;
    FMSNTitle = options.MSNTitle;
    FMSNTitleMode = options.MSNTitleMode == 1 ? 1 : 0;
    FNotify = options.Notify;
    ctlReconnect->SetEnabled(options.Reconnect);
    // Through the commands, as a click on their menu items would.
    if (actTopMost->isChecked() != options.TopMost)
        actTopMost->trigger();
    if (actInsTray->isChecked() != options.InsTray)
        actInsTray->trigger();
    UpdateNowPlaying();
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
    steps.Step([&] { ShowDockLines(); });

    steps.Step([&] {
        barHint->setVisible(actBarHint->isChecked());
        barTool->setVisible(actBarTool->isChecked());
        barTool->setMovable(!actBarLock->isChecked());
        FillLinkList();
        actKestrel->setText(FProductName + QStringLiteral("主页") + QStringLiteral("(&H)"));
        actAbout->setText(QStringLiteral("关于") + FProductName + QStringLiteral("(&A)"));
    });
    steps.Step([&] {
        BuildToolbar(barTool, actList);
        FToolbarBuilt = true;
    });
    steps.Step([&] {
        LoadRecentFiles();
        FRecentLoaded = true;
    });
    steps.Step([&] { SetTopMost(actTopMost->isChecked(), this, true); });
    steps.Step([&] {
        SetTrayIcon(actInsTray->isChecked(), this, true);
        ConnectTrayIcon();
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
    // Silent: it asks only when a newer version exists.
    steps.Step([&] { StartUpdateCheck(true); });
    ReportSteps(steps);
}

QString TwinMain::StartingStation(const QStringList& arguments)
{
    for (const QString& file : arguments)
        if (!file.isEmpty())
            return file;
    TExeRegistry registry;
    if (!registry.OpenProgramKey())
        return QString();
    return TPreferences::Read(registry).Text(Pref::Radio);
}

bool TwinMain::Busy() const { return InModal() || QApplication::activeModalWidget() != nullptr; }

void TwinMain::FormDestroy()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    // No try may start while the window closes.
    ctlReconnect->Cancel();
    // A link still resolving must not start playing in a closed window.
    if (FServices.Resolver)
        FServices.Resolver->Cancel();
    // Every step runs, so that one unwritable file cannot cost the user the
    // rest of the settings; the first failure is reported once.
    TEverySteps steps;
    steps.Step([&] { hide(); });
    steps.Step([&] {
        if (FToolbarBuilt)
            SaveToolbar(barTool);
    });
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
    steps.Step([&] { SendNowPlaying(QString(), 0); });
    ReportSteps(steps);
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
    ShowMessageBox(UnexpectedErrorText(message), TMsgIcon::Error);
}

void TwinMain::ReportSteps(const TEverySteps& steps)
{
    if (const std::optional<QString>& error = steps.Error())
        ShowMessageBox(UnexpectedErrorText(*error), TMsgIcon::Error);
}

int TwinMain::AskYesNoCancel(const QString& text)
{
    return Modal([&] { return FServices.MessageBoxes->AskYesNoCancel(text); });
}

bool TwinMain::AskYesNo(const QString& text)
{
    return Modal([&] { return FServices.MessageBoxes->AskYesNo(text); });
}

void TwinMain::ShowMessageBox(const QString& text, TMsgIcon icon)
{
    Modal([&] { FServices.MessageBoxes->ShowMessageBox(text, icon); });
}

void TwinMain::ShowInfo(const QString& text) { ShowMessageBox(text, TMsgIcon::Information); }

void TwinMain::closeEvent(QCloseEvent* event)
{
    // The title bar's close button is the exit command: it asks about unsaved
    // changes first. FDestroyed is set once the exit was agreed.
    if (FClosing) {
        // Nothing starts playing again while the program ends.
        ctlReconnect->Cancel();
        event->accept();
        return;
    }
    event->ignore();
    actExit->trigger();
}

void TwinMain::UpdateNowPlaying()
{
    TNowPlaying::TInput input;
    input.Player = TPlayerReport::Of(*ctlPlayer);
    input.Player.ReconnectIn = ctlReconnect->SecondsLeft();
    const QString station = FRadio ? FRadio->DisplayText() : QString();
    input.StationText = FRadio ? &station : nullptr;
    input.Caption = windowTitle();
    input.Publish = FMSNTitle;
    input.Source = FMSNTitleMode == 1 ? TTitleSource::Programme : TTitleSource::Station;
    FNowPlaying->Update(input);
    if (actInsTray->isChecked())
        SetTrayTip(FNowPlaying->Tip());
    SendNowPlaying(FNowPlaying->Title(), 0);
}
